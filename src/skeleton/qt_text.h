// SPDX-License-Identifier: MIT
// Moving UTF-16 text between the core's std::u16string and Qt's QString.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace wk {

inline QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::u16string ToU16(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

}  // namespace wk
