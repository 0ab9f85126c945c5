// SPDX-License-Identifier: MIT
#include "word_checks.h"

namespace wk {

FieldCheck CheckWordFields(std::u16string_view reading, std::u16string_view word) {
    if (word.empty()) return FieldCheck::WordEmpty;
    if (reading.empty()) return FieldCheck::ReadingEmpty;
    if (word.size() > kMaxFieldLength || reading.size() > kMaxFieldLength) {
        return FieldCheck::TooLong;
    }
    return FieldCheck::Ok;
}

std::u16string_view MessageOf(FieldCheck check) {
    switch (check) {
        case FieldCheck::WordEmpty:
            return msg::kWordEmpty;
        case FieldCheck::ReadingEmpty:
            return msg::kReadingEmpty;
        case FieldCheck::TooLong:
            return msg::kTooLong;
        case FieldCheck::Ok:
            break;
    }
    return {};
}

}  // namespace wk
