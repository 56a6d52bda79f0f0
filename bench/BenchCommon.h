#pragma once

// What the benchmarks share: timing, medians, and the floor every figure is set against.

#include <QtGlobal>

#include <sodium.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace BenchCommon {

using Clock = std::chrono::steady_clock;

template <typename F> double timeMs(F&& f) {
    const auto start = Clock::now();
    f();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The floor for opening: authenticated decryption of as many bytes as the payload, into a buffer
// that is already mapped; the median of `runs`.
inline double rawDecryptMs(qint64 payloadBytes, int runs) {
    unsigned char key[crypto_aead_xchacha20poly1305_ietf_KEYBYTES];
    unsigned char nonce[crypto_aead_xchacha20poly1305_ietf_NPUBBYTES];
    crypto_aead_xchacha20poly1305_ietf_keygen(key);
    randombytes_buf(nonce, sizeof nonce);
    const size_t bytes = size_t(payloadBytes);
    std::vector<unsigned char> plain(bytes);
    std::vector<unsigned char> sealed(bytes + crypto_aead_xchacha20poly1305_ietf_ABYTES);
    randombytes_buf(plain.data(), plain.size());
    unsigned long long sealedBytes = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(sealed.data(), &sealedBytes, plain.data(), plain.size(),
                                               nullptr, 0, nullptr, nonce, key);
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        times.push_back(timeMs([&] {
            unsigned long long plainBytes = 0;
            if (crypto_aead_xchacha20poly1305_ietf_decrypt(plain.data(), &plainBytes, nullptr, sealed.data(),
                                                           sealedBytes, nullptr, 0, nonce, key) != 0) {
                std::fprintf(stderr, "raw decryption failed\n");
                std::exit(1);
            }
        }));
    }
    return median(times);
}

} // namespace BenchCommon
