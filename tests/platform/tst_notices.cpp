#include "SharedForm.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace {
QLabel* noticeOnScreen() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* label = qobject_cast<QLabel*>(w);
            label && label->isVisible() && label->objectName() == "PopUpMessage")
            return label;
    return nullptr;
}
} // namespace

class TestNotices : public QObject {
    Q_OBJECT
private slots:
    void returnsAtOnceAndLeavesTheFocusAlone() {
        SharedForm notices;
        QWidget window;
        auto* edit = new QLineEdit(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), edit);
        notices.ShowPopUpMessage(QStringLiteral("File saved"), 10, 0);
        // On screen before any event is processed: the call did not wait for anything.
        QVERIFY(noticeOnScreen());
        QApplication::processEvents();
        QCOMPARE(QApplication::focusWidget(), edit);
        QCOMPARE(QApplication::activeWindow(), &window);
    }

    // One notice at a time, at the main window's corner, each for its own time.
    void aNewNoticeTakesThePlaceOfTheOneShowing() {
        auto notices = std::make_unique<SharedForm>();
        QWidget window;
        window.setGeometry(100, 100, 681, 520);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        notices->setAnchor(&window);
        QStringList announced;
        connect(notices.get(), &SharedForm::messageShown, this,
                [&](const QString& text) { announced << text; });
        for (int kind : {1, 3, -1}) // only kinds 0 and 2 show anything
            notices->ShowPopUpMessage(QStringLiteral("other kind"), 10, kind);
        QVERIFY(!noticeOnScreen());
        notices->ShowPopUpMessage(QStringLiteral("long"), 10, 2);
        notices->ShowPopUpMessage(QStringLiteral("short"), 1, 0);
        QCOMPARE(notices->visibleMessages(), QStringList{"short"});
        QCOMPARE(announced, QStringList({"long", "short"}));
        const QRect frame = window.frameGeometry();
        const QRect at = noticeOnScreen()->geometry();
        QVERIFY(frame.contains(at));
        QVERIFY(at.right() > frame.center().x() && at.bottom() > frame.center().y());

        // The short one's second is made to pass at once; the long one's ten are not its own.
        QTimer* timer = notices->findChild<QTimer*>();
        QVERIFY(timer);
        QCOMPARE(timer->interval(), 1000);
        timer->start(0);
        QTRY_VERIFY(!noticeOnScreen());

        notices->ShowPopUpMessage(QStringLiteral("type it again"), 50, 0);
        notices->hideMessage(QStringLiteral("something else"));
        QVERIFY(noticeOnScreen());
        notices->hideMessage(QStringLiteral("type it again"));
        QVERIFY(!noticeOnScreen());

        window.hide(); // without the window, the screen's corner
        notices->ShowPopUpMessage(QStringLiteral("at the screen"), 10, 0);
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(area.contains(noticeOnScreen()->geometry()));
        QVERIFY(noticeOnScreen()->geometry().bottom() > area.center().y());
        notices.reset(); // the notice goes with its host
        QVERIFY(!noticeOnScreen());
    }
};

QTEST_MAIN(TestNotices)
#include "tst_notices.moc"
