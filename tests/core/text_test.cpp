// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "core/text.h"

namespace wk {
namespace {

TEST(Utf8, RoundTripsEveryPlane) {
    const std::u16string text = u"aé語ｶﾀｶﾅ\xD83D\xDE00\x7F";
    const std::string utf8 = Utf16ToUtf8(text);
    EXPECT_EQ(utf8,
              "a\xC3\xA9\xE8\xAA\x9E\xEF\xBD\xB6\xEF\xBE\x80\xEF\xBD\xB6\xEF\xBE\x85"
              "\xF0\x9F\x98\x80\x7F");
    EXPECT_EQ(Utf8ToUtf16(utf8), text);
    EXPECT_EQ(Utf16ToUtf8(u"a\xDC00"), "a\xEF\xBF\xBD");  // a lone surrogate
}

TEST(Utf8, RejectsMalformedInput) {
    // A byte that leads nothing, a sequence cut short, the bounds of a second byte.
    for (const char* b : {"ok\xC0\xAF", "\xC3", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"})
        EXPECT_FALSE(Utf8ToUtf16(b).has_value()) << b;
}

}  // namespace
}  // namespace wk
