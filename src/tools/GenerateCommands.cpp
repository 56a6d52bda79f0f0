#include "GenerateCommands.h"

#include "AppServices.h"
#include "Clipboard.h"
#include "Funzioni.h"
#include "Prompts.h"
#include "SharedForm.h"
#include "TextCatalog.h"

#include <QCursor>
#include <QGuiApplication>

namespace {

constexpr int kSingleLength = 10;

// The busy pointer for as long as it lives, whichever way the command ends.
struct BusyPointer {
    BusyPointer() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~BusyPointer() { QGuiApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

// The leading number of the answer; a cancelled question counts as an empty answer.
double askNumber(AppServices& services, QWidget* parent, TextId prompt, TextId title,
                 const QString& initial) {
    QString answer;
    if (!services.prompts.inputBox(parent, Text(prompt), Text(title), initial, answer))
        answer.clear();
    return leadingNumber(answer);
}

} // namespace

QString menu_generate_password(AppServices& services) {
    Clipboard clipboard;
    clipboard.clear();
    try {
        const QString password = services.engine().GeneratePassword(kSingleLength);
        const QString digest = services.engine().DigestText(password);
        clipboard.put(password, Clipboard::Kind::Secret);
        if (clipboard.text() == password)
            return digest;
        clipboard.clear();
    } catch (const VaultError&) {
    }
    services.notices.ShowPopUpMessage(Text(TextId::GenerateFailed), 10, 2);
    return {};
}

QString menu_generate_train(AppServices& services, QWidget* parent) {
    services.notices.ShowPopUpMessage(Text(TextId::BatchIntro), 10, 0);
    const double count =
        askNumber(services, parent, TextId::BatchCountPrompt, TextId::BatchCountTitle, QStringLiteral("100"));
    if (!(count > 0))
        return {};
    const double length = askNumber(services, parent, TextId::BatchLengthPrompt, TextId::BatchLengthTitle,
                                    QStringLiteral("10"));
    if (!(length > 0))
        return {};

    BusyPointer busy;
    const std::optional<qint32> wholeCount = toInt32(count);
    const std::optional<qint32> wholeLength = toInt32(length);
    if (!wholeCount || !wholeLength)
        return {}; // beyond 32 bits
    QStringList passwords;
    try {
        passwords = services.engine().GeneratePasswords(*wholeCount, *wholeLength);
    } catch (const VaultError&) {
        return {}; // more than the engine makes at once
    }
    QString batch;
    batch.reserve(passwords.size() * (*wholeLength + 2));
    for (const QString& password : passwords)
        batch += password + QLatin1String("\r\n");
    // On the clipboard first, so the notice never tells of a batch that did not arrive.
    const QString digest = services.engine().DigestText(batch);
    Clipboard clipboard;
    clipboard.put(batch, Clipboard::Kind::Secret);
    if (clipboard.text() != batch)
        return {};
    services.notices.ShowPopUpMessage(Text(TextId::BatchCopied), 10, 0);
    return digest;
}
