#include "fake_ime.h"

#include <algorithm>

namespace wk::testing {

bool FakeIme::EnumRegisterWord(const EnumWordCallback& callback) {
    ++enumerations;
    for (const Word& entry : words) {
        if (callback(entry.reading.c_str(), entry.style, entry.word.c_str()) == 0) break;
    }
    return !failEnumeration;
}

bool FakeIme::Has(const Word& word) const {
    return std::find(words.begin(), words.end(), word) != words.end();
}

bool FakeIme::RegisterWord(const std::u16string& reading, std::uint32_t style,
                           const std::u16string& word) {
    if (beforeRegister) beforeRegister();
    calls.push_back(u"+" + word);
    if (refuseRegister.count(word) != 0 || Has({reading, style, word})) return false;
    words.push_back({reading, style, word});
    return true;
}

bool FakeIme::UnregisterWord(const std::u16string& reading, std::uint32_t style,
                             const std::u16string& word) {
    calls.push_back(u"-" + word);
    const auto found = std::find(words.begin(), words.end(), Word{reading, style, word});
    if (refuseUnregister.count(word) != 0 || found == words.end()) return false;
    words.erase(found);
    return true;
}

}  // namespace wk::testing
