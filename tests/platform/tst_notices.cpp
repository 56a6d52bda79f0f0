#include "SharedForm.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QVBoxLayout>

namespace {
QList<QLabel*> noticesOnScreen() {
    QList<QLabel*> found;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* label = qobject_cast<QLabel*>(w);
        if (label && label->isVisible() && label->objectName() == QLatin1String("PopUpMessage"))
            found.append(label);
    }
    return found;
}

QLabel* noticeWithText(const QString& text) {
    for (QLabel* label : noticesOnScreen()) {
        if (label->text() == text)
            return label;
    }
    return nullptr;
}
} // namespace

class TestNotices : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void returnsAtOnceWithoutTakingTheFocus();
    void secondNoticeIsStackedNotLost();
    void noticeGoesAfterItsTime();
    void onlyKindsZeroAndTwoAreShown();
    void lookAndFont();
};

void TestNotices::init() {
    SharedForm::instance().hideAll();
    SharedForm::instance().clearHistory();
    QTRY_VERIFY(noticesOnScreen().isEmpty());
}

void TestNotices::cleanup() {
    SharedForm::instance().hideAll();
}

void TestNotices::returnsAtOnceWithoutTakingTheFocus() {
    QWidget window;
    auto* edit = new QLineEdit(&window);
    (new QVBoxLayout(&window))->addWidget(edit);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), edit);

    SharedForm::instance().ShowPopUpMessage(QStringLiteral("File saved"), 10, 0);
    // Shown before any event is processed: the call did not wait for anything.
    QCOMPARE(SharedForm::instance().visibleMessages(), QStringList{QStringLiteral("File saved")});
    QApplication::processEvents();
    QCOMPARE(QApplication::focusWidget(), edit);
    QCOMPARE(QApplication::activeWindow(), &window);

    QLabel* notice = noticeWithText(QStringLiteral("File saved"));
    QVERIFY(notice);
    QVERIFY(!notice->isModal());
    QVERIFY(notice->windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(notice->testAttribute(Qt::WA_ShowWithoutActivating));

    // Typing goes on in the box while the notice shows.
    QTest::keyClicks(edit, QStringLiteral("abc"));
    QCOMPARE(edit->text(), QStringLiteral("abc"));
}

void TestNotices::secondNoticeIsStackedNotLost() {
    SharedForm& form = SharedForm::instance();
    form.ShowPopUpMessage(QStringLiteral("Save refused"), 10, 2);
    form.ShowPopUpMessage(QStringLiteral("3 accounts"), 10, 0);
    QCOMPARE(form.visibleMessages(),
             (QStringList{QStringLiteral("Save refused"), QStringLiteral("3 accounts")}));
    QCOMPARE(form.history(), (QStringList{QStringLiteral("Save refused"), QStringLiteral("3 accounts")}));

    QLabel* older = noticeWithText(QStringLiteral("Save refused"));
    QLabel* newer = noticeWithText(QStringLiteral("3 accounts"));
    QVERIFY(older && newer);
    QVERIFY(!older->frameGeometry().intersects(newer->frameGeometry()));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(area.contains(older->frameGeometry()));
    QVERIFY(area.contains(newer->frameGeometry()));
    // The newest sits in the bottom-right corner, the older one above it.
    QVERIFY(newer->geometry().bottom() > older->geometry().bottom());
    QVERIFY(newer->geometry().right() > area.center().x());
    QVERIFY(newer->geometry().bottom() > area.center().y());
}

void TestNotices::noticeGoesAfterItsTime() {
    SharedForm& form = SharedForm::instance();
    form.ShowPopUpMessage(QStringLiteral("long"), 10, 0);
    QLabel* longNotice = noticeWithText(QStringLiteral("long"));
    QVERIFY(longNotice);
    const int lowSlot = longNotice->geometry().bottom();
    form.ShowPopUpMessage(QStringLiteral("short"), 1, 0);
    QCOMPARE(form.visibleMessages(), (QStringList{QStringLiteral("long"), QStringLiteral("short")}));
    QVERIFY(longNotice->geometry().bottom() < lowSlot); // pushed up by the newer one

    QTRY_COMPARE_WITH_TIMEOUT(form.visibleMessages(), QStringList{QStringLiteral("long")}, 3000);
    // The gap closes: the remaining notice moves back to the corner.
    QTRY_COMPARE(longNotice->geometry().bottom(), lowSlot);

    form.ShowPopUpMessage(QStringLiteral("instant"), 0, 2);
    QTRY_COMPARE(form.visibleMessages(), QStringList{QStringLiteral("long")});
    QCOMPARE(form.history().size(), 3);
}

void TestNotices::onlyKindsZeroAndTwoAreShown() {
    SharedForm& form = SharedForm::instance();
    for (int kind : {1, 3, -1, 16})
        form.ShowPopUpMessage(QStringLiteral("kind %1").arg(kind), 10, kind);
    QVERIFY(form.visibleMessages().isEmpty());
    QVERIFY(form.history().isEmpty());

    form.ShowPopUpMessage(QString(), 10, 0); // an empty text is still shown
    QCOMPARE(form.visibleMessages(), QStringList{QString()});
}

void TestNotices::lookAndFont() {
    SharedForm& form = SharedForm::instance();
    form.ShowPopUpMessage(QStringLiteral("success"), 10, 0);
    form.ShowPopUpMessage(QStringLiteral("failure"), 10, 2);
    QLabel* success = noticeWithText(QStringLiteral("success"));
    QLabel* failure = noticeWithText(QStringLiteral("failure"));
    QVERIFY(success && failure);

    for (QLabel* notice : {success, failure}) {
        const QFont font = notice->font();
        QCOMPARE(font.pointSizeF(), 8.25);
        QCOMPARE(font.weight(), QFont::Normal);
        QVERIFY(!font.italic());
        const QString wanted = QFontDatabase::families().contains(QStringLiteral("Verdana"))
                                   ? QStringLiteral("Verdana")
                                   : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
        QCOMPARE(font.family(), wanted);
        QVERIFY(!QFontInfo(font).family().isEmpty());
    }
    // Kinds 0 and 2 look alike.
    QCOMPARE(success->styleSheet(), failure->styleSheet());
    QCOMPARE(success->windowFlags(), failure->windowFlags());
    QCOMPARE(success->palette(), failure->palette());
}

QTEST_MAIN(TestNotices)
#include "tst_notices.moc"
