// SPDX-License-Identifier: MIT
// Word entries and the positional word list that the manager shows row by row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace wk {

// One registered word, owning its texts: what is handed to the list and back from it.
struct WordEntry {
    std::u16string reading;
    std::u16string word;
    std::u16string posName;  // empty when the style matches no row of the style table
    std::uint32_t style = 0;
    std::int32_t serial = 0;  // the word count at the time the entry was built
};

// One entry as the list holds it: the texts point into the list's storage.
struct WordEntryView {
    std::u16string_view reading;
    std::u16string_view word;
    std::u16string_view posName;
    std::uint32_t style = 0;
    std::int32_t serial = 0;
};

// The field a sort orders by: column 0, 1 and 2 of the list.
enum class SortField { Reading = 0, Word = 1, PosName = 2 };

// The list's order of texts: code units compared after folding the ASCII capitals A-Z to
// lower case. Negative, zero or positive like a three-way compare.
int CompareFolded(std::u16string_view a, std::u16string_view b);

// What the list hands out for a position: a view of one entry, or none (compares equal to
// nullptr). Two references are equal when they name the same entry. The texts stay valid
// until the list next changes.
class EntryRef {
  public:
    EntryRef() = default;
    EntryRef(std::uint32_t id, const WordEntryView& view) : id_(id), view_(view), valid_(true) {}

    explicit operator bool() const { return valid_; }
    const WordEntryView* operator->() const { return &view_; }
    const WordEntryView& operator*() const& { return view_; }
    WordEntryView operator*() const&& { return view_; }  // a copy: the reference may go

    friend bool operator==(const EntryRef& a, const EntryRef& b) {
        return a.valid_ == b.valid_ && (!a.valid_ || a.id_ == b.id_);
    }
    friend bool operator==(const EntryRef& a, std::nullptr_t) { return !a.valid_; }

  private:
    std::uint32_t id_ = 0;
    WordEntryView view_;
    bool valid_ = false;
};

// A growing array of plain values in memory of its own (which the kernel may back with huge
// pages); growing moves it without copying. Elements must be trivially copyable.
class BigBuffer {
  public:
    BigBuffer() = default;
    ~BigBuffer();
    BigBuffer(BigBuffer&& other) noexcept;
    BigBuffer& operator=(BigBuffer&& other) noexcept;
    BigBuffer(const BigBuffer&) = delete;
    BigBuffer& operator=(const BigBuffer&) = delete;

    // Room for at least `bytes` bytes; false (and nothing changed) when none could be had.
    bool Reserve(std::size_t bytes);
    void* data() const { return data_; }
    std::size_t capacity() const { return capacity_; }
    void Release();

  private:
    void* data_ = nullptr;
    std::size_t capacity_ = 0;
};

// Entries addressed by 0-based position, held by value: fixed rows over one UTF-16 text
// storage that grows as entries come. Access by position is O(1), and so is pushing to the
// front. Entries taken out or replaced keep their storage until the list is emptied.
class WordEntryList {
  public:
    WordEntryList() = default;
    WordEntryList(WordEntryList&&) noexcept = default;
    WordEntryList& operator=(WordEntryList&&) noexcept = default;

    // Puts the entry at position 0. Returns the entry now in the list, or none (and the
    // entry is dropped) when storage ran out or a field is longer than 65,535 code units.
    EntryRef PushFront(std::u16string_view reading, std::u16string_view word,
                       std::u16string_view posName, std::uint32_t style, std::int32_t serial);

    // Position 0 or below gives the head. None on an empty list or beyond the end.
    EntryRef EntryAt(int position) const;

    // Replaces the entry at the position and hands the old one back (nullptr when there is
    // no storage for the copy; the replacement stands). On an empty list, or when storage
    // ran out, nothing changes and the given entry is handed back.
    std::unique_ptr<WordEntry> SetEntryAt(int position, std::unique_ptr<WordEntry> entry);

    // Takes the entries at the given positions out in one pass; the rest keep their order.
    // `positions` ascending; positions outside the list are ignored. Returns how many went.
    int RemovePositions(const std::vector<int>& positions);

    int Count() const { return static_cast<int>(count_); }

    // Drops every entry and gives the storage back.
    void FreeNodes();

    // Orders the entries by one field: ASCII letters folded to lower case, then code-unit
    // order; descending reverses the comparison. Entries that compare equal keep their
    // relative order. On a storage shortage the list is left unchanged.
    void Sort(SortField field, bool ascending);

    // Position of the first entry at `start` (the head for 0 or below) or after it whose
    // reading is exactly `reading`, code unit for code unit; -1 when there is none.
    int FindReading(std::u16string_view reading, int start = 0) const;

    // A hint for a walk through the positions in order: brings in what the entries a few
    // positions behind `position` will need.
    void PrefetchAhead(int position) const;

  private:
#pragma pack(push, 2)
    struct Row {
        std::uint32_t text;  // offset of the reading; the word follows it
        std::uint16_t readingLength;
        std::uint16_t wordLength;
        std::uint32_t style;
        std::int32_t serial;
        std::uint16_t posName;  // index into names_
    };
#pragma pack(pop)

    const Row* rows() const { return static_cast<const Row*>(rows_.data()); }
    const char16_t* text() const { return static_cast<const char16_t*>(text_.data()); }
    // Positions are kept back to front: position 0 is the last slot, so that a push to the
    // front is an append.
    std::uint32_t* order() const { return static_cast<std::uint32_t*>(order_.data()); }
    std::uint32_t IdAt(std::size_t position) const { return order()[count_ - 1 - position]; }
    WordEntryView ViewOf(std::uint32_t id) const;
    std::u16string_view FieldOf(const Row& row, SortField field) const;
    // Stores the texts and the row; the id of the new row, or -1 when storage ran out (or a
    // field is longer than 65,535 code units, or the list has 65,536 names).
    std::int64_t AddRow(std::u16string_view reading, std::u16string_view word,
                        std::u16string_view posName, std::uint32_t style, std::int32_t serial);
    std::unique_ptr<WordEntry> CopyOf(std::uint32_t id) const;
    void SortBy(SortField field, bool ascending);
    // The index of the name in names_, added when new; UINT32_MAX when storage ran out.
    std::uint32_t NameIndex(std::u16string_view name);

    BigBuffer rows_;
    std::size_t rowCount_ = 0;
    BigBuffer text_;
    std::size_t textLength_ = 0;
    BigBuffer order_;
    std::size_t count_ = 0;
    std::vector<std::u16string> names_;     // the part-of-speech names, each stored once
    std::vector<std::uint32_t> nameSlots_;  // hash table: index + 1 into names_, 0 for none
};

}  // namespace wk
