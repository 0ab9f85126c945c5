// SPDX-License-Identifier: MIT
#include "sorting.h"

namespace wk {

std::u16string HeaderText(int column, const SortState& state) {
    static const char16_t* const kPlain[kColumnCount] = {u"読み", u"単語", u"品詞"};
    if (column < 0 || column >= kColumnCount) return {};
    std::u16string text = kPlain[column];
    if (column == state.sortColumn) text += state.sortAscending ? u"△" : u"▽";
    return text;
}

std::u16string InitialHeaderText(int column) {
    static const char16_t* const kInitial[kColumnCount] = {u"読み△", u"語句", u"品詞"};
    if (column < 0 || column >= kColumnCount) return {};
    return kInitial[column];
}

SortField SortFieldOfColumn(int column) {
    switch (column) {
        case 1:
            return SortField::Word;
        case 2:
            return SortField::PosName;
        default:
            return SortField::Reading;
    }
}

}  // namespace wk
