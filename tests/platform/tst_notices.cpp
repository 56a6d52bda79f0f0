#include "SharedForm.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

namespace {
QLabel* noticeOnScreen(const QString& text) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* label = qobject_cast<QLabel*>(w); label && label->isVisible() && label->text() == text)
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
        QVERIFY(noticeOnScreen(QStringLiteral("File saved")));
        QApplication::processEvents();
        QCOMPARE(QApplication::focusWidget(), edit);
        QCOMPARE(QApplication::activeWindow(), &window);
    }

    void stackedNoticesGoEachAfterItsTime() {
        auto notices = std::make_unique<SharedForm>();
        for (int kind : {1, 3, -1}) // only kinds 0 and 2 show anything
            notices->ShowPopUpMessage(QStringLiteral("other kind"), 10, kind);
        notices->ShowPopUpMessage(QStringLiteral("long"), 10, 2);
        QLabel* older = noticeOnScreen(QStringLiteral("long"));
        QVERIFY(older);
        const QRect corner = older->geometry();
        notices->ShowPopUpMessage(QStringLiteral("short"), 1, 0);
        QLabel* newer = noticeOnScreen(QStringLiteral("short"));
        QVERIFY(newer);
        QCOMPARE(notices->visibleMessages(), QStringList({"long", "short"}));
        // The newest takes the corner; the older one moves up out of its way.
        QCOMPARE(newer->geometry().bottom(), corner.bottom());
        QVERIFY(older->geometry().bottom() < newer->geometry().top());

        // Each keeps its own time; the short one's second is made to pass at once.
        QCOMPARE(older->findChild<QTimer*>()->interval(), 10000);
        QTimer* timer = newer->findChild<QTimer*>();
        QCOMPARE(timer->interval(), 1000);
        timer->start(0);
        QTRY_VERIFY(!noticeOnScreen(QStringLiteral("short")));
        QVERIFY(older->isVisible());
        QTRY_COMPARE(older->geometry(), corner); // the gap closes

        notices.reset(); // notices go with their host
        QVERIFY(!noticeOnScreen(QStringLiteral("long")));
    }
};

QTEST_MAIN(TestNotices)
#include "tst_notices.moc"
