#include "GeneratorButton.h"

#include "AppServices.h"
#include "Funzioni.h"
#include "TextCatalog.h"
#include "ToolIcons.h"

#include <QLineEdit>
#include <QMenu>

namespace {
const struct {
    const char* id;
    TextId caption;
} kLengths[] = {{"ID:10", TextId::Length10}, {"ID:15", TextId::Length15}, {"ID:20", TextId::Length20},
                {"ID:30", TextId::Length30}, {"ID:50", TextId::Length50}, {"ID:100", TextId::Length100}};
constexpr int kClickLength = 10;
} // namespace

GeneratorButton::GeneratorButton(AppServices& services, QLineEdit* box, QWidget* parent)
    : QToolButton(parent), services_(services), box_(box) {
    setObjectName(QStringLiteral("Command_GeneneratePassword"));
    setPopupMode(QToolButton::MenuButtonPopup);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setIcon(ToolIcons::generator());
    setToolTip(QStringLiteral("Click here for generating a secure password"));
    setMenu(new QMenu(this));
    connect(this, &QToolButton::clicked, this, [this] { generate(kClickLength); });
}

void GeneratorButton::fillLengths() {
    menu()->clear();
    for (const auto& entry : kLengths) {
        QAction* action = menu()->addAction(Text(entry.caption));
        const QString id = QString::fromLatin1(entry.id);
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { generate(LengthFromChoice(id)); });
    }
}

void GeneratorButton::generate(int length) {
    QString password;
    try {
        password = services_.engine().GeneratePassword(length);
    } catch (const VaultError&) {
        return; // the box keeps what it had
    }
    box_->setText(password);
    box_->setFocus(Qt::OtherFocusReason);
    box_->selectAll(); // also when the box had the focus already
}
