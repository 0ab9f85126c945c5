// SPDX-License-Identifier: MIT
#include "pos_mapping.h"

#include <algorithm>
#include <iterator>

namespace wk {

namespace {

struct NamePair {
    std::u16string_view from;
    std::u16string_view to;
};

// Names of other input methods (and of the Anthy back end) and their common names. Names
// that are common names already (名詞, 人名, 副詞, ...) are not listed.
constexpr NamePair kCommonNames[] = {
    // Microsoft IME
    {u"さ変名詞", u"名詞サ変"},
    {u"形動名詞", u"名詞形動"},
    {u"さ変形動名詞", u"名詞サ変"},
    {u"地名その他", u"地名"},
    {u"組織名", u"組織"},
    {u"数詞", u"数"},
    {u"形容動詞", u"名詞形動"},
    {u"姓名接頭語", u"接頭語"},
    {u"地名接頭語", u"接頭語"},
    {u"固有接頭語", u"接頭語"},
    {u"接尾語", u"接尾一般"},
    {u"姓名接尾語", u"接尾人名"},
    {u"地名接尾語", u"接尾地名"},
    {u"固有接尾語", u"接尾一般"},
    {u"慣用句", u"独立語"},
    {u"その他自立語", u"独立語"},
    {u"一段動詞", u"動詞一段"},
    {u"あわ行五段", u"動詞ワ行五段"},
    {u"か行五段", u"動詞カ行五段"},
    {u"が行五段", u"動詞ガ行五段"},
    {u"さ行五段", u"動詞サ行五段"},
    {u"た行五段", u"動詞タ行五段"},
    {u"な行五段", u"動詞ナ行五段"},
    {u"ば行五段", u"動詞バ行五段"},
    {u"ま行五段", u"動詞マ行五段"},
    {u"ら行五段", u"動詞ラ行五段"},
    {u"さ変動詞", u"動詞サ変"},
    {u"ざ変動詞", u"動詞ザ変"},
    {u"か変動詞", u"動詞カ変"},
    // ATOK
    {u"固有人他", u"人名"},
    {u"固有人姓", u"姓"},
    {u"固有人名", u"人名"},
    {u"固有地名", u"地名"},
    {u"固有組織", u"組織"},
    {u"固有一般", u"固有名詞"},
    {u"短縮読み", u"短縮よみ"},
    {u"ワ行五段", u"動詞ワ行五段"},
    {u"カ行五段", u"動詞カ行五段"},
    {u"ガ行五段", u"動詞ガ行五段"},
    {u"サ行五段", u"動詞サ行五段"},
    {u"タ行五段", u"動詞タ行五段"},
    {u"ナ行五段", u"動詞ナ行五段"},
    {u"バ行五段", u"動詞バ行五段"},
    {u"マ行五段", u"動詞マ行五段"},
    {u"ラ行五段", u"動詞ラ行五段"},
    {u"一段", u"動詞一段"},
    {u"サ変動詞", u"動詞サ変"},
    // Kotoeri
    {u"普通名詞", u"名詞"},
    {u"サ変名詞", u"名詞サ変"},
    {u"形容動詞語幹", u"名詞形動"},
    // The Anthy back end
    {u"名詞（な・さ・する接続）", u"名詞サ変"},
    {u"名詞（な・さ接続）", u"名詞形動"},
    {u"名詞（な・する接続）", u"名詞サ変"},
    {u"名詞（な接続）", u"名詞形動"},
    {u"名詞（する接続）", u"名詞サ変"},
};

// Common names and the names to try when an input method lacks them, nearest first.
struct Nearest {
    std::u16string_view name;
    std::u16string_view instead[3];
};
constexpr Nearest kNearest[] = {
    {u"姓", {u"人名", u"固有名詞", u"名詞"}},
    {u"名", {u"人名", u"固有名詞", u"名詞"}},
    {u"人名", {u"固有名詞", u"名詞"}},
    {u"地名", {u"固有名詞", u"名詞"}},
    {u"組織", {u"固有名詞", u"名詞"}},
    {u"固有名詞", {u"名詞"}},
    {u"名詞サ変", {u"名詞（する接続）", u"名詞"}},
    {u"名詞形動", {u"名詞（な接続）", u"名詞"}},
    {u"短縮よみ", {u"名詞"}},
    {u"数", {u"名詞"}},
    {u"アルファベット", {u"名詞"}},
    {u"記号", {u"名詞"}},
    {u"顔文字", {u"名詞"}},
    {u"単漢字", {u"名詞"}},
    {u"接尾人名", {u"接尾一般"}},
    {u"接尾地名", {u"接尾一般"}},
};

constexpr std::u16string_view kCommonPosNames[] = {
    u"名詞",         u"短縮よみ",       u"固有名詞",     u"人名",         u"姓",
    u"名",           u"組織",           u"地名",         u"名詞サ変",     u"名詞形動",
    u"数",           u"アルファベット", u"記号",         u"顔文字",       u"副詞",
    u"連体詞",       u"接続詞",         u"感動詞",       u"接頭語",       u"助数詞",
    u"接尾一般",     u"接尾人名",       u"接尾地名",     u"動詞ワ行五段", u"動詞カ行五段",
    u"動詞サ行五段", u"動詞タ行五段",   u"動詞ナ行五段", u"動詞マ行五段", u"動詞ラ行五段",
    u"動詞ガ行五段", u"動詞バ行五段",   u"動詞ハ行四段", u"動詞一段",     u"動詞カ変",
    u"動詞サ変",     u"動詞ザ変",       u"動詞ラ変",     u"形容詞",       u"終助詞",
    u"句読点",       u"独立語",         u"抑制単語",     u"品詞なし",     u"サジェストのみ",
};

// Common names and the Microsoft IME names they are written as.
constexpr NamePair kMsImeNames[] = {
    {u"名詞", u"名詞"},
    {u"固有名詞", u"固有名詞"},
    {u"人名", u"人名"},
    {u"姓", u"姓"},
    {u"名", u"名"},
    {u"地名", u"地名その他"},
    {u"組織", u"固有名詞"},
    {u"名詞サ変", u"さ変名詞"},
    {u"名詞形動", u"形動名詞"},
    {u"数", u"数詞"},
    {u"短縮よみ", u"短縮よみ"},
    {u"顔文字", u"顔文字"},
    {u"記号", u"記号"},
    {u"単漢字", u"単漢字"},
    {u"副詞", u"副詞"},
    {u"連体詞", u"連体詞"},
    {u"接続詞", u"接続詞"},
    {u"感動詞", u"感動詞"},
    {u"接頭語", u"接頭語"},
    {u"助数詞", u"助数詞"},
    {u"接尾一般", u"接尾語"},
    {u"接尾人名", u"姓名接尾語"},
    {u"接尾地名", u"地名接尾語"},
    {u"形容詞", u"形容詞"},
    {u"独立語", u"慣用句"},
    {u"動詞一段", u"一段動詞"},
    {u"動詞ワ行五段", u"あわ行五段"},
    {u"動詞カ行五段", u"か行五段"},
    {u"動詞ガ行五段", u"が行五段"},
    {u"動詞サ行五段", u"さ行五段"},
    {u"動詞タ行五段", u"た行五段"},
    {u"動詞ナ行五段", u"な行五段"},
    {u"動詞バ行五段", u"ば行五段"},
    {u"動詞マ行五段", u"ま行五段"},
    {u"動詞ラ行五段", u"ら行五段"},
    {u"動詞サ変", u"さ変動詞"},
    {u"動詞ザ変", u"ざ変動詞"},
    {u"動詞カ変", u"か変動詞"},
};

template <typename Row, std::size_t N>
const Row* Find(const Row (&rows)[N], std::u16string_view name) {
    const auto it = std::find_if(std::begin(rows), std::end(rows),
                                 [&](const Row& row) { return row.name == name; });
    return it == std::end(rows) ? nullptr : it;
}

const NamePair* FindFrom(const NamePair* begin, const NamePair* end, std::u16string_view name) {
    const NamePair* it =
        std::find_if(begin, end, [&](const NamePair& row) { return row.from == name; });
    return it == end ? nullptr : it;
}

void Add(std::vector<std::u16string_view>& list, std::u16string_view name) {
    if (!name.empty() && std::find(list.begin(), list.end(), name) == list.end())
        list.push_back(name);
}

}  // namespace

std::vector<std::u16string_view> PosNameCandidates(std::u16string_view name) {
    std::vector<std::u16string_view> list{name};
    std::u16string_view plain = name;
    if (plain.size() > 1 && (plain.back() == u'*' || plain.back() == u'$')) {
        plain.remove_suffix(1);
        Add(list, plain);
    }
    // A back end's name with a note in brackets ("副詞（と接続）") is close to the name before it.
    std::u16string_view common = plain;
    if (const NamePair* row = FindFrom(std::begin(kCommonNames), std::end(kCommonNames), plain)) {
        common = row->to;
    } else if (const std::size_t bracket = plain.find(u'（');
               bracket != std::u16string_view::npos) {
        common = plain.substr(0, bracket);
    }
    Add(list, common);
    if (const Nearest* nearest = Find(kNearest, common)) {
        for (std::u16string_view instead : nearest->instead) Add(list, instead);
    }
    return list;
}

std::uint32_t MapPosStyle(std::u16string_view name, const PosTable& table) {
    for (std::u16string_view candidate : PosNameCandidates(name)) {
        const std::uint32_t style = table.PosStyleOfName(candidate);
        if (style != kNoStyle) return style;
    }
    return kNoStyle;
}

std::u16string_view MsImePosName(std::u16string_view name) {
    for (std::u16string_view candidate : PosNameCandidates(name)) {
        const NamePair* row = FindFrom(std::begin(kMsImeNames), std::end(kMsImeNames), candidate);
        if (row) return row->to;
    }
    return u"名詞";
}

std::span<const std::u16string_view> CommonPosNames() { return kCommonPosNames; }

std::u16string_view MozcPosName(std::u16string_view name) {
    for (std::u16string_view candidate : PosNameCandidates(name)) {
        if (std::find(std::begin(kCommonPosNames), std::end(kCommonPosNames), candidate) !=
            std::end(kCommonPosNames))
            return candidate;
    }
    return u"名詞";
}

}  // namespace wk
