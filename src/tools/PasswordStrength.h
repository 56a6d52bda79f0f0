#pragma once

#include <QString>

// Eight bits a character. 64 bits wide, so no text a box can hold gives a negative count.
qint64 PasswordBits(const QString& password);

// The rating 0 to 100 from the length alone: the bits against 128, so 6.25 points a character
// rounded down, full from 16 characters on.
int PasswordStrength(const QString& password);
