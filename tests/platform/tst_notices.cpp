#include "SharedForm.h"

#include <QTest>
#include <QtWidgets>

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
    // A notice shows at once, without taking the focus, at the main window's corner; one at a
    // time, each for its own time.
    void oneNoticeAtATimeAtTheMainWindow() {
        auto notices = std::make_unique<SharedForm>();
        QWidget window;
        auto* edit = new QLineEdit(&window);
        window.setGeometry(100, 100, 681, 520);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), edit);
        notices->setAnchor(&window);
        QStringList announced;
        connect(notices.get(), &SharedForm::messageShown, this,
                [&](const QString& text) { announced << text; });
        for (int kind : {1, 3, -1}) // only kinds 0 and 2 show anything
            notices->ShowPopUpMessage("other kind", 10, kind);
        QVERIFY(!noticeOnScreen());
        notices->ShowPopUpMessage("long", 10, 2);
        QVERIFY(noticeOnScreen()); // before any event is processed: the call did not wait
        notices->ShowPopUpMessage("short", 1, 0);
        QCOMPARE(notices->visibleMessages(), QStringList{"short"});
        QCOMPARE(announced, QStringList({"long", "short"}));
        QApplication::processEvents();
        QCOMPARE(QApplication::focusWidget(), edit);
        QCOMPARE(QApplication::activeWindow(), &window);
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

        notices->ShowPopUpMessage("type it again", 50, 0);
        notices->hideMessage("something else");
        QVERIFY(noticeOnScreen());
        notices->hideMessage("type it again");
        QVERIFY(!noticeOnScreen());

        window.hide(); // without the window, the screen's corner
        notices->ShowPopUpMessage("at the screen", 10, 0);
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(area.contains(noticeOnScreen()->geometry()));
        QVERIFY(noticeOnScreen()->geometry().bottom() > area.center().y());
        notices.reset(); // the notice goes with its host
        QVERIFY(!noticeOnScreen());
    }
};

QTEST_MAIN(TestNotices)
#include "tst_notices.moc"
