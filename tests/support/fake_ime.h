// SPDX-License-Identifier: MIT
// An input method of the tests' own: words in memory, chosen words refused, calls counted.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
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
        bool nullReading = false;  // enumerated as a null pointer
        bool nullWord = false;
        bool operator==(const Word&) const = default;
    };

    std::vector<PosStyle> styles{{1, u"名詞"}, {2, u"人名"}, {3, u"地名"}, {4, u"動詞一段"}};
    std::vector<Word> words;
    std::set<std::u16string> refuseRegister;    // by the word's text
    std::set<std::u16string> refuseUnregister;  // by the word's text
    bool strict = false;  // also refuses empty fields and styles not in `styles`
    bool failEnumeration = false;
    std::optional<std::size_t> lostInBatch;  // set: registrations come in a batch losing this many
    std::function<void(const Word&)> beforeRegister;    // runs at the start of every registration
    std::function<void(const Word&)> beforeUnregister;  // and of every removal
    int enumerations = 0;
    std::vector<std::u16string> calls;  // "+word" for a registration, "-word" for a removal

    std::vector<PosStyle> GetRegisterWordStyles() override { return styles; }

    bool EnumRegisterWord(const EnumWordCallback& callback) override {
        ++enumerations;
        for (const Word& w : words) {
            if (callback(w.nullReading ? nullptr : w.reading.c_str(), w.style,
                         w.nullWord ? nullptr : w.word.c_str()) == 0)
                break;
        }
        return !failEnumeration;
    }

    bool Has(const Word& word) const {
        return std::find(words.begin(), words.end(), word) != words.end();
    }

    bool RegisterWord(const std::u16string& reading, std::uint32_t style,
                      const std::u16string& word) override {
        const Word entry{reading, style, word};
        if (beforeRegister) beforeRegister(entry);
        calls.push_back(u"+" + word);
        const bool known = std::any_of(styles.begin(), styles.end(),
                                       [style](const PosStyle& row) { return row.style == style; });
        if (strict && (reading.empty() || word.empty() || !known)) return false;
        if (refuseRegister.count(word) != 0 || Has(entry)) return false;
        words.push_back(entry);
        return true;
    }

    bool UnregisterWord(const std::u16string& reading, std::uint32_t style,
                        const std::u16string& word) override {
        if (beforeUnregister) beforeUnregister({reading, style, word});
        calls.push_back(u"-" + word);
        const auto found = std::find(words.begin(), words.end(), Word{reading, style, word});
        if (refuseUnregister.count(word) != 0 || found == words.end()) return false;
        words.erase(found);
        return true;
    }

    struct Batch final : RegistrationBatch {
        std::size_t lost;
        explicit Batch(std::size_t n) : lost(n) {}
        std::size_t Finish() override { return lost; }
    };
    std::unique_ptr<RegistrationBatch> BeginBatch() override {
        if (!lostInBatch) return nullptr;
        return std::make_unique<Batch>(*lostInBatch);
    }
};

}  // namespace wk::testing
