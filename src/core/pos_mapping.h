// SPDX-License-Identifier: MIT
// Part-of-speech names of other input methods and back ends, mapped onto the styles of the
// input method at hand.
//
// Every name is first taken to its common name, the one the embedded store (and Mozc) use
// ("さ変名詞" of Microsoft IME, "固有人名" of ATOK and "普通名詞" of Kotoeri become "名詞サ変",
// "人名" and "名詞"), then to the nearest names an input method may have instead ("姓" to
// "人名", "名詞サ変" to Anthy's "名詞（する接続）", then "名詞").
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "dictionary.h"

namespace wk {

// The common names, which the embedded store offers with the codes 1, 2, 3 ... in this order
// and Mozc knows by the same names.
std::span<const std::u16string_view> CommonPosNames();

// The names to try for `name`, best first: the name itself, without an ATOK learning mark
// ("*" or "$" at its end), its common name, then the nearest names. Never empty; the views
// point into `name` or into static text.
std::vector<std::u16string_view> PosNameCandidates(std::u16string_view name);

// The style of the first candidate `table` has; kNoStyle when it has none of them.
std::uint32_t MapPosStyle(std::u16string_view name, const PosTable& table);

// The name for `name` in a file another input method reads: the first candidate it knows,
// "名詞" when it knows none. The view may point into `name`.
std::u16string_view MsImePosName(std::u16string_view name);
std::u16string_view MozcPosName(std::u16string_view name);

}  // namespace wk
