#pragma once

// The vault keeps its texts as the UTF-8 they are stored in and converts a text only when it is
// read. These run on every text of every listing, search and open, so they stay inline.

#include <QtGlobal>

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Utf8 {

// Whether the bytes are well-formed UTF-8: no overlong forms, no surrogates, nothing past
// U+10FFFF, no sequence cut short.
bool valid(const quint8* p, size_t n);

// Whether the bytes are all ASCII, and so valid. It reads up to 15 bytes past p + n, which must be
// readable: short texts are then one load and one test each.
inline bool ascii(const quint8* p, size_t n) {
#if defined(__SSE2__)
    for (; n >= 16; p += 16, n -= 16) {
        if (_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))) != 0)
            return false;
    }
    return n == 0 || (unsigned(_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)))) &
                      ((1u << n) - 1)) == 0;
#else
    for (size_t i = 0; i < n; ++i) {
        if (p[i] >= 0x80)
            return false;
    }
    return true;
#endif
}

// Decodes checked UTF-8 (see valid) into out, which has room for n units (UTF-16 never takes
// more units than UTF-8 takes bytes); returns the end.
// Every character is kept, a leading U+FEFF too.
inline char16_t* decode(const quint8* p, size_t n, char16_t* out) {
    const quint8* end = p + n;
    while (p < end) {
#if defined(__SSE2__)
        // Runs of ASCII, the bulk of most texts, sixteen at a time.
        while (end - p >= 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            if (_mm_movemask_epi8(bytes) != 0)
                break;
            const __m128i zero = _mm_setzero_si128();
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(bytes, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(bytes, zero));
            p += 16;
            out += 16;
        }
        if (end - p >= 8) {
            const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
            if ((_mm_movemask_epi8(bytes) & 0xFF) == 0) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                                 _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
                p += 8;
                out += 8;
                continue;
            }
        }
        if (p == end)
            break;
#endif
        const quint8 b = *p;
        if (b < 0x80) {
            *out++ = b;
            ++p;
        } else if (b < 0xE0) {
            *out++ = char16_t(((b & 0x1F) << 6) | (p[1] & 0x3F));
            p += 2;
        } else if (b < 0xF0) {
            *out++ = char16_t(((b & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
            p += 3;
        } else {
            const char32_t c =
                (char32_t(b & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
            *out++ = char16_t(0xD7C0 + (c >> 10));
            *out++ = char16_t(0xDC00 | (c & 0x3FF));
            p += 4;
        }
    }
    return out;
}

// The code point at p in checked UTF-8, and p moved past it.
inline char32_t next(const quint8*& p) {
    const quint8 b = *p;
    if (b < 0x80) {
        ++p;
        return b;
    }
    if (b < 0xE0) {
        const char32_t c = ((b & 0x1F) << 6) | (p[1] & 0x3F);
        p += 2;
        return c;
    }
    if (b < 0xF0) {
        const char32_t c = ((b & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F);
        p += 3;
        return c;
    }
    const char32_t c =
        (char32_t(b & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
    p += 4;
    return c;
}

// The code point that ends just before p, and p moved onto its first byte.
inline char32_t previous(const quint8*& p) {
    const quint8* q = p - 1;
    while ((*q & 0xC0) == 0x80)
        --q;
    const quint8* start = q;
    const char32_t c = next(q);
    p = start;
    return c;
}

// Bytes of the UTF-8 that encode writes for n units of UTF-16.
inline size_t encodedSize(const char16_t* p, size_t n) {
    size_t bytes = 0;
    for (size_t i = 0; i < n; ++i) {
        const char16_t c = p[i];
        if (c < 0x80)
            bytes += 1;
        else if (c < 0x800)
            bytes += 2;
        else if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] < 0xE000)
            bytes += 4, ++i;
        else
            bytes += 3;
    }
    return bytes;
}

// UTF-16 as UTF-8, a surrogate without its other half as U+FFFD (as Qt's own encoder writes it);
// returns the end.
inline quint8* encode(const char16_t* p, size_t n, quint8* out) {
    for (size_t i = 0; i < n; ++i) {
        char32_t c = p[i];
        if (c < 0x80) {
            *out++ = quint8(c);
            continue;
        }
        if (c < 0x800) {
            *out++ = quint8(0xC0 | (c >> 6));
            *out++ = quint8(0x80 | (c & 0x3F));
            continue;
        }
        if (c >= 0xD800 && c < 0xE000) {
            if (c < 0xDC00 && i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (p[++i] - 0xDC00);
                *out++ = quint8(0xF0 | (c >> 18));
                *out++ = quint8(0x80 | ((c >> 12) & 0x3F));
                *out++ = quint8(0x80 | ((c >> 6) & 0x3F));
                *out++ = quint8(0x80 | (c & 0x3F));
                continue;
            }
            c = 0xFFFD;
        }
        *out++ = quint8(0xE0 | (c >> 12));
        *out++ = quint8(0x80 | ((c >> 6) & 0x3F));
        *out++ = quint8(0x80 | (c & 0x3F));
    }
    return out;
}

} // namespace Utf8
