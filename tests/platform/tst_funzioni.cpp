#include "Funzioni.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextEdit>
#include <QVBoxLayout>

class TestFunzioni : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { setLinkOpener({}); }
    void openLink_data();
    void openLink();
    void openerFailureIsPassedOver();
    void stayOnTopKeepsPlaceAndSize();
    void selectActiveText();
};

void TestFunzioni::openLink_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("opened"); // empty: refused, nothing handed on

    QTest::newRow("http") << "http://www.vantrel.org/forum?x=1"
                          << "http://www.vantrel.org/forum?x=1";
    QTest::newRow("https") << "https://bank.example.com/login"
                           << "https://bank.example.com/login";
    QTest::newRow("scheme in capitals") << "HTTP://Example.org/Path"
                                        << "http://example.org/Path";
    QTest::newRow("blanks around") << "  http://example.org/  "
                                   << "http://example.org/";
    QTest::newRow("bare host") << "www.example.org"
                               << "http://www.example.org";
    QTest::newRow("bare host and path") << "example.org/path"
                                        << "http://example.org/path";
    QTest::newRow("host and port") << "localhost:8080/admin"
                                   << "http://localhost:8080/admin";
    QTest::newRow("mail") << "mailto:support@vantrel.org"
                          << "mailto:support@vantrel.org";
    QTest::newRow("mail with subject") << "mailto:a@b.org?subject=Hi"
                                       << "mailto:a@b.org?subject=Hi";

    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("blank") << "   "
                           << "";
    QTest::newRow("javascript") << "javascript:alert(1)"
                                << "";
    QTest::newRow("javascript naming mailto") << "javascript:mailto()"
                                              << "";
    QTest::newRow("file url") << "file:///etc/passwd"
                              << "";
    QTest::newRow("ftp") << "ftp://x"
                         << "";
    QTest::newRow("data") << "data:text/html,<b>x</b>"
                          << "";
    QTest::newRow("absolute path") << "/etc/passwd"
                                   << "";
    QTest::newRow("relative path") << "./run.sh"
                                   << "";
    QTest::newRow("drive letter") << "C:\\x"
                                  << "";
    QTest::newRow("share") << "\\\\server\\share"
                           << "";
    QTest::newRow("http without host") << "http://"
                                       << "";
    QTest::newRow("http with a path only") << "http:/etc/passwd"
                                           << "";
    QTest::newRow("empty mail address") << "mailto:"
                                        << "";
    QTest::newRow("mail word in capitals") << "MAILTO:a@b.org"
                                           << "";
    QTest::newRow("web address naming mailto") << "http://example.org/mailto"
                                               << "";
}

void TestFunzioni::openLink() {
    QFETCH(QString, target);
    QFETCH(QString, opened);
    QList<QUrl> handed;
    setLinkOpener([&](const QUrl& url) {
        handed.append(url);
        return true;
    });
    QCOMPARE(OpenLink(target), !opened.isEmpty());
    if (opened.isEmpty()) {
        QVERIFY(handed.isEmpty());
    } else {
        QCOMPARE(handed.size(), 1);
        QCOMPARE(handed.constFirst().toString(), opened);
    }
}

void TestFunzioni::openerFailureIsPassedOver() {
    int calls = 0;
    setLinkOpener([&](const QUrl&) -> bool {
        ++calls;
        throw std::runtime_error("no browser");
    });
    QVERIFY(OpenLink(QStringLiteral("http://example.org")));
    setLinkOpener([&](const QUrl&) {
        ++calls;
        return false;
    });
    QVERIFY(OpenLink(QStringLiteral("mailto:a@b.org")));
    QCOMPARE(calls, 2);
}

void TestFunzioni::stayOnTopKeepsPlaceAndSize() {
    QWidget window;
    window.setGeometry(210, 140, 420, 330);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect placed = window.geometry();

    StayOnTop(&window, true);
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window.isVisible());
    QCOMPARE(window.geometry(), placed);

    StayOnTop(&window, true); // already on top: nothing changes
    QCOMPARE(window.geometry(), placed);

    StayOnTop(&window, false);
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window.isVisible());
    QCOMPARE(window.geometry(), placed);

    // A window not shown yet stays hidden.
    QWidget hidden;
    hidden.setGeometry(50, 60, 200, 100);
    StayOnTop(&hidden, true);
    QVERIFY(hidden.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!hidden.isVisible());
    QCOMPARE(hidden.geometry(), QRect(50, 60, 200, 100));

    StayOnTop(nullptr, true);
}

void TestFunzioni::selectActiveText() {
    QWidget window;
    auto* line = new QLineEdit(QStringLiteral("hello world"), &window);
    auto* plain = new QPlainTextEdit(QStringLiteral("two\nlines"), &window);
    auto* rich = new QTextEdit(&window);
    rich->setPlainText(QStringLiteral("rich text"));
    auto* check = new QCheckBox(QStringLiteral("My account"), &window);
    auto* layout = new QVBoxLayout(&window);
    for (QWidget* w : {static_cast<QWidget*>(line), static_cast<QWidget*>(plain), static_cast<QWidget*>(rich),
                       static_cast<QWidget*>(check)})
        layout->addWidget(w);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    line->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), line);
    line->setCursorPosition(3);
    SelectActiveText();
    QCOMPARE(line->selectedText(), QStringLiteral("hello world"));
    QCOMPARE(line->cursorPosition(), 11);

    plain->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), plain);
    SelectActiveText();
    QCOMPARE(plain->textCursor().selectedText(),
             QStringLiteral("two") + QChar(QChar::ParagraphSeparator) + QStringLiteral("lines"));
    QCOMPARE(plain->textCursor().position(), 9);

    rich->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), rich);
    SelectActiveText();
    QCOMPARE(rich->textCursor().selectedText(), QStringLiteral("rich text"));

    // A check box with the focus: no box anywhere gets its selection changed.
    check->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), check);
    line->setSelection(0, 2);
    SelectActiveText();
    QCOMPARE(line->selectedText(), QStringLiteral("he"));
    QVERIFY(!check->isChecked());
}

QTEST_MAIN(TestFunzioni)
#include "tst_funzioni.moc"
