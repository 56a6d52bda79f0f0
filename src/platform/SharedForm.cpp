#include "SharedForm.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

namespace {

constexpr int kMargin = 12; // from the edge of the window or screen

QFont noticeFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (QFontDatabase::families().contains(QStringLiteral("Verdana")))
        font.setFamily(QStringLiteral("Verdana"));
    font.setPointSizeF(8.25);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

QLabel* makeNotice() {
    auto* notice = new QLabel;
    notice->setObjectName(QStringLiteral("PopUpMessage"));
    // A tooltip-type window: no frame, placed where we say, and never activated, so it does not
    // take the focus from what the user is typing in.
    notice->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus);
    notice->setAttribute(Qt::WA_ShowWithoutActivating);
    notice->setFocusPolicy(Qt::NoFocus);
    notice->setFont(noticeFont());
    notice->setTextFormat(Qt::PlainText);
    notice->setWordWrap(true);
    notice->setMargin(10);
    notice->setStyleSheet(QStringLiteral("QLabel#PopUpMessage { background: #fffbe6; color: #202020;"
                                         " border: 1px solid #8a8a8a; }"));
    return notice;
}

// As wide as its longest line needs, within bounds; long texts wrap.
void fitText(QLabel* notice, const QString& text) {
    notice->setText(text);
    const QFontMetrics metrics(notice->font());
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = qMax(widest, metrics.horizontalAdvance(line));
    const int width = qBound(200, widest + 2 * notice->margin() + 8, 380);
    notice->resize(width, notice->heightForWidth(width));
}

} // namespace

SharedForm::SharedForm() : timer_(this) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &SharedForm::hideAll);
}

SharedForm::~SharedForm() {
    delete notice_.data();
}

void SharedForm::setAnchor(QWidget* window) {
    anchor_ = window;
}

void SharedForm::ShowPopUpMessage(const QString& Message, int Secs, int KindMessage) {
    if (KindMessage != 0 && KindMessage != 2)
        return;
    if (!notice_)
        notice_ = makeNotice();
    fitText(notice_, Message);
    place();
    notice_->show();
    notice_->raise();
    timer_.start(qBound(0, Secs, 86400) * 1000); // no int overflow
    emit messageShown(Message);
}

QStringList SharedForm::visibleMessages() const {
    return notice_ && notice_->isVisible() ? QStringList{notice_->text()} : QStringList();
}

void SharedForm::hideMessage(const QString& text) {
    if (notice_ && notice_->isVisible() && notice_->text() == text)
        hideAll();
}

void SharedForm::hideAll() {
    timer_.stop();
    if (notice_)
        notice_->hide();
}

// At the bottom-right corner of the main window when it is on screen, else of the screen's
// available area; always kept inside the screen.
void SharedForm::place() {
    QWidget* anchor = anchor_ && anchor_->isVisible() && !anchor_->isMinimized() ? anchor_.data() : nullptr;
    const QScreen* screen = anchor ? anchor->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QRect corner = anchor ? anchor->frameGeometry() : area;
    const QSize size = notice_->size();
    QPoint at(corner.right() - kMargin - size.width() + 1, corner.bottom() - kMargin - size.height() + 1);
    at.setX(qBound(area.left(), at.x(), area.right() - size.width() + 1));
    at.setY(qBound(area.top(), at.y(), area.bottom() - size.height() + 1));
    notice_->move(at);
}
