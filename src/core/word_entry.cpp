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

// A sort key: the field itself when it has no capitals, otherwise a folded copy.
struct SortKey {
    const char16_t* data;
    std::uint32_t length;
    std::uint32_t index;
    std::u16string_view view() const { return {data, length}; }
};

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
        // are compared in place.
        std::size_t foldedLength = 0;
        for (const auto& entry : entries_) {
            const std::u16string& text = FieldOf(*entry, field);
            if (HasAsciiCapital(text)) foldedLength += text.size();
        }
        std::u16string folded;
        folded.reserve(foldedLength);
        std::vector<SortKey> keys;
        keys.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            const std::u16string& text = FieldOf(*entries_[i], field);
            const char16_t* data = text.data();
            if (HasAsciiCapital(text)) {
                const std::size_t offset = folded.size();
                for (char16_t c : text) folded.push_back(c >= u'A' && c <= u'Z' ? c + 32 : c);
                data = folded.data() + offset;
            }
            keys.push_back(
                {data, static_cast<std::uint32_t>(text.size()), static_cast<std::uint32_t>(i)});
        }
        if (ascending) {
            std::stable_sort(keys.begin(), keys.end(), [](const SortKey& a, const SortKey& b) {
                return a.view() < b.view();
            });
        } else {
            std::stable_sort(keys.begin(), keys.end(), [](const SortKey& a, const SortKey& b) {
                return b.view() < a.view();
            });
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
