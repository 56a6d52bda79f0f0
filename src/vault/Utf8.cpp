#include "Utf8.h"

namespace Utf8 {

bool valid(const quint8* p, size_t n) {
    const quint8* end = p + n;
    while (p < end) {
        // Skip ASCII, most of any stored text, a word at a time.
        while (end - p >= 8) {
            quint64 word;
            std::memcpy(&word, p, sizeof word);
            word &= 0x8080808080808080ull;
            if (word) {
                if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN)
                    p += __builtin_ctzll(word) / 8; // straight to the first byte that is not ASCII
                break;
            }
            p += 8;
        }
        if (p == end)
            break;
        const quint8 b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        // The second byte's range depends on the first: it rules out overlong forms, the
        // surrogates and code points past U+10FFFF.
        int more = 0;
        quint8 low = 0x80, high = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            more = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2;
            if (b == 0xE0)
                low = 0xA0;
            else if (b == 0xED)
                high = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3;
            if (b == 0xF0)
                low = 0x90;
            else if (b == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (end - p <= more || p[1] < low || p[1] > high)
            return false;
        for (int i = 2; i <= more; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
        }
        p += 1 + more;
    }
    return true;
}

} // namespace Utf8
