#include "Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {
const QString kHint = QStringLiteral("x-kde-passwordManagerHint");

QClipboard* systemClipboard() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard()
                                                                        : nullptr;
}
} // namespace

void Clipboard::put(const QString& text, Kind kind) {
    QClipboard* clipboard = systemClipboard();
    if (!clipboard)
        return;
    clipboard->clear();
    auto* data = new QMimeData;
    data->setText(text);
    if (kind == Kind::Secret)
        data->setData(kHint, QByteArrayLiteral("secret"));
    clipboard->setMimeData(data); // the clipboard owns it
}

void Clipboard::clear() {
    if (QClipboard* clipboard = systemClipboard())
        clipboard->clear();
}

QString Clipboard::text() const {
    QClipboard* clipboard = systemClipboard();
    return clipboard ? clipboard->text() : QString();
}

bool Clipboard::holdsSecretHint() const {
    QClipboard* clipboard = systemClipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    return data && data->data(kHint) == "secret";
}
