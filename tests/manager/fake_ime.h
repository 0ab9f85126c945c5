// An input method of the tests' own: words in memory, chosen words refused, calls logged.
#pragma once

#include <functional>
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

    std::vector<PosStyle> GetRegisterWordStyles() override { return styles; }
    bool EnumRegisterWord(const EnumWordCallback& callback) override;
    bool RegisterWord(const std::u16string& reading, std::uint32_t style,
                      const std::u16string& word) override;
    bool UnregisterWord(const std::u16string& reading, std::uint32_t style,
                        const std::u16string& word) override;
    bool Has(const Word& word) const;

    std::vector<PosStyle> styles{{1, u"名詞"}, {2, u"人名"}, {3, u"地名"}, {4, u"動詞一段"}};
    std::vector<Word> words;
    std::set<std::u16string> refuseRegister;    // by the word's text
    std::set<std::u16string> refuseUnregister;  // by the word's text
    bool failEnumeration = false;
    std::function<void()> beforeRegister;  // runs at the start of every registration
    int enumerations = 0;
    std::vector<std::u16string> calls;  // "+word" for a registration, "-word" for a removal
};

}  // namespace wk::testing
