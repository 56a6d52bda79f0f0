#include "SharedForm.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

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
    SharedForm& form_ = SharedForm::instance();

private slots:
    void init() { form_.clearHistory(); }
    void cleanup() { form_.hideAll(); }

    void returnsAtOnceAndLeavesTheFocusAlone() {
        QWidget window;
        auto* edit = new QLineEdit(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), edit);
        form_.ShowPopUpMessage(QStringLiteral("File saved"), 10, 0);
        // On screen before any event is processed: the call did not wait for anything.
        QVERIFY(noticeOnScreen(QStringLiteral("File saved")));
        QApplication::processEvents();
        QCOMPARE(QApplication::focusWidget(), edit);
        QCOMPARE(QApplication::activeWindow(), &window);
    }

    void stackedNoticesGoEachAfterItsTime() {
        for (int kind : {1, 3, -1}) // only kinds 0 and 2 show anything
            form_.ShowPopUpMessage(QStringLiteral("other kind"), 10, kind);
        form_.ShowPopUpMessage(QStringLiteral("long"), 10, 2);
        QLabel* older = noticeOnScreen(QStringLiteral("long"));
        QVERIFY(older);
        const QRect corner = older->geometry();
        form_.ShowPopUpMessage(QStringLiteral("short"), 1, 0);
        QLabel* newer = noticeOnScreen(QStringLiteral("short"));
        QVERIFY(newer);
        QCOMPARE(form_.history(), QStringList({"long", "short"}));
        // The newest takes the corner; the older one moves up out of its way.
        QCOMPARE(newer->geometry().bottom(), corner.bottom());
        QVERIFY(older->geometry().bottom() < newer->geometry().top());
        QTRY_VERIFY_WITH_TIMEOUT(!noticeOnScreen(QStringLiteral("short")), 3000);
        QVERIFY(older->isVisible());
        QTRY_COMPARE(older->geometry(), corner); // the gap closes
    }
};

QTEST_MAIN(TestNotices)
#include "tst_notices.moc"
