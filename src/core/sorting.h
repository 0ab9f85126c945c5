// SPDX-License-Identifier: MIT
// Sort state and the header texts of the three list columns.
#pragma once

#include <string>
#include <string_view>

#include "word_entry.h"

namespace wk {

struct SortState {
    int sortColumn = 0;  // 0 reading, 1 word, 2 part of speech
    int sortAscending = 1;
};

inline constexpr int kColumnCount = 3;

// Header text of a column for the given state: the sorted column carries "△" or "▽".
std::u16string HeaderText(int column, const SortState& state);

// Titles at the time the columns are created ("読み△", "語句", "品詞").
std::u16string InitialHeaderText(int column);

SortField SortFieldOfColumn(int column);

}  // namespace wk
