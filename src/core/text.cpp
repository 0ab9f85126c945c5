#include "text.h"

#include "messages.h"

namespace wk {

namespace {

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    while (p < end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            out.push_back(b);
            ++p;
            continue;
        }
        int extra;
        char32_t cp;
        char32_t min;
        if ((b & 0xE0) == 0xC0) {
            extra = 1, cp = b & 0x1F, min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2, cp = b & 0x0F, min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3, cp = b & 0x07, min = 0x10000;
        } else {
            return std::nullopt;
        }
        if (end - p <= extra) return std::nullopt;
        for (int i = 1; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80) return std::nullopt;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        p += extra + 1;
    }
    return out;
}

void AppendUtf8(std::string& out, std::u16string_view utf16) {
    const std::size_t start = out.size();
    out.resize(start + utf16.size() * 3);
    char* end = WriteUtf8(utf16, out.data() + start);
    out.resize(static_cast<std::size_t>(end - out.data()));
}

char* WriteUtf8(std::u16string_view utf16, char* p) {
    // Plain stores into room made beforehand: this runs for every listed word.
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp < 0x80) {
            *p++ = static_cast<char>(cp);
            continue;
        }
        if (IsHigh(utf16[i]) && i + 1 < utf16.size() && IsLow(utf16[i + 1])) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (IsHigh(utf16[i]) || IsLow(utf16[i])) {
            cp = 0xFFFD;
        }
        if (cp < 0x800) {
            *p++ = static_cast<char>(0xC0 | (cp >> 6));
        } else if (cp < 0x10000) {
            *p++ = static_cast<char>(0xE0 | (cp >> 12));
            *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        } else {
            // Four bytes from two code units: still within the reserved three per unit.
            *p++ = static_cast<char>(0xF0 | (cp >> 18));
            *p++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        }
        *p++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return p;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size() * 3);
    AppendUtf8(out, utf16);
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
#include <cstring>

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
