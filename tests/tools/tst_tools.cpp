// The password tools on the real engine: the strength rating and its bar, the generator
// button, and the two generate commands with scripted answers.

#include "Clipboard.h"
#include "GenerateCommands.h"
#include "GeneratorButton.h"
#include "PasswordStrength.h"
#include "StrengthBar.h"
#include "TestServices.h"

#include <QTest>
#include <QtWidgets>

class TestTools : public QObject {
    Q_OBJECT
    Clipboard clipboard;

private slots:
    void initTestCase() { useTestTexts(); }

    void strength() {
        // length, rating, bits; past 16 bits still positive
        const std::tuple<int, int, qint64> rows[] = {
            {0, 0, 0},      {1, 6, 8},          {2, 12, 16},        {3, 18, 24},           {4, 25, 32},
            {8, 50, 64},    {10, 62, 80},       {12, 75, 96},       {15, 93, 120},         {16, 100, 128},
            {40, 100, 320}, {4095, 100, 32760}, {4096, 100, 32768}, {300000, 100, 2400000}}; // past 16 bits:
                                                                                             // still positive
        for (const auto& [length, rating, bits] : rows) {
            const QString password(length, 'x');
            QCOMPARE(PasswordStrength(password), rating);
            QCOMPARE(PasswordBits(password), bits);
        }
    }

    // Red at the left end and green only at the right: a weak password shows red alone.
    void strengthBarColours() {
        StrengthBar bar;
        bar.resize(200, 6);
        QVERIFY(!bar.isTextVisible());
        auto pixel = [&](int x) { return bar.grab().toImage().pixelColor(x, 3); };
        const QColor empty = pixel(100);
        bar.rate("abcd"); // 25
        QCOMPARE(bar.value(), 25);
        QVERIFY(pixel(0).red() == 255 && pixel(0).green() < 8 && pixel(0).blue() == 0);
        QVERIFY(pixel(47).red() == 255 && pixel(47).green() < 128); // the filled end is still reddish
        QCOMPARE(pixel(60), empty);
        bar.rate(QString(16, 'x'));
        QVERIFY(pixel(198).green() > 240 && pixel(198).red() < 16);
        bar.rate({});
        QCOMPARE(pixel(1), empty);
    }

    void generatorButton() {
        TestServices f;
        QWidget window;
        auto* box = new QLineEdit("old", &window);
        auto* other = new QLineEdit(&window);
        auto* button = new GeneratorButton(f.services, box, &window);
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
        clipboard.put("before", Clipboard::Kind::Plain);
        const QString digest = menu_generate_password(f.services);
        QCOMPARE(clipboard.text().size(), 10);
        QCOMPARE(digest, f.engine().DigestText(clipboard.text())); // for the timed wipe
        QVERIFY(clipboard.holdsSecretHint());
        QVERIFY(f.shown().isEmpty());
    }

    // The batch command asks for a count, then a length; any answer that is not a usable number
    // ends it without a word, and nothing reaches the clipboard.
    void batch() {
        const QStringList questions{
            T(TextId::BatchCountTitle) + ": " + T(TextId::BatchCountPrompt) + " [100]",
            T(TextId::BatchLengthTitle) + ": " + T(TextId::BatchLengthPrompt) + " [10]"};
        // The answers to the count and the length questions ("OK" takes what the box offers, "Esc"
        // cancels), the questions asked, the passwords made (-1: ended without a word) and their
        // width. Halves round to even; 0.4 asks the length and makes none; 2000000 is more than
        // the engine makes at once, 5000 too long for it, and 1e12 beyond 32 bits.
        const std::tuple<QString, QString, int, int, int> rows[] = {
            {"OK", "OK", 2, 100, 10},    {"2.5", "7", 2, 2, 7},   {"3.5", " 12 chars", 2, 4, 12},
            {"0.4", "5", 2, 0, 0},       {"Esc", "5", 1, -1, 0},  {"", "5", 1, -1, 0},
            {"0", "5", 1, -1, 0},        {"-3", "5", 1, -1, 0},   {"many", "5", 1, -1, 0},
            {"5", "Esc", 2, -1, 0},      {"5", "0", 2, -1, 0},    {"5", "long", 2, -1, 0},
            {"2000000", "10", 2, -1, 0}, {"3", "5000", 2, -1, 0}, {"1e12", "10", 2, -1, 0}};
        for (const auto& [count, length, asked, passwords, width] : rows) {
            TestServices f;
            for (const QString& answer : {count, length}) {
                if (answer == u"OK")
                    f.prompts.acceptProposed();
                else if (answer == u"Esc")
                    f.prompts.cancelInput();
                else
                    f.prompts.answerInput(answer);
            }
            clipboard.put("before", Clipboard::Kind::Plain);
            const QString digest = menu_generate_train(f.services, nullptr);

            QStringList seen;
            for (const ScriptedPrompts::Asked& a : f.prompts.asked)
                seen << a.title + ": " + a.prompt + " [" + a.initial + "]";
            QCOMPARE(seen, questions.mid(0, asked));
            QVERIFY(!QGuiApplication::overrideCursor()); // the busy pointer is gone whatever happened
            if (passwords < 0) {
                QCOMPARE(f.shown(), QStringList{T(TextId::BatchIntro)});
                QVERIFY(clipboard.text() == "before" && digest.isEmpty());
                continue;
            }
            QCOMPARE(f.shown(), QStringList({T(TextId::BatchIntro), T(TextId::BatchCopied)}));
            QVERIFY(clipboard.holdsSecretHint() && digest == f.engine().DigestText(clipboard.text()));
            const QStringList lines = clipboard.text().split("\r\n");
            QCOMPARE(lines.size(), passwords + 1);
            QCOMPARE(lines.last(), QString()); // every line ends with CR LF, the last one too
            for (qsizetype i = 0; i + 1 < lines.size(); ++i)
                QCOMPARE(lines[i].size(), width);
        }
    }
};

QTEST_MAIN(TestTools)
#include "tst_tools.moc"
