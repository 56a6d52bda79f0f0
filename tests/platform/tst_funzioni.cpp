#include "Doubles.h"
#include "Funzioni.h"

#include <QTest>
#include <QtWidgets>

class TestFunzioni : public QObject {
    Q_OBJECT
private slots:
    // Web and mail addresses reach the desktop, tidied; nothing else does.
    void openLink() {
        const std::pair<const char*, const char*> cases[]{
            {"http://www.vantrel.org/forum?x=1", "http://www.vantrel.org/forum?x=1"},
            {"https://bank.example.com/login", "https://bank.example.com/login"},
            {"HTTP://Example.org/Path", "http://example.org/Path"},
            {"  http://example.org/  ", "http://example.org/"},
            {"www.example.org", "http://www.example.org"},
            {"example.org/path", "http://example.org/path"},
            {"localhost:8080/admin", "http://localhost:8080/admin"},
            {"mailto:a@b.org?subject=Hi", "mailto:a@b.org?subject=Hi"}};
        for (const auto& [target, url] : cases) {
            RecordingLinks links;
            QVERIFY2(OpenLink(links, target), target);
            QCOMPARE(links.opened, QList<QUrl>{QUrl(url)});
        }
        for (const char* target :
             {"", "   ", "javascript:alert(1)", "javascript:mailto()", "file:///etc/passwd", "ftp://x",
              "data:text/html,<b>x</b>", "/etc/passwd", "./run.sh", "@evil.org", "C:\\x", "\\\\server\\share",
              "http://", "http:/etc/passwd", "mailto:", "MAILTO:a@b.org", "http://example.org/mailto"}) {
            RecordingLinks links;
            QVERIFY2(!OpenLink(links, target) && links.opened.isEmpty(), target);
        }
    }

    void stayOnTopKeepsPlaceAndSize() {
        QWidget shown, hidden;
        auto* child = new QWidget(&shown);
        shown.setGeometry(210, 140, 420, 330);
        hidden.setGeometry(50, 60, 200, 100);
        shown.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shown));
        const QRect placed = shown.geometry();
        auto state = [](const QWidget& w) {
            return std::tuple(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint), w.isVisible(),
                              w.geometry());
        };
        for (bool on : {true, false, false}) {
            StayOnTop(child, on); // a control stands for its window
            StayOnTop(&hidden, on);
            QCOMPARE(state(shown), std::tuple(on, true, placed));
            QCOMPARE(state(hidden), std::tuple(on, false, QRect(50, 60, 200, 100)));
        }
    }

    void selectActiveTextInTextBoxesOnly() {
        QWidget window;
        auto* line = new QLineEdit("hello world", &window);
        auto* check = new QCheckBox("My account", &window);
        check->move(0, 40);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        line->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), line);
        line->setCursorPosition(3);
        SelectActiveText();
        QCOMPARE(line->selectedText(), line->text());
        QCOMPARE(line->cursorPosition(), line->text().size()); // the caret ends after the text

        check->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), check);
        line->setSelection(0, 2);
        SelectActiveText();
        QCOMPARE(line->selectedText(), "he");
        QVERIFY(!check->isChecked());
    }

    void lengthFromChoice() {
        const std::pair<const char*, int> choices[] = {
            {"ID:10", 10},   {"ID:100", 100}, {"15", 15},           {"ID:ID:20", 20}, {" ID: 30 chars", 30},
            {"ID:12.9", 12}, {"ID:-2.5", -3}, {"ID:1e3", 1000},     {"ID:", 0},       {"", 0},
            {"ID:0x10", 0},  {"id:15", 0},    {"ID:99999999999", 0}};
        for (const auto& [choice, length] : choices)
            QVERIFY2(LengthFromChoice(QLatin1String(choice)) == length, choice);
    }
};

QTEST_MAIN(TestFunzioni)
#include "tst_funzioni.moc"
