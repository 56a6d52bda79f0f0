#include "FreedSecrets.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/uio.h>
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

// Memory mapped apart from the heap (the vault engine keeps a whole decrypted file so) is searched as
// it is unmapped, and anonymous mappings count as allocations that can be made to fail.
void* mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset) noexcept {
    if ((flags & MAP_ANONYMOUS) && gFailAfter.load(std::memory_order_relaxed) >= 0 &&
        gFailAfter.fetch_sub(1) == 0) {
        gFailed = true;
        errno = ENOMEM;
        return MAP_FAILED;
    }
    return reinterpret_cast<void*>(::syscall(SYS_mmap, address, length, protection, flags, fd, offset));
}

int munmap(void* address, size_t length) noexcept {
    if (address && gWatching.load(std::memory_order_relaxed)) {
        ++gFrees;
        // Read through the kernel, which refuses pages that cannot be read (guard pages) instead
        // of faulting; chunks overlap by the secret's length so none is missed at an edge.
        static char chunk[1 << 16];
        const size_t step = sizeof chunk - 2 * gLength;
        bool found = false;
        for (size_t at = 0; at < length && !found; at += step) {
            const size_t n = std::min(sizeof chunk, length - at);
            size_t got = 0;
            while (got < n) { // past a page that cannot be read, on to the next one
                const iovec local{chunk + got, n - got},
                    remote{static_cast<char*>(address) + at + got, n - got};
                const ssize_t read = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
                if (read > 0) {
                    got += size_t(read);
                    continue;
                }
                const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
                const uintptr_t here = reinterpret_cast<uintptr_t>(address) + at + got;
                const size_t skipped = std::min(n - got, size_t((here / page + 1) * page - here));
                std::memset(chunk + got, 0, skipped);
                got += skipped;
            }
            found = memmem(chunk, n, gUtf8, gLength) || memmem(chunk, n, gUtf16, 2 * gLength);
        }
        if (found)
            ++gHits;
    }
    return int(::syscall(SYS_munmap, address, length));
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
