#include "word_entry.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <string_view>
#include <vector>

namespace wk {

namespace {

std::size_t Clamp(int position) { return position <= 0 ? 0 : static_cast<std::size_t>(position); }

const std::u16string& FieldOf(const WordEntry& entry, SortField field) {
    switch (field) {
        case SortField::Word:
            return entry.word;
        case SortField::PosName:
            return entry.posName;
        case SortField::Reading:
        default:
            return entry.reading;
    }
}

bool HasAsciiCapital(const std::u16string& text) {
    return std::any_of(text.begin(), text.end(), [](char16_t c) { return c >= u'A' && c <= u'Z'; });
}

// A sort key: the field itself when it has no capitals, otherwise a folded copy. The
// first four code units are packed into `prefix` so that most comparisons are decided
// by one integer comparison without touching the strings.
struct SortKey {
    std::uint64_t prefix;
    const char16_t* data;
    std::uint32_t length;
    std::uint32_t index;
    std::u16string_view view() const { return {data, length}; }
};

constexpr char16_t Fold(char16_t c) { return c >= u'A' && c <= u'Z' ? c + 32 : c; }

std::uint64_t FoldedPrefixOf(const std::u16string& text) {
    std::uint64_t prefix = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        prefix = (prefix << 16) | (i < text.size() ? Fold(text[i]) : 0u);
    }
    return prefix;
}

// Code-unit order; equal prefixes compare the rest. A shorter string padded with zeros
// has the same prefix as one holding U+0000 there, which the full comparison settles.
bool KeyLess(const SortKey& a, const SortKey& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    return a.view() < b.view();
}

// Stable least-significant-digit radix sort on the prefix, one byte per pass; a pass is
// skipped when every key has the same byte there (the high byte of kana, for instance).
void RadixSortByPrefix(std::vector<SortKey>& keys, bool ascending) {
    std::vector<SortKey> scratch(keys.size());
    const std::uint64_t flip = ascending ? 0 : ~std::uint64_t{0};
    for (int shift = 0; shift < 64; shift += 8) {
        std::size_t counts[256] = {};
        for (const SortKey& key : keys) ++counts[((key.prefix ^ flip) >> shift) & 0xFF];
        if (std::find(std::begin(counts), std::end(counts), keys.size()) != std::end(counts)) {
            continue;
        }
        std::size_t offset = 0;
        for (std::size_t& c : counts) {
            const std::size_t n = c;
            c = offset;
            offset += n;
        }
        for (const SortKey& key : keys)
            scratch[counts[((key.prefix ^ flip) >> shift) & 0xFF]++] = key;
        keys.swap(scratch);
    }
}

}  // namespace

WordEntry* WordEntryList::PushFront(std::unique_ptr<WordEntry> entry) {
    if (!entry) return nullptr;
    try {
        entries_.push_front(std::move(entry));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return entries_.front().get();
}

WordEntry* WordEntryList::EntryAt(int position) const {
    const std::size_t i = Clamp(position);
    return i < entries_.size() ? entries_[i].get() : nullptr;
}

std::unique_ptr<WordEntry> WordEntryList::SetEntryAt(int position,
                                                     std::unique_ptr<WordEntry> entry) {
    const std::size_t i = Clamp(position);
    if (i >= entries_.size()) return entry;
    entries_[i].swap(entry);
    return entry;
}

std::unique_ptr<WordEntry> WordEntryList::RemoveAt(int position) {
    const std::size_t i = Clamp(position);
    if (i >= entries_.size()) return nullptr;
    std::unique_ptr<WordEntry> removed = std::move(entries_[i]);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
    return removed;
}

void WordEntryList::FreeNodes() {
    entries_.clear();
    entries_.shrink_to_fit();
}

int WordEntryList::Sort(SortField field, bool ascending) {
    const std::size_t count = entries_.size();
    if (count < 2) return 1;
    try {
        // Fold each key once instead of inside every comparison; keys without capitals
        // are compared in place, and only those with capitals are copied.
        std::vector<SortKey> keys;
        keys.reserve(count);
        std::size_t foldedLength = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const std::u16string& text = FieldOf(*entries_[i], field);
            const bool capitals = HasAsciiCapital(text);
            if (capitals) foldedLength += text.size();
            keys.push_back({FoldedPrefixOf(text), capitals ? nullptr : text.data(),
                            static_cast<std::uint32_t>(text.size()),
                            static_cast<std::uint32_t>(i)});
        }
        std::u16string folded;
        if (foldedLength > 0) {
            folded.reserve(foldedLength);
            for (SortKey& key : keys) {
                if (key.data != nullptr) continue;
                const std::size_t offset = folded.size();
                for (char16_t c : FieldOf(*entries_[key.index], field)) folded.push_back(Fold(c));
                key.data = folded.data() + offset;  // no reallocation: reserved above
            }
        }
        RadixSortByPrefix(keys, ascending);
        // Keys that share their prefix are ordered by the rest of their text.
        for (std::size_t i = 0; i < count;) {
            std::size_t j = i + 1;
            while (j < count && keys[j].prefix == keys[i].prefix) ++j;
            if (j - i > 1) {
                const auto first = keys.begin() + static_cast<std::ptrdiff_t>(i);
                const auto last = keys.begin() + static_cast<std::ptrdiff_t>(j);
                if (ascending) {
                    std::stable_sort(first, last, KeyLess);
                } else {
                    std::stable_sort(first, last, [](const SortKey& a, const SortKey& b) {
                        return KeyLess(b, a);
                    });
                }
            }
            i = j;
        }
        // Every allocation is done before the first entry moves, so a shortage leaves
        // the list as it was.
        std::vector<std::unique_ptr<WordEntry>> sorted(count);
        for (std::size_t i = 0; i < count; ++i) sorted[i] = std::move(entries_[keys[i].index]);
        for (std::size_t i = 0; i < count; ++i) entries_[i] = std::move(sorted[i]);
    } catch (const std::bad_alloc&) {
    }
    return 1;
}

int WordEntryList::FindFrom(int start, const Predicate& predicate, const void* context) const {
    std::size_t i = Clamp(start);
    int counter = start;
    for (; i < entries_.size(); ++i, ++counter) {
        if (predicate(*entries_[i], context) == 0) return counter;
    }
    return -1;
}

int ReadingDiffers(const WordEntry& entry, const void* context) {
    const auto* reading = static_cast<const std::u16string*>(context);
    return entry.reading == *reading ? 0 : 1;
}

}  // namespace wk
