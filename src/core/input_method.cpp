#include "input_method.h"

#include "text.h"

namespace wk {

std::u16string ErrorDetailOf(const InputMethod& ime) {
    return Utf8ToUtf16(ime.LastErrorDetail()).value_or(std::u16string());
}

}  // namespace wk
