// Word entries and the positional word list that the manager shows row by row.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace wk {

// One registered word as the manager holds it in memory.
struct WordEntry {
    std::u16string reading;
    std::u16string word;
    std::u16string posName;  // empty when the style matches no row of the style table
    std::uint32_t style = 0;
    std::int32_t serial = 0;  // the word count at the time the entry was built
};

// The field a sort orders by: column 0, 1 and 2 of the list.
enum class SortField { Reading = 0, Word = 1, PosName = 2 };

// Entries addressed by 0-based position. Access by position is O(1); pushing to the
// front moves every other entry one position down.
class WordEntryList {
  public:
    // Returns 0 when the entry matches, nonzero otherwise (so FindFrom stops on 0).
    using Predicate = std::function<int(const WordEntry&, const void* context)>;

    // Puts the entry at position 0. Returns the entry now owned by the list, or
    // nullptr (and the entry is dropped) when storage ran out.
    WordEntry* PushFront(std::unique_ptr<WordEntry> entry);

    // Position 0 or below gives the head. Nullptr on an empty list.
    WordEntry* EntryAt(int position) const;

    // Replaces the entry at the position and hands the old one back alive.
    // On an empty list nothing happens and the given entry is handed back.
    std::unique_ptr<WordEntry> SetEntryAt(int position, std::unique_ptr<WordEntry> entry);

    // Takes the entry at the position out of the list and hands it back.
    // Nullptr and no change on an empty list.
    std::unique_ptr<WordEntry> RemoveAt(int position);

    int Count() const { return static_cast<int>(entries_.size()); }

    // Drops every entry.
    void FreeNodes();

    // Orders the entries by one field: ASCII letters folded to lower case, then code-unit
    // order; descending reverses the comparison. Entries that compare equal keep their
    // relative order. Always returns 1; on a storage shortage the list is left unchanged.
    int Sort(SortField field, bool ascending);

    // Walks from the entry at `start` (the head for 0 or below) with a counter that begins
    // at `start`; returns the counter at the first entry for which the predicate yields 0,
    // or -1. With start -1 a match at position k yields k - 1.
    int FindFrom(int start, const Predicate& predicate, const void* context) const;

  private:
    std::deque<std::unique_ptr<WordEntry>> entries_;
};

// Predicate for FindFrom: 0 when the entry's reading equals the std::u16string that
// `context` points to, code unit for code unit; 1 otherwise.
int ReadingDiffers(const WordEntry& entry, const void* context);

}  // namespace wk
