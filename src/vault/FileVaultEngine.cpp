#include "FileVaultEngine.h"

#include "AccountSearch.h"
#include "AutomationDate.h"
#include "Categories.h"
#include "FoldedOrder.h"
#include "PasswordGenerator.h"
#include "SecureWipe.h"

#include <QDateTime>
#include <QFileInfo>

#include <sodium.h>

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

const int kDescriptionField = stringFieldNumber(&AccountRecord::Description);
const int kAccountNameField = stringFieldNumber(&AccountRecord::AccountName);
const int kPasswordField = stringFieldNumber(&AccountRecord::Password);

// How many accounts ahead of the one at hand the loops over all of them ask for its memory.
constexpr size_t kAhead = 8;

// 100,000 records take about 160 MB: in 2 MB pages the kernel hands them out with a fault per
// 512 of its usual pages, which is most of what filling them costs.
void reserveRecords(AccountRecords& out, size_t count) {
    out.reserve(count);
    constexpr uintptr_t kHugePage = uintptr_t(2) << 20;
    const auto begin = reinterpret_cast<uintptr_t>(out.data());
    const uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t last = (begin + out.capacity() * sizeof(AccountRecord)) & ~(kHugePage - 1);
    if (last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE); // a hint; may be refused
}

double currentAutomationDate() {
    return toAutomationDate(QDateTime::currentDateTime());
}

} // namespace

FileVaultEngine::FileVaultEngine(KdfLimits newFileLimits)
    : newFileLimits_(newFileLimits), now_(currentAutomationDate) {
    if (sodium_init() < 0)
        throw VaultError("The cryptography library could not start");
    randombytes_buf(digestKey_, sizeof digestKey_);
}

FileVaultEngine::~FileVaultEngine() {
    CloseFile();
    sodium_memzero(digestKey_, sizeof digestKey_);
}

void FileVaultEngine::setClock(std::function<double()> now) {
    now_ = std::move(now);
}

void FileVaultEngine::setLockWait(int milliseconds) {
    lockWaitMs_ = milliseconds;
}

void FileVaultEngine::setCallerHoldsLock(bool holds) {
    callerHoldsLock_ = holds;
}

void FileVaultEngine::setMaxFileBytes(qint64 bytes) {
    maxFileBytes_ = std::min(bytes, VaultFormat::MaxFileBytes);
}

QString FileVaultEngine::saveFailure() const {
    return saveFailure_;
}

void FileVaultEngine::SetKeepBackup(bool keep) {
    keepBackup_ = keep;
}

void FileVaultEngine::requireOpen() const {
    if (!IsOpen())
        throw VaultError("No password file is open");
}

bool FileVaultEngine::IsOpen() const {
    return key_ != nullptr;
}

QString FileVaultEngine::CurrentFileName() const {
    return IsOpen() ? QFileInfo(path_).fileName() : QString();
}

QString FileVaultEngine::CurrentFilePath() const {
    return IsOpen() ? path_ : QString();
}

QString FileVaultEngine::CategoryName(int category) const {
    const CategoryInfo* info = categoryInfo(category);
    return info ? QString::fromLatin1(info->newEntry) : QString();
}

const StoredAccount* FileVaultEngine::find(int id) const {
    const auto& v = contents_.accounts;
    auto it =
        std::lower_bound(v.begin(), v.end(), id, [](const StoredAccount& a, int x) { return a.id < x; });
    return (it != v.end() && it->id == id) ? &*it : nullptr;
}

const std::vector<quint32>& FileVaultEngine::displayOrder() {
    if (orderValid_)
        return order_;
    const auto& v = contents_.accounts;
    // Titles are folded in storage order, the order they lie in memory.
    FoldedOrder titles;
    titles.reserve(v.size(), 24 * v.size());
    for (size_t i = 0; i < v.size(); ++i) {
        if (i + kAhead < v.size())
            __builtin_prefetch(v[i + kAhead].item + v[i + kAhead].common);
        const StoredText title = fieldOf(v[i], kDescriptionField);
        titles.addUtf8(title.data, title.size);
    }
    // Accounts are kept by ascending id, so equal titles stay in id order.
    order_ = titles.order();
    rank_.resize(v.size());
    for (size_t p = 0; p < order_.size(); ++p)
        rank_[order_[p]] = quint32(p);
    orderValid_ = true;
    return order_;
}

