// SPDX-License-Identifier: MIT
#include "word_entry.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace wk {

namespace {

constexpr std::size_t kPage = 4096;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

// Asks for huge pages over the whole 2 MiB pieces of a region.
void AdviseHugePages(void* data, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (start + bytes) & ~(kHugePage - 1);
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

constexpr char16_t Fold(char16_t c) { return c >= u'A' && c <= u'Z' ? c + 32 : c; }

// The first four code units, folded, packed so that integer order is their order.
std::uint64_t FoldedPrefixOf(std::u16string_view text) {
    std::uint64_t prefix = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        prefix = (prefix << 16) | (i < text.size() ? Fold(text[i]) : 0u);
    }
    return prefix;
}

// A sort key: the folded prefix (inverted for a descending sort) and the position the
// entry had before the sort, which keeps equal entries in their order.
#pragma pack(push, 4)
struct SortKey {
    std::uint64_t prefix;
    std::uint32_t position;
};
#pragma pack(pop)

// Set in a key's position when the text goes on beyond its prefix.
constexpr std::uint32_t kNotExact = 0x80000000u;

struct KeyLess {
    bool operator()(const SortKey& a, const SortKey& b) const {
        return a.prefix != b.prefix ? a.prefix < b.prefix
                                    : (a.position & ~kNotExact) < (b.position & ~kNotExact);
    }
};

// Groups of at most this many keys are distributed through the spare keys, larger ones in
// place.
constexpr std::size_t kSpareKeys = std::size_t{1} << 16;

// Orders keys[0, count) by prefix, then position. Each pass distributes the keys by one code
// unit of the prefix (highest first), counting only over the range of values that unit
// takes; keys whose prefixes are wholly equal, and small groups, are sorted by comparison,
// which also settles their positions.
void SortKeyRange(SortKey* keys, SortKey* spare, std::size_t count, int shift,
                  std::vector<std::uint32_t>& counts) {
    constexpr std::size_t kSmall = 48;
    if (count < 2) return;
    if (count <= kSmall || shift < 0) {
        std::sort(keys, keys + count, KeyLess());
        return;
    }
    const auto unit = [shift](const SortKey& key) {
        return static_cast<std::uint32_t>(key.prefix >> shift) & 0xFFFFu;
    };
    std::uint32_t low = unit(keys[0]), high = low;
    for (std::size_t i = 1; i < count; ++i) {
        const std::uint32_t u = unit(keys[i]);
        low = std::min(low, u);
        high = std::max(high, u);
    }
    if (low == high) {
        SortKeyRange(keys, spare, count, shift - 16, counts);
        return;
    }
    const std::size_t span = high - low + 1;
    if (span > count * 4 && count < 4096) {
        std::sort(keys, keys + count, KeyLess());
        return;
    }
    // A group too large for the spare keys is distributed in place, by at most 256 values at
    // a time so that the keys go to few places at once: the group is split by the high bits
    // of the unit, and each part is distributed again by the same unit.
    const bool inPlace = count > kSpareKeys;
    int coarse = 0;
    while (inPlace && ((span - 1) >> coarse) >= 256) ++coarse;
    const std::size_t buckets = ((span - 1) >> coarse) + 1;
    const auto bucket = [&](const SortKey& key) { return (unit(key) - low) >> coarse; };
    // The counts of this pass live above those of the passes that called it.
    const std::size_t base = counts.size();
    counts.resize(base + buckets + 1, 0);
    for (std::size_t i = 0; i < count; ++i) ++counts[base + 1 + bucket(keys[i])];
    for (std::size_t b = 0; b < buckets; ++b) counts[base + b + 1] += counts[base + b];
    std::vector<std::uint32_t> next(counts.begin() + static_cast<std::ptrdiff_t>(base),
                                    counts.begin() + static_cast<std::ptrdiff_t>(base + buckets));
    if (!inPlace) {
        for (std::size_t i = 0; i < count; ++i) spare[next[bucket(keys[i])]++] = keys[i];
        std::memcpy(keys, spare, count * sizeof(SortKey));
    } else {
        // Each key is swapped along until one that belongs here comes back.
        for (std::size_t b = 0; b < buckets; ++b) {
            while (next[b] < counts[base + b + 1]) {
                SortKey key = keys[next[b]];
                for (std::size_t d = bucket(key); d != b; d = bucket(key))
                    std::swap(key, keys[next[d]++]);
                keys[next[b]++] = key;
            }
        }
    }
    const int nextShift = coarse > 0 ? shift : shift - 16;
    for (std::size_t b = 0; b < buckets; ++b) {
        const std::size_t from = counts[base + b], to = counts[base + b + 1];
        if (to - from > 1) SortKeyRange(keys + from, spare, to - from, nextShift, counts);
    }
    counts.resize(base);
}

// Orders the keys by prefix, then position; false when no room for the spare keys could be had.
bool SortKeys(SortKey* keys, std::size_t count) {
    BigBuffer spare;
    if (!spare.Reserve(std::min(count, kSpareKeys) * sizeof(SortKey))) return false;
    std::vector<std::uint32_t> counts;
    counts.reserve(std::size_t{1} << 17);
    SortKeyRange(keys, static_cast<SortKey*>(spare.data()), count, 48, counts);
    return true;
}

}  // namespace

