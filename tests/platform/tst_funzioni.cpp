#include "Doubles.h"
#include "Funzioni.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

class TestFunzioni : public QObject {
    Q_OBJECT
private slots:
    void openLink_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("opened"); // empty: refused, nothing handed on
        const std::pair<const char*, const char*> opened[]{
            {"http://www.vantrel.org/forum?x=1", "http://www.vantrel.org/forum?x=1"},
            {"https://bank.example.com/login", "https://bank.example.com/login"},
            {"HTTP://Example.org/Path", "http://example.org/Path"},
            {"  http://example.org/  ", "http://example.org/"},
            {"www.example.org", "http://www.example.org"},
            {"example.org/path", "http://example.org/path"},
            {"localhost:8080/admin", "http://localhost:8080/admin"},
            {"mailto:a@b.org?subject=Hi", "mailto:a@b.org?subject=Hi"}};
        for (const auto& [target, url] : opened)
            QTest::addRow("'%s'", target) << QString::fromLatin1(target) << QString::fromLatin1(url);
        // Nothing but web and mail addresses reaches the desktop.
        for (const char* refused :
             {"", "   ", "javascript:alert(1)", "javascript:mailto()", "file:///etc/passwd", "ftp://x",
              "data:text/html,<b>x</b>", "/etc/passwd", "./run.sh", "@evil.org", "C:\\x", "\\\\server\\share",
              "http://", "http:/etc/passwd", "mailto:", "MAILTO:a@b.org", "http://example.org/mailto"})
            QTest::addRow("refused '%s'", refused) << QString::fromLatin1(refused) << QString();
    }

    void openLink() {
        QFETCH(QString, target);
        QFETCH(QString, opened);
        RecordingLinks links;
        QCOMPARE(OpenLink(links, target), !opened.isEmpty());
        QCOMPARE(links.opened.size(), opened.isEmpty() ? 0 : 1);
        QCOMPARE(links.opened.value(0).toString(), opened);
    }

    void stayOnTopKeepsPlaceAndSize() {
        QWidget shown;
        QWidget hidden;
        auto* child = new QWidget(&shown);
        shown.setGeometry(210, 140, 420, 330);
        hidden.setGeometry(50, 60, 200, 100);
        shown.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shown));
        const QRect placed = shown.geometry();
        for (bool on : {true, false, false}) {
            StayOnTop(child, on); // a control stands for its window
            StayOnTop(&hidden, on);
            QCOMPARE(shown.windowFlags().testFlag(Qt::WindowStaysOnTopHint), on);
            QCOMPARE(hidden.windowFlags().testFlag(Qt::WindowStaysOnTopHint), on);
            QVERIFY(shown.isVisible());
            QVERIFY(!hidden.isVisible());
            QCOMPARE(shown.geometry(), placed);
            QCOMPARE(hidden.geometry(), QRect(50, 60, 200, 100));
        }
    }

    void selectActiveTextInTextBoxesOnly() {
        QWidget window;
        auto* line = new QLineEdit(QStringLiteral("hello world"), &window);
        auto* check = new QCheckBox(QStringLiteral("My account"), &window);
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
        QCOMPARE(line->selectedText(), QStringLiteral("he"));
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
