// SPDX-License-Identifier: MIT
#include "codec.h"

#include <iconv.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "core/text.h"

namespace wk::textfile {

namespace {

constexpr const char* kUtf16Native =
    std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

bool IsLeadByte(std::uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrailByte(std::uint8_t b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }
bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

// ---- code page 932

namespace {

constexpr std::uint16_t kNoMapping = 0xFFFF;

// The code page 932 bytes of every UTF-16 unit outside the surrogates, asked of iconv one
// unit at a time: below 0x100 one byte, otherwise lead byte and trail byte; kNoMapping for
// a unit without a character. Nullptr when iconv has no code page 932.
const std::uint16_t* Cp932Table() {
    static const std::unique_ptr<std::uint16_t[]> table = []() -> std::unique_ptr<std::uint16_t[]> {
        const iconv_t cd = ::iconv_open("CP932", kUtf16Native);
        if (cd == kNoConverter) return nullptr;
        std::unique_ptr<std::uint16_t[]> units(new (std::nothrow) std::uint16_t[0x10000]);
        if (!units) {
            ::iconv_close(cd);
            return nullptr;
        }
        for (std::uint32_t c = 0; c < 0x10000; ++c) {
            units[c] = kNoMapping;
            if (IsHigh(static_cast<char16_t>(c)) || IsLow(static_cast<char16_t>(c))) continue;
            const char16_t unit = static_cast<char16_t>(c);
            char* in = reinterpret_cast<char*>(const_cast<char16_t*>(&unit));
            std::size_t inLeft = sizeof unit;
            char bytes[8];
            char* out = bytes;
            std::size_t outLeft = sizeof bytes;
            ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (::iconv(cd, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) continue;
            const auto b0 = static_cast<std::uint8_t>(bytes[0]);
            if (out - bytes == 1) {
                units[c] = b0;
            } else if (out - bytes == 2 && b0 >= 0x81) {
                units[c] =
                    static_cast<std::uint16_t>(b0 << 8 | static_cast<std::uint8_t>(bytes[1]));
            }
        }
        ::iconv_close(cd);
        return units;
    }();
    return table.get();
}

}  // namespace

std::unique_ptr<Cp932Codec> Cp932Codec::Open() {
    iconv_t decoder = ::iconv_open(kUtf16Native, "CP932");
    if (decoder == kNoConverter) return nullptr;
    const std::uint16_t* table = Cp932Table();
    if (table == nullptr) {
        ::iconv_close(decoder);
        return nullptr;
    }
    return std::unique_ptr<Cp932Codec>(new Cp932Codec(decoder, table));
}

Cp932Codec::~Cp932Codec() { ::iconv_close(static_cast<iconv_t>(decoder_)); }

void Cp932Codec::Decode(std::string_view bytes, std::u16string& out) {
    const auto cd = static_cast<iconv_t>(decoder_);
    const std::size_t start = out.size();
    // One byte never gives more than one UTF-16 unit.
    out.resize(start + bytes.size());
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* outBytes = reinterpret_cast<char*>(out.data() + start);
    std::size_t outLeft = bytes.size() * sizeof(char16_t);
    while (inLeft > 0) {
        if (::iconv(cd, &in, &inLeft, &outBytes, &outLeft) != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            const std::size_t used = out.size() * sizeof(char16_t) - outLeft;
            out.resize(out.size() + inLeft + 8);
            outBytes = reinterpret_cast<char*>(out.data()) + used;
            outLeft = out.size() * sizeof(char16_t) - used;
            continue;
        }
        // EILSEQ or EINVAL: an invalid or incomplete sequence begins at `in`.
        const auto lead = static_cast<std::uint8_t>(in[0]);
        const std::size_t skip =
            IsLeadByte(lead) && inLeft >= 2 && IsTrailByte(static_cast<std::uint8_t>(in[1])) ? 2
                                                                                             : 1;
        std::memcpy(outBytes, &kCp932Invalid, sizeof(char16_t));
        outBytes += sizeof(char16_t);
        outLeft -= sizeof(char16_t);
        in += skip;
        inLeft -= skip;
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(static_cast<std::size_t>(reinterpret_cast<char16_t*>(outBytes) - out.data()));
}

char* Cp932Codec::EncodeInto(std::u16string_view text, char* out, std::size_t& replaced) const {
    const std::uint16_t* table = table_;
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t c = text[i];
        const std::uint16_t code = table[c];
        if (code < 0x100) {
            *out++ = static_cast<char>(code);
        } else if (code != kNoMapping) {
            *out++ = static_cast<char>(code >> 8);
            *out++ = static_cast<char>(code & 0xFF);
        } else {
            // A character without a mapping: a surrogate pair is one character.
            if (IsHigh(c) && i + 1 < n && IsLow(text[i + 1])) ++i;
            *out++ = kUnmappable;
            ++replaced;
        }
    }
    return out;
}

// ---- UTF-16

void Utf16Transcoder::Feed(const std::uint8_t* bytes, std::size_t size, std::string& out) {
    // The units go out together; a high surrogate at the end waits for its partner.
    units_.clear();
    if (heldHigh_ != 0) units_.push_back(std::exchange(heldHigh_, 0));
    for (std::size_t i = 0; i < size; ++i) {
        if (heldByte_ < 0) {
            heldByte_ = bytes[i];
            continue;
        }
        const auto first = static_cast<std::uint8_t>(heldByte_);
        heldByte_ = -1;
        units_.push_back(bigEndian_ ? static_cast<char16_t>(first << 8 | bytes[i])
                                    : static_cast<char16_t>(bytes[i] << 8 | first));
    }
    if (!units_.empty() && IsHigh(units_.back())) {
        heldHigh_ = units_.back();
        units_.pop_back();
    }
    AppendUtf8(out, units_);
}

void Utf16Transcoder::Finish(std::string& out) {
    if (heldHigh_ != 0) AppendUtf8(out, u"\uFFFD");
    if (heldByte_ >= 0) AppendUtf8(out, u"\uFFFD");
    heldHigh_ = 0;
    heldByte_ = -1;
}

ByteOrderMark DetectByteOrderMark(std::string_view head) {
    if (head.starts_with("\xEF\xBB\xBF")) return {TextEncoding::Utf8, 3};
    if (head.starts_with("\xFF\xFE")) return {TextEncoding::Utf16Le, 2};
    if (head.starts_with("\xFE\xFF")) return {TextEncoding::Utf16Be, 2};
    return {};
}

}  // namespace wk::textfile