int CompareFolded(std::u16string_view a, std::u16string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const char16_t x = Fold(a[i]);
        const char16_t y = Fold(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

// ---- BigBuffer

BigBuffer::~BigBuffer() { Release(); }

BigBuffer::BigBuffer(BigBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), capacity_(std::exchange(other.capacity_, 0)) {}

BigBuffer& BigBuffer::operator=(BigBuffer&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

bool BigBuffer::Reserve(std::size_t bytes) {
    if (bytes <= capacity_) return true;
    std::size_t grown = std::max({bytes, capacity_ * 2, kPage});
    grown = (grown + kPage - 1) & ~(kPage - 1);
    void* moved = data_ == nullptr ? ::mmap(nullptr, grown, PROT_READ | PROT_WRITE,
                                            MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                                   : ::mremap(data_, capacity_, grown, MREMAP_MAYMOVE);
    if (moved == MAP_FAILED) return false;
    data_ = moved;
    capacity_ = grown;
    if (grown >= kHugePage) AdviseHugePages(data_, capacity_);
    return true;
}

void BigBuffer::Release() {
    if (data_ != nullptr) ::munmap(data_, capacity_);
    data_ = nullptr;
    capacity_ = 0;
}

// ---- WordEntryList

WordEntryView WordEntryList::ViewOf(std::uint32_t id) const {
    const Row& row = rows()[id];
    const char16_t* at = text() + row.text;
    return {std::u16string_view(at, row.readingLength),
            std::u16string_view(at + row.readingLength, row.wordLength), names_[row.posName],
            row.style, row.serial};
}

std::u16string_view WordEntryList::FieldOf(const Row& row, SortField field) const {
    const char16_t* at = text() + row.text;
    switch (field) {
        case SortField::Word:
            return {at + row.readingLength, row.wordLength};
        case SortField::PosName:
            return names_[row.posName];
        case SortField::Reading:
        default:
            return {at, row.readingLength};
    }
}

// The names are few (those of the style table) and short: a small hash table finds them,
// and most need no storage of their own.
std::uint32_t WordEntryList::NameIndex(std::u16string_view name) {
    const auto hash = [](std::u16string_view text) {
        std::size_t h = 0;
        for (char16_t c : text) h = h * 31 + c;
        return h;
    };
    const auto find = [&](std::u16string_view text) {
        std::size_t slot = hash(text) & (nameSlots_.size() - 1);
        while (nameSlots_[slot] != 0 && names_[nameSlots_[slot] - 1] != text)
            slot = (slot + 1) & (nameSlots_.size() - 1);
        return slot;
    };
    if (!nameSlots_.empty()) {
        const std::uint32_t held = nameSlots_[find(name)];
        if (held != 0) return held - 1;
    }
    try {
        if ((names_.size() + 1) * 2 > nameSlots_.size()) {
            nameSlots_.assign(std::max<std::size_t>(64, nameSlots_.size() * 2), 0);
            for (std::uint32_t i = 0; i < names_.size(); ++i) nameSlots_[find(names_[i])] = i + 1;
        }
        if (names_.capacity() == 0) names_.reserve(32);
        names_.emplace_back(name);
    } catch (const std::bad_alloc&) {
        return UINT32_MAX;
    }
    nameSlots_[find(name)] = static_cast<std::uint32_t>(names_.size());
    return static_cast<std::uint32_t>(names_.size() - 1);
}

std::int64_t WordEntryList::AddRow(std::u16string_view reading, std::u16string_view word,
                                   std::u16string_view posName, std::uint32_t style,
                                   std::int32_t serial) {
    const std::size_t length = reading.size() + word.size();
    if (textLength_ + length > UINT32_MAX || rowCount_ >= UINT32_MAX ||
        reading.size() > UINT16_MAX || word.size() > UINT16_MAX) {
        return -1;
    }
    const std::uint32_t name = NameIndex(posName);
    if (name > UINT16_MAX) return -1;
    if (!text_.Reserve((textLength_ + length) * sizeof(char16_t)) ||
        !rows_.Reserve((rowCount_ + 1) * sizeof(Row))) {
        return -1;
    }
    auto* at = static_cast<char16_t*>(text_.data()) + textLength_;
    // std::copy, not memcpy: an empty field may have no data pointer at all.
    std::copy(reading.begin(), reading.end(), at);
    std::copy(word.begin(), word.end(), at + reading.size());
    static_cast<Row*>(rows_.data())[rowCount_] = {static_cast<std::uint32_t>(textLength_),
                                                  static_cast<std::uint16_t>(reading.size()),
                                                  static_cast<std::uint16_t>(word.size()),
                                                  style,
                                                  serial,
                                                  static_cast<std::uint16_t>(name)};
    textLength_ += length;
    return static_cast<std::int64_t>(rowCount_++);
}

std::unique_ptr<WordEntry> WordEntryList::CopyOf(std::uint32_t id) const {
    const WordEntryView view = ViewOf(id);
    auto entry = std::make_unique<WordEntry>();
    entry->reading.assign(view.reading);
    entry->word.assign(view.word);
    entry->posName.assign(view.posName);
    entry->style = view.style;
    entry->serial = view.serial;
    return entry;
}

EntryRef WordEntryList::PushFront(std::u16string_view reading, std::u16string_view word,
                                  std::u16string_view posName, std::uint32_t style,
                                  std::int32_t serial) {
    // Positions are ints, and a sort marks one bit of them.
    if (count_ >= INT32_MAX || !order_.Reserve((count_ + 1) * sizeof(std::uint32_t))) return {};
    const std::int64_t id = AddRow(reading, word, posName, style, serial);
    if (id < 0) return {};
    order()[count_++] = static_cast<std::uint32_t>(id);
    return {static_cast<std::uint32_t>(id), ViewOf(static_cast<std::uint32_t>(id))};
}

EntryRef WordEntryList::EntryAt(int position) const {
    const std::size_t i = position <= 0 ? 0 : static_cast<std::size_t>(position);
    if (i >= count_) return {};
    const std::uint32_t id = IdAt(i);
    return {id, ViewOf(id)};
}

std::unique_ptr<WordEntry> WordEntryList::SetEntryAt(int position,
                                                     std::unique_ptr<WordEntry> entry) {
    const std::size_t i = position <= 0 ? 0 : static_cast<std::size_t>(position);
    if (i >= count_ || !entry) return entry;
    const std::int64_t id =
        AddRow(entry->reading, entry->word, entry->posName, entry->style, entry->serial);
    if (id < 0) return entry;
    // The old row stays in the storage until the list is emptied: it is copied out after
    // the replacement, which stands whatever happens to the copy.
    const std::uint32_t old = IdAt(i);
    order()[count_ - 1 - i] = static_cast<std::uint32_t>(id);
    try {
        return CopyOf(old);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

int WordEntryList::RemovePositions(const std::vector<int>& positions) {
    auto next = std::lower_bound(positions.begin(), positions.end(), 0);
    std::uint32_t* slots = order();
    // Slots run back to front: the kept ones gather at the top, then move down at once.
    std::size_t write = count_;
    for (std::size_t position = 0; position < count_; ++position) {
        while (next != positions.end() && static_cast<std::size_t>(*next) < position) ++next;
        if (next != positions.end() && static_cast<std::size_t>(*next) == position) continue;
        slots[--write] = slots[count_ - 1 - position];
    }
    const std::size_t kept = count_ - write;
    if (kept > 0) std::memmove(slots, slots + write, kept * sizeof(std::uint32_t));
    const auto removed = static_cast<int>(count_ - kept);
    count_ = kept;
    return removed;
}

void WordEntryList::FreeNodes() {
    rows_.Release();
    text_.Release();
    order_.Release();
    rowCount_ = textLength_ = count_ = 0;
    names_.clear();
    nameSlots_.clear();
}

void WordEntryList::Sort(SortField field, bool ascending) {
    // Every allocation comes before the first slot is written: a shortage leaves the list
    // as it was.
    try {
        SortBy(field, ascending);
    } catch (const std::bad_alloc&) {
    }
}

void WordEntryList::SortBy(SortField field, bool ascending) {
    const std::size_t count = count_;
    if (count < 2) return;
    BigBuffer buffer;
    if (!buffer.Reserve(count * sizeof(SortKey))) return;
    auto* keys = static_cast<SortKey*>(buffer.data());
    const std::uint64_t flip = ascending ? 0 : ~std::uint64_t{0};
    // A part-of-speech name sorts by its rank among the list's few names, which decides
    // every comparison; a reading or word by its folded prefix, which decides most.
    std::vector<std::uint64_t> rank;
    if (field == SortField::PosName) {
        std::vector<std::uint32_t> byName(names_.size());
        for (std::uint32_t i = 0; i < byName.size(); ++i) byName[i] = i;
        std::stable_sort(byName.begin(), byName.end(), [&](std::uint32_t a, std::uint32_t b) {
            return CompareFolded(names_[a], names_[b]) < 0;
        });
        rank.assign(names_.size(), 0);
        for (std::size_t i = 1; i < byName.size(); ++i) {
            const bool same = CompareFolded(names_[byName[i - 1]], names_[byName[i]]) == 0;
            rank[byName[i]] = rank[byName[i - 1]] + (same ? 0 : 1);
        }
    }
    // The keys are built walking the rows in storage order, which after an earlier sort is
    // far from position order: each row learns its position first, unless the rows still
    // lie in the order they came (as after a refresh), position count - 1 - id.
    bool fresh = rowCount_ == count;
    const std::uint32_t* slots = order();
    for (std::size_t k = 0; k < count && fresh; ++k) fresh = slots[k] == k;
    BigBuffer positions;
    std::uint32_t* positionOfRow = nullptr;
    if (!fresh) {
        if (!positions.Reserve(rowCount_ * sizeof(std::uint32_t))) return;
        positionOfRow = static_cast<std::uint32_t*>(positions.data());
        std::fill(positionOfRow, positionOfRow + rowCount_, UINT32_MAX);  // rows no longer listed
        for (std::size_t p = 0; p < count; ++p)
            positionOfRow[IdAt(p)] = static_cast<std::uint32_t>(p);
    }
    bool exactEverywhere = true;
    for (std::size_t id = 0; id < rowCount_; ++id) {
        const std::uint32_t position =
            fresh ? static_cast<std::uint32_t>(count - 1 - id) : positionOfRow[id];
        if (position == UINT32_MAX) continue;
        std::uint32_t mark = 0;
        const Row& row = rows()[id];
        std::uint64_t prefix;
        if (field == SortField::PosName) {
            prefix = rank[row.posName] << 48;
        } else {
            const std::u16string_view text = FieldOf(row, field);
            prefix = FoldedPrefixOf(text);
            // A text of four units or fewer, without U+0000, is wholly in its prefix.
            if (text.size() > 4 || text.find(u'\0') != std::u16string_view::npos) {
                mark = kNotExact;
                exactEverywhere = false;
            }
        }
        keys[position] = {prefix ^ flip, position | mark};
    }
    positions.Release();
    if (!SortKeys(keys, count)) return;
    // Keys that share their prefix are ordered by the rest of their text, unless all of
    // them are whole in their prefix (and so equal).
    const auto positionOf = [](const SortKey& key) { return key.position & ~kNotExact; };
    for (std::size_t i = 0; i < count && !exactEverywhere;) {
        std::size_t j = i + 1;
        bool exact = (keys[i].position & kNotExact) == 0;
        while (j < count && keys[j].prefix == keys[i].prefix) {
            exact = exact && (keys[j].position & kNotExact) == 0;
            ++j;
        }
        if (!exact) {
            std::sort(keys + i, keys + j, [&](const SortKey& a, const SortKey& b) {
                int order = CompareFolded(FieldOf(rows()[IdAt(positionOf(a))], field),
                                          FieldOf(rows()[IdAt(positionOf(b))], field));
                if (!ascending) order = -order;
                return order != 0 ? order < 0 : positionOf(a) < positionOf(b);
            });
        }
        i = j;
    }
    // Positions become ids before the first slot is written.
    for (std::size_t p = 0; p < count; ++p) {
        const std::uint32_t position = positionOf(keys[p]);
        keys[p].position =
            fresh ? static_cast<std::uint32_t>(count - 1 - position) : IdAt(position);
    }
    std::uint32_t* written = order();
    for (std::size_t p = 0; p < count; ++p) written[count - 1 - p] = keys[p].position;
}

int WordEntryList::FindReading(std::u16string_view reading, int start) const {
    for (std::size_t i = start <= 0 ? 0 : static_cast<std::size_t>(start); i < count_; ++i) {
        if (ViewOf(IdAt(i)).reading == reading) return static_cast<int>(i);
    }
    return -1;
}

void WordEntryList::PrefetchAhead(int position) const {
    constexpr std::size_t kRows = 16, kTexts = 8;
    const std::size_t p = position <= 0 ? 0 : static_cast<std::size_t>(position);
    if (p + kRows < count_) __builtin_prefetch(rows() + IdAt(p + kRows));
    if (p + kTexts < count_) __builtin_prefetch(text() + rows()[IdAt(p + kTexts)].text);
}

}  // namespace wk
