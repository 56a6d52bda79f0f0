#include "SecureWipe.h"

#include <sodium.h>

void wipe(QByteArray& bytes) {
    if (!bytes.isEmpty() && !bytes.isDetached())
        bytes.detach();
    if (!bytes.isEmpty())
        sodium_memzero(bytes.data(), size_t(bytes.size()));
    bytes.clear();
}

void wipe(QString& text) {
    if (!text.isEmpty() && text.isDetached())
        sodium_memzero(text.data(), size_t(text.size()) * sizeof(QChar));
    text.clear();
}
