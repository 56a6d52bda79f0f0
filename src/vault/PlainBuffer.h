#pragma once

#include <QtGlobal>

#include <cstddef>

// Memory for a whole vault file and its decrypted payload: mapped apart from the heap, kept out of
// core dumps, out of forked children and off swap where the system allows it, and overwritten
// before it is given back. Huge pages make the first touch of 50 MB cost a few dozen page faults
// rather than twelve thousand.
class PlainBuffer {
public:
    PlainBuffer() = default;
    explicit PlainBuffer(size_t size); // throws std::bad_alloc
    ~PlainBuffer() { release(); }
    PlainBuffer(PlainBuffer&& other) noexcept;
    PlainBuffer& operator=(PlainBuffer&& other) noexcept;
    PlainBuffer(const PlainBuffer&) = delete;
    PlainBuffer& operator=(const PlainBuffer&) = delete;

    quint8* data() const { return data_; }
    size_t size() const { return size_; }
    bool isEmpty() const { return size_ == 0; }
    // Wipes the bytes and gives the memory back.
    void release();

private:
    quint8* data_ = nullptr;
    size_t size_ = 0;
    size_t mapped_ = 0;
};
