// SPDX-License-Identifier: MIT
// The field checks shared by the word dialog, the quick-add form and the command-line tool.
#pragma once

#include <string>
#include <string_view>

#include "messages.h"

namespace wk {

inline constexpr std::size_t kMaxFieldLength = 60;  // code units; 61 is the first refused

enum class FieldCheck { Ok, WordEmpty, ReadingEmpty, TooLong };

// In order: the word empty, the reading empty, either longer than 60 code units.
FieldCheck CheckWordFields(std::u16string_view reading, std::u16string_view word);

// The message for a failed check; empty for FieldCheck::Ok.
std::u16string_view MessageOf(FieldCheck check);

}  // namespace wk
