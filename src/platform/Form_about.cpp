#include "Form_about.h"

#include "Funzioni.h"
#include "Product.h"
#include "TextCatalog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <functional>

namespace {

// Turns a left click released over a label into a call, like a command button's click.
class LabelClicks final : public QObject {
public:
    LabelClicks(QObject* parent, std::function<void(QLabel*)> clicked)
        : QObject(parent), clicked_(std::move(clicked)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease) {
            auto* label = qobject_cast<QLabel*>(watched);
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (label && mouse->button() == Qt::LeftButton &&
                label->rect().contains(mouse->position().toPoint()))
                clicked_(label);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(QLabel*)> clicked_;
};

// Our logo: a shield with a key on it, drawn here so the program ships no picture files for it.
QPixmap drawLogo(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;

    QPainterPath shield;
    shield.moveTo(s * 0.5, s * 0.04);
    shield.lineTo(s * 0.9, s * 0.18);
    shield.cubicTo(s * 0.9, s * 0.58, s * 0.72, s * 0.82, s * 0.5, s * 0.96);
    shield.cubicTo(s * 0.28, s * 0.82, s * 0.1, s * 0.58, s * 0.1, s * 0.18);
    shield.closeSubpath();
    QLinearGradient fill(0, 0, 0, s);
    fill.setColorAt(0, QColor(0x3a, 0x7b, 0xd5));
    fill.setColorAt(1, QColor(0x1b, 0x3f, 0x7a));
    p.setPen(QPen(QColor(0x12, 0x2b, 0x55), s * 0.03));
    p.setBrush(fill);
    p.drawPath(shield);

    // The key: a ring, a shaft and two teeth, in white.
    p.setPen(QPen(Qt::white, s * 0.07, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(s * 0.5, s * 0.32), s * 0.11, s * 0.11);
    p.drawLine(QPointF(s * 0.5, s * 0.43), QPointF(s * 0.5, s * 0.78));
    p.drawLine(QPointF(s * 0.5, s * 0.62), QPointF(s * 0.6, s * 0.62));
    p.drawLine(QPointF(s * 0.5, s * 0.72), QPointF(s * 0.62, s * 0.72));
    return pixmap;
}

} // namespace

Form_about::Form_about(QWidget* owner, const QString& language, LinkOpener& links)
    : QDialog(owner), links_(links) {
    setObjectName(QStringLiteral("Form_about"));
    setAttribute(Qt::WA_DeleteOnClose); // the next About loads afresh
    setModal(false);
    setWindowTitle(QStringLiteral("About Vantrel"));

    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("Image_Logo"));
    logo->setPixmap(drawLogo(72));
    logo->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    for (int i = 0; i < 5; ++i) {
        labels_[i] = new QLabel(this);
        labels_[i]->setObjectName(QStringLiteral("Labels_%1").arg(i));
        labels_[i]->setTextFormat(Qt::PlainText);
    }
    QFont title = labels_[0]->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.5);
    labels_[0]->setFont(title);
    labels_[0]->setText(Product::name());
    labels_[2]->setText(QStringLiteral("Developed by:"));
    labels_[3]->setToolTip(QStringLiteral("Click here to open web site"));
    labels_[4]->setToolTip(QStringLiteral("Click here to send us an email"));
    for (int i : {3, 4}) {
        labels_[i]->setCursor(Qt::PointingHandCursor);
        labels_[i]->setStyleSheet(QStringLiteral("color: #1a5fb4; text-decoration: underline;"));
    }
    auto* clicks = new LabelClicks(this, [this](QLabel* label) {
        for (int i = 0; i < 5; ++i) {
            if (labels_[i] == label)
                Labels_Click(i);
        }
    });
    for (QLabel* label : labels_)
        label->installEventFilter(clicks);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command_OK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QWidget::close);

    auto* text = new QVBoxLayout;
    text->addWidget(labels_[0]);
    text->addWidget(labels_[1]);
    text->addSpacing(12);
    text->addWidget(labels_[2]);
    text->addWidget(labels_[3]);
    text->addWidget(labels_[4]);
    text->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(logo);
    top->addSpacing(16);
    top->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    languageCatalog().ApplyTexts(QStringLiteral("Vantrel"), this, language);

    // Set after the catalog's texts so these always win.
    labels_[1]->setText(Text(TextId::Version) + QLatin1Char(' ') + Product::version());
    labels_[0]->setText(Product::name());
    labels_[3]->setText(Product::webAddress());
    labels_[4]->setText(Product::emailAddress());
}

void Form_about::Labels_Click(int index) {
    if (index == 3)
        OpenLink(links_, QStringLiteral("http://") + Product::webAddress());
    else if (index == 4)
        OpenLink(links_, QStringLiteral("mailto:") + Product::emailAddress());
}

QLabel* Form_about::label(int index) const {
    return index >= 0 && index < 5 ? labels_[index] : nullptr;
}