std::vector<quint32> FileVaultEngine::inDisplayOrder(const std::vector<quint32>& ascending) {
    const auto& v = contents_.accounts;
    if (!orderValid_ && ascending.size() * 8 < v.size()) {
        // A few accounts of many, and no order of them all yet (as in a search right after the
        // file opened): sorting these alone spares sorting every title.
        FoldedOrder titles;
        titles.reserve(ascending.size(), 24 * ascending.size());
        for (quint32 i : ascending) {
            const StoredText title = fieldOf(v[i], kDescriptionField);
            titles.addUtf8(title.data, title.size);
        }
        std::vector<quint32> shown = titles.order(); // equal titles stay in id order
        for (quint32& i : shown)
            i = ascending[i];
        return shown;
    }
    const auto& order = displayOrder();
    if (ascending.size() == order.size())
        return order;
    // Walking the display order once beats sorting by rank: the marks fit in the cache.
    std::vector<bool> wanted(order.size());
    for (quint32 i : ascending)
        wanted[i] = true;
    std::vector<quint32> shown;
    shown.reserve(ascending.size());
    for (quint32 i : order) {
        if (wanted[i])
            shown.push_back(i);
    }
    return shown;
}

std::vector<quint32> FileVaultEngine::hitsOf(const QString& text) const {
    const auto& v = contents_.accounts;
    std::vector<quint32> hits;
    if (text.isEmpty()) { // an empty text matches every account, even one with only secrets
        hits.resize(v.size());
        for (size_t i = 0; i < v.size(); ++i)
            hits[i] = quint32(i);
        return hits;
    }
    // In storage order, the order the accounts lie in memory.
    const AccountSearch search(text);
    for (size_t i = 0; i < v.size(); ++i) {
        if (search.matches(v[i]))
            hits.push_back(quint32(i));
    }
    return hits;
}

void FileVaultEngine::fillRows(AccountRows& out, const std::vector<quint32>& ascending) {
    out.clear();
    const auto& v = contents_.accounts;
    // Each listed account's row: its rank in display order when every account is listed.
    std::vector<quint32> place;
    if (ascending.size() < v.size()) {
        const std::vector<quint32> shown = inDisplayOrder(ascending);
        place.resize(ascending.size());
        for (size_t row = 0; row < shown.size(); ++row)
            place[size_t(std::lower_bound(ascending.begin(), ascending.end(), shown[row]) -
                         ascending.begin())] = quint32(row);
    } else {
        displayOrder();
    }
    const std::vector<quint32>& placeOf = place.empty() ? rank_ : place;
    // Texts are converted in storage order, the order they lie in memory, and each row goes
    // straight to its place.
    std::vector<AccountRows::Row>& rows = out.rows();
    rows.resize(ascending.size());
    out.reserveText(48 * ascending.size()); // an estimate; the memory it does not use is never touched
    for (size_t k = 0; k < ascending.size(); ++k) {
        if (k + kAhead < ascending.size())
            __builtin_prefetch(v[ascending[k + kAhead]].item + v[ascending[k + kAhead]].common);
        const StoredAccount& a = v[ascending[k]];
        AccountRows::Row& row = rows[placeOf[k]];
        row.id = a.id;
        row.category = a.type;
        forEachFieldFrom(a, a.item + a.common, [&](int number, StoredText text) {
            if (number == kDescriptionField || number == kAccountNameField) {
                char16_t* at = out.textSpace(text.size);
                char16_t* end = Utf8::decode(text.data, text.size, at);
                const quint32 offset = out.keepText(end);
                const quint32 size = quint32(end - at);
                if (number == kDescriptionField)
                    row.description = offset, row.descriptionSize = size;
                else
                    row.accountName = offset, row.accountNameSize = size;
            }
            return number < kAccountNameField;
        });
    }
}

bool FileVaultEngine::PutRecord(AccountRecord& record) {
    requireOpen();
    if (!isCategoryCode(record.Type))
        return false;
    auto& v = contents_.accounts;
    if (record.ID == 0) {
        if (contents_.nextId > quint32(std::numeric_limits<qint32>::max()))
            throw VaultError("This password file has no account identifiers left");
        record.ID = qint32(contents_.nextId);
        record.RecordDate = now_();
        v.push_back(pack(record)); // ids only grow, so it goes last
        ++contents_.nextId;
    } else {
        auto it = std::lower_bound(v.begin(), v.end(), record.ID,
                                   [](const StoredAccount& a, int x) { return a.id < x; });
        if (it == v.end() || it->id != record.ID)
            return false;
        record.RecordDate = now_();
        StoredAccount replacement = pack(record);
        wipe(*it);
        *it = std::move(replacement);
    }
    orderValid_ = false;
    return true;
}

