// An input method of the tests' own: words in memory, chosen words refused, calls logged.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "core/input_method.h"

namespace wk::testing {

class FakeIme final : public InputMethod {
  public:
    struct Word {
        std::u16string reading;
        std::uint32_t style = 0;
        std::u16string word;
        bool operator==(const Word&) const = default;
    };

    // Styles 1 to 4: 名詞, 人名, 地名, 動詞一段.
    FakeIme();

    std::vector<PosStyle> GetRegisterWordStyles() override { return styles; }
    bool EnumRegisterWord(const EnumWordCallback& callback) override;
    bool RegisterWord(const std::u16string& reading, std::uint32_t style,
                      const std::u16string& word) override;
    bool UnregisterWord(const std::u16string& reading, std::uint32_t style,
                        const std::u16string& word) override;

    bool Has(const std::u16string& reading, std::uint32_t style, const std::u16string& word) const;

    std::vector<PosStyle> styles;
    std::vector<Word> words;
    std::set<std::u16string> refuseRegister;    // words (the text) whose registration fails
    std::set<std::u16string> refuseUnregister;  // words whose removal fails
    bool failEnumeration = false;               // report the dictionary as unreadable
    int enumerations = 0;
    std::vector<std::u16string> calls;  // "+word" registered, "-word" removed, in order
};

}  // namespace wk::testing
