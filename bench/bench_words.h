// SPDX-License-Identifier: MIT
// Real-looking dictionary words for benchmarks: hiragana readings, kanji and kana words.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace wk::bench {

struct BenchWord {
    std::u16string reading;
    std::u16string word;
    std::uint32_t style;
};

inline std::vector<BenchWord> MakeWords(std::size_t count, std::uint32_t styles = 45) {
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> kana(0x3041, 0x3093), kanji(0x4E00, 0x9FA0), len(2, 8),
        wlen(1, 4), style(1, static_cast<int>(styles)), mix(0, 9);
    std::vector<BenchWord> words;
    words.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        BenchWord w;
        const int n = len(rng);
        for (int k = 0; k < n; ++k) w.reading.push_back(static_cast<char16_t>(kana(rng)));
        // A suffix keeps every word distinct.
        w.reading += u"ー";
        for (std::size_t v = i; v; v /= 26)
            w.reading.push_back(static_cast<char16_t>(u'a' + v % 26));
        const int m = wlen(rng);
        for (int k = 0; k < m; ++k) {
            w.word.push_back(static_cast<char16_t>(mix(rng) < 7 ? kanji(rng) : kana(rng) + 0x60));
        }
        if (mix(rng) == 0) w.word += u"ABC";
        w.style = static_cast<std::uint32_t>(style(rng));
        words.push_back(std::move(w));
    }
    return words;
}

}  // namespace wk::bench
