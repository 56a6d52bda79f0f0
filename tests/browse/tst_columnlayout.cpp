// The account list's column layout in the settings file, from one run to the next.

#include "BrowserWindow.h"

namespace {
const QString kList = "Main.ListView_Accounts";
QString col(int i) {
    return kList + '.' + QString::number(i);
}
// The columns' logical indexes from left to right, then their widths.
QString layout(BrowserWindow& w) {
    QStringList order, widths;
    for (int i = 0; i < w.header()->count(); ++i) {
        order << QString::number(w.header()->logicalIndex(i));
        widths << QString::number(w.header()->sectionSize(i));
    }
    return order.join(' ') + " | " + widths.join(' ');
}
const QString kSetup = "0 1 2 | 113 200 200"; // 1700 and 3000 twips
const QString kDragged = "2 0 1 | 113 250 200";
} // namespace

class TestColumnLayout : public QObject {
    Q_OBJECT
    std::unique_ptr<TestServices> s_;

    // One program run: a fresh main window that sets up its columns and loads the layout.
    std::unique_ptr<BrowserWindow> start() {
        auto run = std::make_unique<BrowserWindow>(*s_);
        run->browser->LoadColumnLayout();
        return run;
    }
    void write(const QString& section, const char* key, const QString& value) {
        s_->ini.write({}, section, QLatin1String(key), value);
    }
    // A run in which the user dragged AccountName to the front and widened Description.
    void saveDraggedLayout() {
        auto run = start();
        run->header()->moveSection(2, 0);
        run->header()->resizeSection(1, 250);
        run->browser->SaveColumnLayout();
    }
    QByteArray iniFile() {
        QFile file(s_->iniPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void initTestCase() { useTestTexts(); }
    void init() {
        languageCatalog().SelectLanguage("English");
        s_ = std::make_unique<TestServices>();
    }

    void roundTripAfterDragAndResize() {
        saveDraggedLayout();
        auto section = [this](const QString& name, std::initializer_list<const char*> keys) {
            QStringList values;
            for (const char* key : keys)
                values << s_->ini.read({}, name, QLatin1String(key));
            return values.join(u'|');
        };
        QCOMPARE(section(kList, {"ColumnsCount", "ContainerName", "Name"}), u"3|Main|ListView_Accounts");
        // Key, Text, Alignment, Position and Width (in twips) of each column.
        const QStringList columns = {"Type|T14|0|2|1700", "Description|T16|0|0|3750",
                                     "AccountName|T18|0|1|3000"};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(section(col(i), {"Key", "Text", "Alignment", "Position", "Width"}), columns[i]);

        // The next run shows AccountName first with the stored widths, and stores the same again.
        const QByteArray firstSave = iniFile();
        auto run = start();
        QCOMPARE(layout(*run), kDragged);
        run->browser->SaveColumnLayout();
        QCOMPARE(iniFile(), firstSave);
    }

    // Filling, emptying and sorting the list leaves the user's layout alone.
    void layoutSurvivesListings() {
        saveDraggedLayout();
        write(col(2), "Alignment", "1");
        auto run = start();
        QVERIFY(run->createVault());
        run->add(Banks, "one", "a");
        run->add(Banks, "two", "b");
        run->browser->ListAccounts(Banks);
        run->browser->ListAccounts(Pins);
        run->browser->ShowAll();
        run->browser->ListView_Accounts_ColumnClick(1);
        run->browser->clearList();
        run->browser->ShowAll();
        QCOMPARE(layout(*run), kDragged);
        const QModelIndex cell = run->browser->listModel().index(0, 2);
        QCOMPARE(cell.data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHorizontal_Mask,
                 Qt::AlignRight);
    }

    void foreignLayoutIgnored_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("applied");
        QTest::newRow("as saved") << ""
                                  << "" << true;
        QTest::newRow("count with trailing text") << "ColumnsCount"
                                                  << "3 columns" << true;
        QTest::newRow("another count") << "ColumnsCount"
                                       << "4" << false;
        QTest::newRow("count missing, as on a first start") << "ColumnsCount"
                                                            << "" << false;
        QTest::newRow("another window") << "ContainerName"
                                        << "Find" << false;
        QTest::newRow("window name in other case") << "ContainerName"
                                                   << "main" << false;
        QTest::newRow("another list") << "Name"
                                      << "ListView_Other" << false;
    }

    void foreignLayoutIgnored() {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, applied);
        saveDraggedLayout();
        if (!key.isEmpty())
            write(kList, qPrintable(key), value);
        QCOMPARE(layout(*start()), applied ? kDragged : kSetup);
    }

    void headersFollowLanguageWidthsFromFile() {
        saveDraggedLayout();
        languageCatalog().SelectLanguage("Italiano");
        auto run = start();
        QCOMPARE(layout(*run), kDragged);
        QCOMPARE(run->browser->listModel().headerData(0, Qt::Horizontal).toString(), "IT14");
        QCOMPARE(run->browser->listModel().headerData(2, Qt::Horizontal).toString(), "IT18");
    }

    // Hand-edited values: widths that are no number, far too large or negative, and positions that
    // name one column twice (not a rearrangement: the order is not applied).
    void damagedValues() {
        saveDraggedLayout();
        write(col(0), "Width", "wide");
        write(col(1), "Width", "1e30");
        write(col(2), "Width", "-300");
        write(col(1), "Position", "2");
        write(col(1), "Alignment", "2 (centre)");
        auto run = start();
        QCOMPARE(layout(*run), "0 1 2 | 0 " + QString::number(run->header()->maximumSectionSize()) + " 0");
        QCOMPARE(run->browser->listModel().columns()[1].alignment, 2);
        write(col(1), "Position", "0"); // a valid order again
        QCOMPARE(layout(*start()).left(5), "2 0 1");
    }
};

QTEST_MAIN(TestColumnLayout)
#include "tst_columnlayout.moc"
