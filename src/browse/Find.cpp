#include "Find.h"

#include "AppServices.h"
#include "MainApi.h"
#include "Settings.h"
#include "TextCatalog.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

Find::Find(MainApi& main, QWidget* owner) : QDialog(owner), main_(main) {
    setObjectName(QStringLiteral("Find"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(QStringLiteral("Find accounts"));

    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("Image_Logo"));
    logo->setPixmap(windowIcon().pixmap(48)); // the program's own icon
    auto* label = new QLabel(QStringLiteral("Find what"), this);
    label->setObjectName(QStringLiteral("Labels"));
    Text_ToSearch = new QLineEdit(this);
    Text_ToSearch->setObjectName(QStringLiteral("Text_ToSearch"));
    Text_ToSearch->installEventFilter(this);
    label->setBuddy(Text_ToSearch);

    Command_OK = new QPushButton(QStringLiteral("Find"), this);
    Command_OK->setObjectName(QStringLiteral("Command_OK"));
    Command_OK->setToolTip(QStringLiteral("Click here to confirm your information"));
    Command_OK->setDefault(true);
    Command_Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    Command_Cancel->setObjectName(QStringLiteral("Command_Cancel"));
    Command_Cancel->setToolTip(QStringLiteral("Click here for closing this pop up"));
    connect(Command_OK, &QPushButton::clicked, this, &Find::StartSearch);
    connect(Command_Cancel, &QPushButton::clicked, this, &Find::Command_Cancel_Click);

    auto* entry = new QVBoxLayout;
    entry->addWidget(label);
    entry->addWidget(Text_ToSearch);
    entry->addStretch();
    auto* head = new QHBoxLayout;
    head->addWidget(logo, 0, Qt::AlignTop);
    head->addLayout(entry, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command_OK);
    buttons->addWidget(Command_Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize); // a small box: nothing to gain from resizing it
    Text_ToSearch->setMinimumWidth(280);

    // Load: this window's texts in the stored language.
    languageCatalog().ApplyTexts(QStringLiteral("Vantrel"), this, main_.services().prefs.LanguageUsed());
    Text_ToSearch->setFocus();
}

void Find::StartSearch() {
    const QString text = Text_ToSearch->text().trimmed();
    if (text.isEmpty())
        return; // nothing to look for: the dialog stays
    main_.Find_Account(text);
    close();
}

void Find::Command_Cancel_Click() {
    close();
}

bool Find::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Text_ToSearch) {
        if (event->type() == QEvent::FocusIn) {
            // The box itself: while its window is being activated the application may still name
            // another control as the focused one.
            Text_ToSearch->selectAll();
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                StartSearch();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}