int FileVaultEngine::GetRecords(AccountRecords& out, int category) {
    requireOpen();
    out.clear();
    const auto& order = displayOrder();
    const auto& v = contents_.accounts;
    reserveRecords(out, size_t(category == AllCategories ? int(v.size()) : CategoryCount(category)));
    // Display order jumps about the accounts' memory: each one is asked for a few accounts ahead.
    for (size_t k = 0; k < order.size(); ++k) {
        if (k + kAhead < order.size()) {
            const StoredAccount& ahead = v[order[k + kAhead]];
            for (quint32 line = 0; line < ahead.size && line < 1024; line += 64)
                __builtin_prefetch(ahead.item + line);
        }
        const StoredAccount& a = v[order[k]];
        if (category == AllCategories || a.type == category)
            unpack(a, out.emplace_back());
    }
    return int(out.size());
}

int FileVaultEngine::FindRecords(const QString& text, AccountRecords& out) {
    requireOpen();
    out.clear();
    const std::vector<quint32> hits = inDisplayOrder(hitsOf(text));
    reserveRecords(out, hits.size());
    for (quint32 i : hits)
        unpack(contents_.accounts[i], out.emplace_back());
    return int(out.size());
}

int FileVaultEngine::ListRows(AccountRows& out, int category) {
    requireOpen();
    const auto& v = contents_.accounts;
    std::vector<quint32> listed;
    listed.reserve(v.size());
    for (size_t i = 0; i < v.size(); ++i) {
        if (category == AllCategories || v[i].type == category)
            listed.push_back(quint32(i));
    }
    fillRows(out, listed);
    return out.size();
}

int FileVaultEngine::FindRows(const QString& text, AccountRows& out) {
    requireOpen();
    fillRows(out, hitsOf(text));
    return out.size();
}

bool FileVaultEngine::PasswordInUse(const QString& password, QString& owner, int skipId) {
    requireOpen();
    // Stored texts are UTF-8 and so hold no unpaired surrogate: such a password is nobody's.
    if (password.isEmpty() || !QStringView(password).isValidUtf16())
        return false;
    const auto* utf16 = reinterpret_cast<const char16_t*>(password.constData());
    std::vector<quint8> utf8(Utf8::encodedSize(utf16, size_t(password.size())));
    Utf8::encode(utf16, size_t(password.size()), utf8.data());
    bool found = false;
    for (const StoredAccount& a : contents_.accounts) {
        const StoredText stored = fieldOf(a, kPasswordField);
        if (a.id != skipId && stored.size == utf8.size() &&
            std::memcmp(stored.data, utf8.data(), utf8.size()) == 0) {
            owner = fieldOf(a, kDescriptionField).toString();
            found = true;
            break;
        }
    }
    sodium_memzero(utf8.data(), utf8.size());
    return found;
}

int FileVaultEngine::RecordCount(const AccountRecords& records) const {
    return int(records.size());
}

int FileVaultEngine::CategoryCount(int category) const {
    requireOpen();
    if (category == AllCategories)
        return AccountCount();
    return int(std::count_if(contents_.accounts.begin(), contents_.accounts.end(),
                             [category](const StoredAccount& a) { return a.type == category; }));
}

QString FileVaultEngine::GetWebAddress(int id, int category) const {
    requireOpen();
    const StoredAccount* a = find(id);
    if (!a || (category != a->type && category != WebSites && category != AllCategories))
        return {};
    QString AccountRecord::*member = categoryInfo(a->type)->webAddress;
    if (!member)
        return {};
    return fieldOf(*a, stringFieldNumber(member)).toString().trimmed();
}

void FileVaultEngine::GetRecord(int id, int category, AccountRecord& out) const {
    requireOpen();
    const StoredAccount* a = find(id);
    if (!a || (category != a->type && category != WebSites && category != AllCategories))
        throw VaultError("The account does not exist");
    out.Clear();
    unpack(*a, out);
}

void FileVaultEngine::Pause(int) {}

int FileVaultEngine::AccountCount() const {
    requireOpen();
    return int(contents_.accounts.size());
}

void FileVaultEngine::DeleteRecord(int id, int category, bool) {
    requireOpen();
    auto& v = contents_.accounts;
    auto it =
        std::lower_bound(v.begin(), v.end(), id, [](const StoredAccount& a, int x) { return a.id < x; });
    if (it == v.end() || it->id != id ||
        (category != it->type && category != WebSites && category != AllCategories))
        throw VaultError("The account does not exist");
    wipe(*it);
    v.erase(it);
    orderValid_ = false;
}

QString FileVaultEngine::GeneratePassword(int length) {
    return generatePassword(length);
}

QStringList FileVaultEngine::GeneratePasswords(int count, int length) {
    return generatePasswords(count, length);
}

QString FileVaultEngine::DigestText(const QString& text) const {
    QByteArray utf8 = text.toUtf8();
    unsigned char digest[32];
    crypto_generichash(digest, sizeof digest, reinterpret_cast<const unsigned char*>(utf8.constData()),
                       quint64(utf8.size()), digestKey_, sizeof digestKey_);
    wipe(utf8);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), sizeof digest).toHex());
}
