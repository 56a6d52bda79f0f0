#include "AccountRows.h"

#include <sodium.h>

#include <algorithm>
#include <cstring>
#include <utility>

AccountRows::~AccountRows() {
    clear();
}

AccountRows::AccountRows(AccountRows&& other) noexcept
    : rows_(std::move(other.rows_)), text_(std::move(other.text_)), used_(std::exchange(other.used_, 0)),
      capacity_(std::exchange(other.capacity_, 0)), pending_(std::exchange(other.pending_, 0)) {}

AccountRows& AccountRows::operator=(AccountRows&& other) noexcept {
    if (this != &other) {
        clear();
        rows_ = std::move(other.rows_);
        text_ = std::move(other.text_);
        used_ = std::exchange(other.used_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
        pending_ = std::exchange(other.pending_, 0);
    }
    return *this;
}

void AccountRows::clear() {
    rows_.clear();
    if (text_)
        sodium_memzero(text_.get(), capacity_ * sizeof(char16_t));
    text_.reset();
    used_ = capacity_ = pending_ = 0;
}

void AccountRows::reserveText(size_t units) {
    if (units <= capacity_)
        return;
    std::unique_ptr<char16_t[]> grown(new char16_t[units]);
    if (used_)
        std::memcpy(grown.get(), text_.get(), used_ * sizeof(char16_t));
    if (text_)
        sodium_memzero(text_.get(), capacity_ * sizeof(char16_t));
    text_ = std::move(grown);
    capacity_ = units;
}

char16_t* AccountRows::textSpace(size_t units) {
    if (capacity_ - used_ < units)
        reserveText(std::max(capacity_ * 2, used_ + units));
    pending_ = used_;
    return text_.get() + used_;
}

quint32 AccountRows::keepText(char16_t* end) {
    used_ = size_t(end - text_.get());
    return quint32(pending_);
}

void AccountRows::append(qint32 id, qint32 category, QStringView description, QStringView accountName) {
    Row row{id, category, 0, quint32(description.size()), 0, quint32(accountName.size())};
    auto copy = [this](QStringView text) {
        char16_t* at = textSpace(size_t(text.size()));
        std::copy(text.utf16(), text.utf16() + text.size(), at);
        return keepText(at + text.size());
    };
    row.description = copy(description);
    row.accountName = copy(accountName);
    rows_.push_back(row);
}
