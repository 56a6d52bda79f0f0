#include "PasswordGenerator.h"

#include "VaultEngine.h"

#include <sodium.h>

#include <algorithm>
#include <string>

QString generatePassword(int length) {
    if (length < 0 || length > MaxPasswordLength)
        throw VaultError("A password must be from 0 to 4096 characters long");
    static constexpr char16_t kUpper[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    static constexpr char16_t kLower[] = u"abcdefghijklmnopqrstuvwxyz";
    static constexpr char16_t kDigits[] = u"0123456789";
    static constexpr char16_t kSymbols[] = u"!#$%&()*+-./:;<=>?@[]^_{}~";
    static const std::u16string kAll = std::u16string(kUpper) + kLower + kDigits + kSymbols;
    auto classOf = [](char16_t c) {
        if (c >= 'A' && c <= 'Z')
            return 0;
        if (c >= 'a' && c <= 'z')
            return 1;
        if (c >= '0' && c <= '9')
            return 2;
        return 3;
    };
    QString password(length, Qt::Uninitialized);
    // Draw uniformly until every class is present: unbiased over the acceptable passwords.
    while (true) {
        int seen = 0;
        for (int i = 0; i < length; ++i) {
            const char16_t c = kAll[randombytes_uniform(quint32(kAll.size()))];
            password[i] = QChar(c);
            seen |= 1 << classOf(c);
        }
        if (length < 4 || seen == 0xF)
            return password;
    }
}

QStringList generatePasswords(int count, int length) {
    if (count < 0 || count > MaxPasswordCount)
        throw VaultError("From 0 to 1,000,000 passwords can be made at once");
    if (qint64(count) * std::max(length, 0) > MaxGeneratedChars)
        throw VaultError("Too many characters asked for at once");
    QStringList out;
    out.reserve(count);
    for (int i = 0; i < count; ++i)
        out.append(generatePassword(length));
    return out;
}
