#pragma once

#include <QString>
#include <QtGlobal>

#include <cstddef>

// A fixed seed and our own generator (splitmix64), so every machine builds the same vaults.
class Rng {
public:
    explicit Rng(quint64 seed) : state_(seed) {}
    quint64 next() {
        quint64 z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return int(next() % quint64(n)); }
    template <size_t N> QString pick(const char* const (&list)[N]) {
        return QString::fromUtf8(list[below(int(N))]);
    }

private:
    quint64 state_;
};
