// SPDX-License-Identifier: MIT
// The manager's in-memory copy of the dictionary: style table, word store, refresh and sort.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "input_method.h"
#include "sorting.h"
#include "word_entry.h"

namespace wk {

// What the refresh and the sort need of the list display.
class ListDisplay {
  public:
    virtual ~ListDisplay() = default;
    virtual void ShowWaitCursor() = 0;
    virtual void RestoreCursor() = 0;
    virtual void DeleteAllItems() = 0;
    virtual void SetItemCount(int count) = 0;
    virtual void SetColumnText(int column, const std::u16string& text) = 0;
    virtual void RedrawAll() = 0;
    // False for a display that shows no words, where re-reading the list after a bulk
    // change would only cost time.
    virtual bool ShowsWords() const { return true; }
};

// A display that does nothing, for callers without a window.
class NullListDisplay final : public ListDisplay {
  public:
    void ShowWaitCursor() override {}
    void RestoreCursor() override {}
    void DeleteAllItems() override {}
    void SetItemCount(int) override {}
    void SetColumnText(int, const std::u16string&) override {}
    void RedrawAll() override {}
    bool ShowsWords() const override { return false; }
};

// The input method's styles in its order.
class PosTable {
  public:
    // Fetches the styles; the table stays empty when no storage could be had.
    void Load(InputMethod& ime);

    int Count() const { return static_cast<int>(rows_.size()); }
    const PosStyle& Row(int index) const { return rows_[static_cast<std::size_t>(index)]; }
    const std::vector<PosStyle>& rows() const { return rows_; }

    // Index of the first row with that style code, -1 when none or empty.
    int PosIndexOfStyle(std::uint32_t style) const;

    // Style of the first row whose description equals the name exactly; all bits set
    // (0xFFFFFFFF, "-1") when none.
    std::uint32_t PosStyleOfName(std::u16string_view name) const;

  private:
    std::vector<PosStyle> rows_;
};

inline constexpr std::uint32_t kNoStyle = 0xFFFFFFFFu;

// The word store, its style table and sort state, bound to one input method.
class Dictionary {
  public:
    explicit Dictionary(InputMethod& ime) : ime_(ime) {}
    Dictionary(const Dictionary&) = delete;
    Dictionary& operator=(const Dictionary&) = delete;

    InputMethod& ime() { return ime_; }
    const InputMethod& ime() const { return ime_; }
    PosTable& posTable() { return posTable_; }
    const PosTable& posTable() const { return posTable_; }
    SortState& sortState() { return sortState_; }
    const SortState& sortState() const { return sortState_; }

    void LoadPosTable() { posTable_.Load(ime_); }

    // Drops every entry and sets the count to 0.
    void ClearWords();

    // Builds an entry (serial = current count) and puts it at position 0. The part of
    // speech is that of table row `posIndex`, or empty name and `fallbackStyle` when the
    // index is outside the table. Returns the entry, or none when storage ran out
    // (nothing is added then).
    EntryRef AddWord(std::u16string_view reading, std::u16string_view word, int posIndex,
                     std::uint32_t fallbackStyle = kNoStyle);

    // Re-reads the whole dictionary and sorts it by reading in the current direction.
    // Returns false when the input method could not be read to the end (the words read
    // so far are kept and shown).
    bool RefreshWords(ListDisplay& display);

    // Header texts, then a sort by the current column and direction, then a redraw.
    void ApplySort(ListDisplay& display);

    // A tap on a column header: the same column inverts the direction.
    void OnColumnClick(int column, ListDisplay& display);

    // Position of the first entry whose reading is exactly `reading`, or -1.
    int FindReading(const std::u16string& reading) const;

    WordEntryList wordList;
    std::int32_t wordCount = 0;

  private:
    InputMethod& ime_;
    PosTable posTable_;
    SortState sortState_;
};

}  // namespace wk
