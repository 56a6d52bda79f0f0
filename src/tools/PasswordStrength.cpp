#include "PasswordStrength.h"

#include <algorithm>

qint64 PasswordBits(const QString& password) {
    return qint64(password.size()) * 8;
}

int PasswordStrength(const QString& password) {
    // Whole numbers only: bits * 100 / 128 rounds down exactly as the rating asks.
    return int(std::min<qint64>(PasswordBits(password) * 100 / 128, 100));
}
