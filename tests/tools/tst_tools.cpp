// The password tools on the real engine: the strength rating and its bar, the generator
// button, and the two generate commands with scripted answers.

#include "Clipboard.h"
#include "GenerateCommands.h"
#include "GeneratorButton.h"
#include "PasswordStrength.h"
#include "StrengthBar.h"
#include "TestServices.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

class TestTools : public QObject {
    Q_OBJECT
    Clipboard clipboard;

private slots:
    void initTestCase() { useTestTexts(); }

    void strength_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("rating");
        QTest::addColumn<qint64>("bits");
        const int rows[][3] = {{0, 0, 0},          {1, 6, 8},
                               {2, 12, 16},        {3, 18, 24},
                               {4, 25, 32},        {8, 50, 64},
                               {10, 62, 80},       {12, 75, 96},
                               {15, 93, 120},      {16, 100, 128},
                               {40, 100, 320},     {4095, 100, 32760},
                               {4096, 100, 32768}, {300000, 100, 2400000}}; // past 16 bits: still positive
        for (const auto& [length, rating, bits] : rows)
            QTest::addRow("%d characters", length) << length << rating << qint64(bits);
    }

    void strength() {
        QFETCH(int, length);
        const QString password(length, QLatin1Char('x'));
        QTEST(PasswordStrength(password), "rating");
        QTEST(PasswordBits(password), "bits");
    }

    // Red at the left end and green only at the right: a weak password shows red alone.
    void strengthBarColours() {
        StrengthBar bar;
        bar.resize(200, 6);
        QCOMPARE(bar.objectName(), QStringLiteral("ARProgressBar_password"));
        QVERIFY(!bar.isTextVisible());
        auto pixel = [&](int x) { return bar.grab().toImage().pixelColor(x, 3); };
        const QColor empty = pixel(100);
        bar.rate(QStringLiteral("abcd")); // 25
        QCOMPARE(bar.value(), 25);
        QVERIFY(pixel(0).red() == 255 && pixel(0).green() < 8 && pixel(0).blue() == 0);
        QVERIFY(pixel(47).red() == 255 && pixel(47).green() < 128); // the filled end is still reddish
        QCOMPARE(pixel(60), empty);
        bar.rate(QString(16, QLatin1Char('x')));
        QVERIFY(pixel(198).green() > 240 && pixel(198).red() < 16);
        bar.rate({});
        QCOMPARE(pixel(1), empty);
    }

    void generatorButton() {
        TestServices f;
        QWidget window;
        auto* box = new QLineEdit(QStringLiteral("old"));
        auto* other = new QLineEdit;
        auto* button = new GeneratorButton(f.services, box);
        auto* row = new QHBoxLayout(&window);
        row->addWidget(box);
        row->addWidget(button);
        row->addWidget(other);
        button->fillLengths();
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QVERIFY(button->text().isEmpty() && !button->icon().isNull());
        QCOMPARE(button->popupMode(), QToolButton::MenuButtonPopup);
        QStringList entries;
        for (const QAction* action : button->menu()->actions())
            entries << action->data().toString() + ' ' + action->text();
        QCOMPARE(entries, QStringList({"ID:10 T651", "ID:15 T652", "ID:20 T653", "ID:30 T654", "ID:50 T655",
                                       "ID:100 T656"}));

        const std::pair<QAction*, int> ways[] = {
            {nullptr, 10}, {button->menu()->actions().last(), 100}, {button->menu()->actions().at(1), 15}};
        for (const auto& [entry, length] : ways) {
            other->setFocus();
            const QString before = box->text();
            entry ? entry->trigger() : button->click();
            QCOMPARE(box->text().size(), length);
            QVERIFY(box->text() != before);
            QCOMPARE(QApplication::focusWidget(), box);
            QCOMPARE(box->selectedText(), box->text());
        }
    }

    void singlePasswordToTheClipboard() {
        TestServices f;
        clipboard.put(QStringLiteral("before"), Clipboard::Kind::Plain);
        menu_generate_password(f.services);
        QCOMPARE(clipboard.text().size(), 10);
        QVERIFY(clipboard.holdsSecretHint());
        QVERIFY(f.shown().isEmpty());
    }

    void batch_data() {
        QTest::addColumn<QString>("count");  // "<proposed>" takes what the box offers, "<cancel>" cancels
        QTest::addColumn<QString>("length"); // not answered when the count question ends the command
        QTest::addColumn<int>("questions");
        QTest::addColumn<int>("passwords"); // -1: ended without a word
        QTest::addColumn<int>("width");
        auto row = [](const char* tag, const char* count, const char* length, int questions, int passwords,
                      int width) {
            QTest::newRow(tag) << QString::fromLatin1(count) << QString::fromLatin1(length) << questions
                               << passwords << width;
        };
        row("proposed answers", "<proposed>", "<proposed>", 2, 100, 10);
        row("2.5 rounds to even", "2.5", "7", 2, 2, 7);
        row("3.5 rounds to even", "3.5", " 12 chars", 2, 4, 12);
        row("0.4 asks the length, makes none", "0.4", "5", 2, 0, 0);
        row("cancel first", "<cancel>", "5", 1, -1, 0);
        row("empty", "", "5", 1, -1, 0);
        row("zero", "0", "5", 1, -1, 0);
        row("negative", "-3", "5", 1, -1, 0);
        row("not a number", "many", "5", 1, -1, 0);
        row("cancel length", "5", "<cancel>", 2, -1, 0);
        row("zero length", "5", "0", 2, -1, 0);
        row("length not a number", "5", "long", 2, -1, 0);
        row("more than the engine makes", "2000000", "10", 2, -1, 0);
        row("too long for the engine", "3", "5000", 2, -1, 0);
        row("beyond 32 bits", "1e12", "10", 2, -1, 0);
    }

    void batch() {
        QFETCH(QString, count);
        QFETCH(QString, length);
        QFETCH(int, questions);
        QFETCH(int, passwords);
        QFETCH(int, width);
        TestServices f;
        for (const QString& answer : {count, length}) {
            if (answer == u"<proposed>")
                f.prompts.acceptProposed();
            else if (answer == u"<cancel>")
                f.prompts.cancelInput();
            else
                f.prompts.answerInput(answer);
        }
        clipboard.put(QStringLiteral("before"), Clipboard::Kind::Plain);

        menu_generate_train(f.services, nullptr);

        QCOMPARE(f.prompts.asked.size(), questions);
        const std::tuple<TextId, TextId, const char*> asked[] = {
            {TextId::BatchCountPrompt, TextId::BatchCountTitle, "100"},
            {TextId::BatchLengthPrompt, TextId::BatchLengthTitle, "10"}};
        for (int i = 0; i < questions; ++i) {
            const auto& [prompt, title, initial] = asked[i];
            QCOMPARE(f.prompts.asked[i].prompt, T(prompt));
            QCOMPARE(f.prompts.asked[i].title, T(title));
            QCOMPARE(f.prompts.asked[i].initial, QLatin1String(initial));
        }
        QVERIFY(!QGuiApplication::overrideCursor()); // the busy pointer is gone whatever happened
        if (passwords < 0) {
            QCOMPARE(f.shown(), QStringList{T(TextId::BatchIntro)});
            QCOMPARE(clipboard.text(), QStringLiteral("before"));
            return;
        }
        QCOMPARE(f.shown(), QStringList({T(TextId::BatchIntro), T(TextId::BatchCopied)}));
        QVERIFY(clipboard.holdsSecretHint());
        const QStringList lines = clipboard.text().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), passwords + 1);
        QCOMPARE(lines.last(), QString()); // every line ends with CR LF, the last one too
        for (qsizetype i = 0; i + 1 < lines.size(); ++i)
            QCOMPARE(lines[i].size(), width);
    }
};

QTEST_MAIN(TestTools)
#include "tst_tools.moc"
