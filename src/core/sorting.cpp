#include "sorting.h"

namespace wk {

namespace {

constexpr char16_t Fold(char16_t c) { return c >= u'A' && c <= u'Z' ? c + 32 : c; }

int CompareFields(const std::u16string& a, const std::u16string& b, int ascending) {
    return ascending ? CompareFolded(a, b) : CompareFolded(b, a);
}

}  // namespace

int CompareFolded(std::u16string_view a, std::u16string_view b) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        const char16_t x = Fold(a[i]);
        const char16_t y = Fold(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

int CompareReading(const WordEntry& first, const WordEntry& second, int ascending) {
    return CompareFields(first.reading, second.reading, ascending);
}

int CompareWord(const WordEntry& first, const WordEntry& second, int ascending) {
    return CompareFields(first.word, second.word, ascending);
}

int ComparePosName(const WordEntry& first, const WordEntry& second, int ascending) {
    return CompareFields(first.posName, second.posName, ascending);
}

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
