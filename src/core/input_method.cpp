// SPDX-License-Identifier: MIT
#include "input_method.h"

#include "text.h"

namespace wk {

bool InputMethod::ChangeWord(const std::u16string& oldReading, std::uint32_t oldStyle,
                             const std::u16string& oldWord, const std::u16string& newReading,
                             std::uint32_t newStyle, const std::u16string& newWord) {
    if (!UnregisterWord(oldReading, oldStyle, oldWord)) return false;
    if (RegisterWord(newReading, newStyle, newWord)) return true;
    RegisterWord(oldReading, oldStyle, oldWord);
    return false;
}

std::u16string ErrorDetailOf(const InputMethod& ime) {
    return Utf8ToUtf16(ime.LastErrorDetail()).value_or(std::u16string());
}

}  // namespace wk
