#include "PlainBuffer.h"

#include <sodium.h>

#include <new>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr size_t kHugePage = size_t(2) << 20;

} // namespace

PlainBuffer::PlainBuffer(size_t size) {
    if (size == 0)
        return;
    const size_t page = size_t(::sysconf(_SC_PAGESIZE));
    if (size > SIZE_MAX - kHugePage)
        throw std::bad_alloc();
    mapped_ = (size + page - 1) / page * page;
    void* p = ::mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) {
        mapped_ = 0;
        throw std::bad_alloc();
    }
    data_ = static_cast<quint8*>(p);
    size_ = size;
    // Each of these may be refused (an old kernel, a memory lock limit): the buffer works without.
    if (mapped_ >= kHugePage)
        ::madvise(p, mapped_, MADV_HUGEPAGE);
    ::madvise(p, mapped_, MADV_DONTDUMP);
#ifdef MADV_WIPEONFORK
    ::madvise(p, mapped_, MADV_WIPEONFORK);
#endif
    // Locked pages are faulted in at once; otherwise ask for that, which is cheaper than a fault
    // per page while the file is read into it.
    if (::mlock(p, mapped_) != 0) {
#ifdef MADV_POPULATE_WRITE
        ::madvise(p, mapped_, MADV_POPULATE_WRITE);
#endif
    }
}

PlainBuffer::PlainBuffer(PlainBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, 0)) {}

PlainBuffer& PlainBuffer::operator=(PlainBuffer&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapped_ = std::exchange(other.mapped_, 0);
    }
    return *this;
}

void PlainBuffer::release() {
    if (!data_)
        return;
    sodium_memzero(data_, size_);
    ::munlock(data_, mapped_);
    ::munmap(data_, mapped_);
    data_ = nullptr;
    size_ = 0;
    mapped_ = 0;
}
