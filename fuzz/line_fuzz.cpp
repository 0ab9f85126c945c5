// Feeds arbitrary UTF-16 text (the input's bytes taken in pairs, low byte first) to
// ParseDictionaryLine and compares its answer with a plain reading of the line format: a
// line starting with "!" or CR is skipped; otherwise its first three fields, each ended by
// TAB or CR and at most 255 code units long, make the record, and anything else is
// unreadable.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "textfile/dictionary_text.h"

using namespace wk::textfile;

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

bool Inside(std::u16string_view part, std::u16string_view line) {
    return part.data() >= line.data() && part.data() + part.size() <= line.data() + line.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    }
    const std::u16string_view line(text);

    DictionaryRecord record;
    const LineKind kind = ParseDictionaryLine(line, record);

    if (!line.empty() && (line[0] == u'!' || line[0] == u'\r')) {
        Check(kind == LineKind::Skip);
        return 0;
    }
    std::u16string_view fields[3];
    std::size_t start = 0;
    int found = 0;
    for (std::size_t i = 0; i < line.size() && found < 3; ++i) {
        if (line[i] == u'\t' || line[i] == u'\r') {
            fields[found++] = line.substr(start, i - start);
            start = i + 1;
        }
    }
    bool readable = found == 3;
    for (int f = 0; f < found; ++f) readable = readable && fields[f].size() <= kMaxTextFieldLength;

    if (!readable) {
        Check(kind == LineKind::Unreadable);
        return 0;
    }
    Check(kind == LineKind::Record);
    Check(record.reading == fields[0] && record.word == fields[1] && record.posName == fields[2]);
    Check(Inside(record.reading, line) && Inside(record.word, line) &&
          Inside(record.posName, line));
    return 0;
}
