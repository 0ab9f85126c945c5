// SPDX-License-Identifier: MIT
#include "dictionary.h"

#include <array>
#include <new>

namespace wk {

void PosTable::Load(InputMethod& ime) {
    rows_.clear();
    try {
        rows_ = ime.GetRegisterWordStyles();
    } catch (const std::bad_alloc&) {
        rows_.clear();
    }
}

int PosTable::PosIndexOfStyle(std::uint32_t style) const {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].style == style) return static_cast<int>(i);
    }
    return -1;
}

std::uint32_t PosTable::PosStyleOfName(std::u16string_view name) const {
    for (const PosStyle& row : rows_) {
        if (row.description == name) return row.style;
    }
    return kNoStyle;
}

void Dictionary::ClearWords() {
    wordList.FreeNodes();
    wordCount = 0;
}

EntryRef Dictionary::AddWord(std::u16string_view reading, std::u16string_view word, int posIndex,
                             std::uint32_t fallbackStyle) {
    std::u16string_view posName;
    std::uint32_t style = fallbackStyle;
    if (posIndex >= 0 && posIndex < posTable_.Count()) {
        const PosStyle& row = posTable_.Row(posIndex);
        posName = row.description;
        style = row.style;
    }
    EntryRef added = wordList.PushFront(reading, word, posName, style, wordCount);
    if (added) ++wordCount;
    return added;
}

bool Dictionary::RefreshWords(ListDisplay& display) {
    display.ShowWaitCursor();
    ClearWords();
    display.DeleteAllItems();
    // Every word needs its style's row. The input methods' style codes are small numbers,
    // so those are looked up in a table made once (the first row of a code wins, as in
    // PosIndexOfStyle); any other code is searched for.
    constexpr std::uint32_t kDirect = 256;
    std::array<int, kDirect> indexOf;
    indexOf.fill(-1);
    for (int i = posTable_.Count() - 1; i >= 0; --i) {
        if (const std::uint32_t style = posTable_.Row(i).style; style < kDirect) {
            indexOf[style] = i;
        }
    }
    const bool complete = ime_.EnumRegisterWord(
        [&](const char16_t* reading, std::uint32_t style, const char16_t* word) {
            if (reading == nullptr || word == nullptr) return 1;
            const int index = style < kDirect ? indexOf[style] : posTable_.PosIndexOfStyle(style);
            AddWord(reading, word, index, style);
            return 1;
        });
    display.SetItemCount(wordCount);
    wordList.Sort(SortField::Reading, sortState_.sortAscending != 0);
    display.RestoreCursor();
    return complete;
}

void Dictionary::ApplySort(ListDisplay& display) {
    for (int column = 0; column < kColumnCount; ++column) {
        display.SetColumnText(column, HeaderText(column, sortState_));
    }
    display.ShowWaitCursor();
    wordList.Sort(SortFieldOfColumn(sortState_.sortColumn), sortState_.sortAscending != 0);
    display.RestoreCursor();
    display.RedrawAll();
}

void Dictionary::OnColumnClick(int column, ListDisplay& display) {
    if (column < 0 || column >= kColumnCount) return;
    if (column == sortState_.sortColumn)
        sortState_.sortAscending = sortState_.sortAscending ? 0 : 1;
    sortState_.sortColumn = column;
    ApplySort(display);
}

int Dictionary::FindReading(const std::u16string& reading) const {
    return wordList.FindReading(reading);
}

}  // namespace wk
