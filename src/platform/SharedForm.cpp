#include "SharedForm.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

namespace {

constexpr int kMargin = 12; // from the screen's edge and between stacked notices

QFont noticeFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (QFontDatabase::families().contains(QStringLiteral("Verdana")))
        font.setFamily(QStringLiteral("Verdana"));
    font.setPointSizeF(8.25);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

QLabel* makeNotice(const QString& text) {
    auto* notice = new QLabel;
    notice->setObjectName(QStringLiteral("PopUpMessage"));
    // A tooltip-type window: no frame, placed where we say, and never activated, so it does not
    // take the focus from what the user is typing in.
    notice->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus);
    notice->setAttribute(Qt::WA_ShowWithoutActivating);
    notice->setAttribute(Qt::WA_DeleteOnClose);
    notice->setFocusPolicy(Qt::NoFocus);
    notice->setFont(noticeFont());
    notice->setTextFormat(Qt::PlainText);
    notice->setWordWrap(true);
    notice->setMargin(10);
    notice->setStyleSheet(QStringLiteral("QLabel#PopUpMessage { background: #fffbe6; color: #202020;"
                                         " border: 1px solid #8a8a8a; }"));
    notice->setText(text);
    // As wide as its longest line needs, within bounds; long texts wrap.
    const QFontMetrics metrics(notice->font());
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = qMax(widest, metrics.horizontalAdvance(line));
    const int width = qBound(200, widest + 2 * notice->margin() + 8, 380);
    notice->resize(width, notice->heightForWidth(width));
    return notice;
}

} // namespace

SharedForm::~SharedForm() {
    for (const QPointer<QWidget>& notice : notices_) {
        if (notice) {
            notice->disconnect(this);
            delete notice.data();
        }
    }
}

void SharedForm::ShowPopUpMessage(const QString& Message, int Secs, int KindMessage) {
    if (KindMessage != 0 && KindMessage != 2)
        return;
    QLabel* notice = makeNotice(Message);
    notices_.append(notice);
    // Close the gap once the notice is really gone (it is half torn down while "destroyed" runs).
    connect(notice, &QObject::destroyed, this,
            [this] { QMetaObject::invokeMethod(this, &SharedForm::layoutNotices, Qt::QueuedConnection); });
    auto* timer = new QTimer(notice); // a child, so it goes with its notice
    timer->setSingleShot(true);
    timer->setInterval(qBound(0, Secs, 86400) * 1000); // no int overflow
    connect(timer, &QTimer::timeout, notice, &QWidget::close);
    timer->start();
    layoutNotices();
    notice->show();
}

QStringList SharedForm::visibleMessages() const {
    QStringList texts;
    for (const QPointer<QWidget>& notice : notices_) {
        if (notice && notice->isVisible())
            texts.append(static_cast<QLabel*>(notice.data())->text());
    }
    return texts;
}

void SharedForm::hideAll() {
    const auto notices = notices_;
    for (const QPointer<QWidget>& notice : notices) {
        if (notice)
            notice->close();
    }
}

// Newest notice at the bottom-right corner of the available screen area, older ones above it.
void SharedForm::layoutNotices() {
    notices_.removeIf([](const QPointer<QWidget>& notice) { return notice.isNull(); });
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    int bottom = area.bottom() - kMargin;
    for (qsizetype i = notices_.size() - 1; i >= 0; --i) {
        QWidget* notice = notices_.at(i);
        const QSize size = notice->size();
        notice->move(area.right() - kMargin - size.width() + 1, bottom - size.height() + 1);
        bottom -= size.height() + kMargin / 2;
    }
}
