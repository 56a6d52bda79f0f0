#include "FreedSecrets.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <unistd.h>

namespace {

std::atomic<bool> gWatching{false};
std::atomic<long> gHits{0};
std::atomic<long> gFrees{0};
std::atomic<long> gFailAfter{-1};
std::atomic<bool> gFailed{false};
// Fixed storage: the watch itself must not allocate.
char gUtf8[128];
char gUtf16[256];
size_t gLength = 0;

void watch(const char* secret) {
    gWatching = false;
    gHits = 0;
    gFrees = 0;
    if (!secret)
        return;
    gLength = std::min(std::strlen(secret), sizeof gUtf8 - 1);
    for (size_t i = 0; i < gLength; ++i) {
        gUtf8[i] = secret[i];
        gUtf16[2 * i] = secret[i];
        gUtf16[2 * i + 1] = 0;
    }
    gWatching = gLength > 0;
}

} // namespace

extern "C" {

void freecheck_watch(const char* secret) {
    watch(secret);
}
long freecheck_hits() {
    return gHits;
}
long freecheck_frees() {
    return gFrees;
}
void freecheck_fail_allocation(long skip) {
    gFailed = false;
    gFailAfter = skip;
}
bool freecheck_failed() {
    return gFailed;
}

} // extern "C"

#ifndef __SANITIZE_ADDRESS__

extern "C" {
void* __libc_malloc(size_t);
void __libc_free(void*);

void* malloc(size_t size) noexcept {
    if (gFailAfter.load(std::memory_order_relaxed) >= 0 && gFailAfter.fetch_sub(1) == 0) {
        gFailed = true;
        errno = ENOMEM;
        return nullptr;
    }
    return __libc_malloc(size);
}

void free(void* p) noexcept {
    if (p && gWatching.load(std::memory_order_relaxed)) {
        ++gFrees;
        const size_t size = malloc_usable_size(p);
        if (memmem(p, size, gUtf8, gLength) || memmem(p, size, gUtf16, 2 * gLength))
            ++gHits;
    }
    __libc_free(p);
}

void* calloc(size_t count, size_t size) noexcept {
    if (size && count > SIZE_MAX / size) {
        errno = ENOMEM;
        return nullptr;
    }
    void* p = malloc(count * size);
    if (p)
        std::memset(p, 0, count * size);
    return p;
}

// Always a new block, so that the old one passes through free() and is searched too.
void* realloc(void* p, size_t size) noexcept {
    if (!p)
        return malloc(size);
    if (size == 0) {
        free(p);
        return nullptr;
    }
    void* q = malloc(size);
    if (!q)
        return nullptr;
    std::memcpy(q, p, std::min(size, malloc_usable_size(p)));
    free(p);
    return q;
}

} // extern "C"

namespace {

__attribute__((constructor)) void watchFromEnvironment() {
    if (const char* secret = std::getenv("FREECHECK_SECRET"))
        watch(secret);
}

__attribute__((destructor)) void reportAtExit() {
    const long hits = gHits;
    if (!gWatching || hits == 0)
        return;
    char line[96];
    const int n = snprintf(line, sizeof line, "freecheck: %ld freed blocks held the secret\n", hits);
    const ssize_t ignored = ::write(STDERR_FILENO, line, size_t(n));
    (void)ignored;
}

} // namespace

#endif
