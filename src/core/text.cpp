// SPDX-License-Identifier: MIT
#include "text.h"

#include <cstring>

#include "messages.h"

namespace wk {

namespace {

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

namespace {

// The range of the first continuation byte after a lead byte, and how many follow.
// need 0: not a lead byte.
struct LeadRule {
    int need = 0;
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
};

LeadRule RuleOf(std::uint8_t b) {
    if (b >= 0xC2 && b <= 0xDF) return {1, 0x80, 0xBF};
    if (b == 0xE0) return {2, 0xA0, 0xBF};
    if (b == 0xED) return {2, 0x80, 0x9F};
    if (b >= 0xE1 && b <= 0xEF) return {2, 0x80, 0xBF};
    if (b == 0xF0) return {3, 0x90, 0xBF};
    if (b >= 0xF1 && b <= 0xF3) return {3, 0x80, 0xBF};
    if (b == 0xF4) return {3, 0x80, 0x8F};
    return {};
}

}  // namespace

bool DecodeUtf8(std::string_view utf8, std::u16string& out) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(utf8.data());
    const auto* end = p + utf8.size();
    out.reserve(out.size() + utf8.size());
    bool valid = true;
    while (p < end) {
        const std::uint8_t b = *p;
        if (b < 0x80) {
            out.push_back(b);
            ++p;
            continue;
        }
        LeadRule rule = RuleOf(b);
        if (rule.need == 0) {
            out.push_back(kReplacementCharacter);
            valid = false;
            ++p;
            continue;
        }
        char32_t cp = b & (0x7F >> (rule.need + 1));
        const std::uint8_t* q = p + 1;
        bool complete = true;
        for (int i = 0; i < rule.need; ++i) {
            if (q >= end || *q < rule.low || *q > rule.high) {
                complete = false;
                break;
            }
            cp = (cp << 6) | (*q & 0x3F);
            ++q;
            rule.low = 0x80;
            rule.high = 0xBF;
        }
        p = q;
        if (!complete) {
            out.push_back(kReplacementCharacter);
            valid = false;
        } else if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return valid;
}

std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    if (!DecodeUtf8(utf8, out)) return std::nullopt;
    return out;
}

char* WriteUtf8(std::u16string_view utf16, char* out, std::size_t* replaced) {
    // Plain stores into room made beforehand: this runs for every listed or exported word.
    const std::size_t n = utf16.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char32_t c = utf16[i];
        if (c < 0x80) {
            *out++ = static_cast<char>(c);
        } else if (c < 0x800) {
            *out++ = static_cast<char>(0xC0 | (c >> 6));
            *out++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (IsHigh(static_cast<char16_t>(c)) && i + 1 < n && IsLow(utf16[i + 1])) {
            // Four bytes from two code units: still within the reserved three per unit.
            const char32_t cp = 0x10000 + ((c - 0xD800) << 10) + (utf16[++i] - 0xDC00);
            *out++ = static_cast<char>(0xF0 | (cp >> 18));
            *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (cp & 0x3F));
        } else if (IsHigh(static_cast<char16_t>(c)) || IsLow(static_cast<char16_t>(c))) {
            if (replaced != nullptr) {
                *out++ = '?';
                ++*replaced;
            } else {
                *out++ = '\xEF';
                *out++ = '\xBF';
                *out++ = '\xBD';
            }
        } else {
            *out++ = static_cast<char>(0xE0 | (c >> 12));
            *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

void AppendUtf8(std::string& out, std::u16string_view utf16, std::size_t* replaced) {
    const std::size_t start = out.size();
    out.resize(start + utf16.size() * 3);
    char* end = WriteUtf8(utf16, out.data() + start, replaced);
    out.resize(static_cast<std::size_t>(end - out.data()));
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    AppendUtf8(out, utf16);
    return out;
}

bool Utf8Validator::Feed(const std::uint8_t* bytes, std::size_t size) {
    const std::uint8_t* p = bytes;
    const std::uint8_t* end = bytes + size;
    while (valid_ && p < end) {
        if (need_ == 0) {
            // Plain ASCII, eight bytes at a time.
            while (end - p >= 8) {
                std::uint64_t word;
                std::memcpy(&word, p, 8);
                if (word & 0x8080808080808080ull) break;
                p += 8;
            }
            if (p == end) break;
            const std::uint8_t b = *p++;
            if (b < 0x80) continue;
            nonAscii_ = true;
            const LeadRule rule = RuleOf(b);
            if (rule.need == 0) {
                valid_ = false;
                break;
            }
            need_ = rule.need;
            low_ = rule.low;
            high_ = rule.high;
        } else {
            const std::uint8_t b = *p++;
            if (b < low_ || b > high_) {
                valid_ = false;
                break;
            }
            --need_;
            low_ = 0x80;
            high_ = 0xBF;
        }
    }
    return valid_;
}

std::string ShownPath(std::string_view path) {
    if (Utf8ToUtf16(path)) return std::string(path);
    std::string out;
    for (const char c : path) out.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '?');
    return out;
}

bool HasUnpairedSurrogate(std::u16string_view utf16) {
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        if (IsHigh(utf16[i])) {
            if (i + 1 >= utf16.size() || !IsLow(utf16[i + 1])) return true;
            ++i;
        } else if (IsLow(utf16[i])) {
            return true;
        }
    }
    return false;
}

bool HasControlCharacter(std::u16string_view utf16) {
    for (char16_t c : utf16) {
        if (c < 0x20 || c == 0x7F) return true;
    }
    return false;
}

}  // namespace wk

#include <cerrno>

namespace wk {

std::string SystemErrorText(int errnum) {
    switch (errnum) {
        case ENOENT:
            return "ファイルまたはフォルダーがありません";
        case EACCES:
        case EPERM:
            return "アクセスが許可されていません";
        case EISDIR:
            return "フォルダーです";
        case ENOTDIR:
            return "フォルダーではありません";
        case ENOSPC:
            return "ディスクの空き容量が足りません";
        case EDQUOT:
            return "ディスクの割り当て容量を超えています";
        case EROFS:
            return "読み取り専用のファイルシステムです";
        case EIO:
            return "入出力エラーです";
        case EFBIG:
            return "ファイルが大きすぎます";
        case ENAMETOOLONG:
            return "ファイル名が長すぎます";
        case EMFILE:
        case ENFILE:
            return "開いているファイルが多すぎます";
        case ENOMEM:
            return Utf16ToUtf8(msg::kNoStorage);
        default:
            return std::strerror(errnum);
    }
}

}  // namespace wk
