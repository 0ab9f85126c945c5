#include "fake_ime.h"

#include <algorithm>

namespace wk::testing {

FakeIme::FakeIme() { styles = {{1, u"名詞"}, {2, u"人名"}, {3, u"地名"}, {4, u"動詞一段"}}; }

bool FakeIme::EnumRegisterWord(const EnumWordCallback& callback) {
    ++enumerations;
    for (const Word& entry : words) {
        if (callback(entry.reading.c_str(), entry.style, entry.word.c_str()) == 0) break;
    }
    return !failEnumeration;
}

bool FakeIme::Has(const std::u16string& reading, std::uint32_t style,
                  const std::u16string& word) const {
    return std::find(words.begin(), words.end(), Word{reading, style, word}) != words.end();
}

bool FakeIme::RegisterWord(const std::u16string& reading, std::uint32_t style,
                           const std::u16string& word) {
    calls.push_back(u"+" + word);
    if (refuseRegister.count(word) != 0 || Has(reading, style, word)) return false;
    words.push_back({reading, style, word});
    return true;
}

bool FakeIme::UnregisterWord(const std::u16string& reading, std::uint32_t style,
                             const std::u16string& word) {
    calls.push_back(u"-" + word);
    if (refuseUnregister.count(word) != 0) return false;
    const auto found = std::find(words.begin(), words.end(), Word{reading, style, word});
    if (found == words.end()) return false;
    words.erase(found);
    return true;
}

}  // namespace wk::testing
