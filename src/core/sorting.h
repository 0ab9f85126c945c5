// Comparators, sort state and the header texts of the three list columns.
#pragma once

#include <string>
#include <string_view>

#include "word_entry.h"

namespace wk {

// Code-unit comparison after folding the ASCII capitals A-Z to lower case. Negative, zero
// or positive like a three-way compare; whole strings are compared.
int CompareFolded(std::u16string_view a, std::u16string_view b);

// The three comparators: nonzero `ascending` compares first with second, otherwise second
// with first.
int CompareReading(const WordEntry& first, const WordEntry& second, int ascending);
int CompareWord(const WordEntry& first, const WordEntry& second, int ascending);
int ComparePosName(const WordEntry& first, const WordEntry& second, int ascending);

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
