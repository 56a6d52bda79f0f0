// The window program and another writer of the same vault: nothing is overwritten without the
// user's word, and a save keeps the previous version beside the file unless told not to.

#include "MainRun.h"

namespace {

// Another program (the command-line tool, say) adds an account to the vault on disk.
void addFromAnotherProgram(const MainRun& f, const QString& description) {
    FileVaultEngine other(KdfLimits::cheapest());
    QVERIFY(other.OpenFile(f.path("a.qx"), "secret1"));
    AccountRecord r = MainRun::record(Banks, description, "cli");
    QVERIFY(other.PutRecord(r));
    QVERIFY(other.SaveFile());
}

QStringList descriptionsOnDisk(const MainRun& f, const QString& name) {
    FileVaultEngine check(KdfLimits::cheapest());
    AccountRecords records;
    if (check.OpenFile(f.path(name), "secret1"))
        check.GetRecords(records, AllCategories);
    QStringList out;
    for (const AccountRecord& r : records)
        out << r.Description;
    return out;
}

} // namespace

class TestFileSafety : public QObject {
    Q_OBJECT
private slots:
    void anotherProgramsChangesAreNotOverwrittenUnasked() {
        MainRun f;
        Main& m = f.startWithOpenVault();
        addFromAnotherProgram(f, "from the cli");
        f.addUnsavedAccount("from the window");

        f.prompts.answerNo(); // keep my changes unsaved for now
        f.trigger(MenuCommand::Save);
        QCOMPARE(f.prompts.last(),
                 Text(TextId::ChangedOnDiskTitle) + ": " + Text(TextId::ChangedOnDiskPrompt));
        QCOMPARE(f.shown().last(), Text(TextId::ChangedOnDiskKept));
        QCOMPARE(descriptionsOnDisk(f, "a.qx"), QStringList{"from the cli"});
        QVERIFY(m.isModified() && f.engine().IsOpen());

        // The inactivity lock saves with nobody there to answer: it never replaces the other
        // program's file, and keeps the window's changes in the open file.
        f.noticesShown.clear();
        f.idle(3);
        QCOMPARE(f.prompts.asked.size(), 1);
        QVERIFY(f.shown().contains(Text(TextId::ChangedOnDiskKept)));
        QVERIFY(m.isModified() && f.engine().IsOpen());
        QCOMPARE(descriptionsOnDisk(f, "a.qx"), QStringList{"from the cli"});

        f.prompts.answerYes(); // replace it: the other version goes to the backup
        f.trigger(MenuCommand::Save);
        QVERIFY(!m.isModified());
        QCOMPARE(descriptionsOnDisk(f, "a.qx"), QStringList{"from the window"});
        QCOMPARE(descriptionsOnDisk(f, "a.qx.bak"), QStringList{"from the cli"});
    }

    void aBackupIsKeptUnlessTheUserSaidNo() {
        for (bool keep : {true, false}) {
            MainRun f;
            f.prefs.setKeepBackup(keep);
            f.startWithOpenVault();
            QFile::remove(f.path("a.qx.bak")); // left by the save that made the vault
            f.addUnsavedAccount("x");
            f.trigger(MenuCommand::Save);
            QCOMPARE(QFile::exists(f.path("a.qx.bak")), keep);
            QCOMPARE(descriptionsOnDisk(f, "a.qx"), QStringList{"x"});
        }
    }
};

QTEST_MAIN(TestFileSafety)
#include "tst_filesafety.moc"
