// SPDX-License-Identifier: MIT
#include "foreign_formats.h"

#include <algorithm>
#include <new>

#include "buffered_file.h"
#include "core/pos_mapping.h"
#include "core/text.h"

namespace wk::textfile {

namespace {

// One CSV field from `at`; false when the line ends inside it or it is too long.
bool CsvField(std::u16string_view line, std::size_t& at, std::u16string& field) {
    field.clear();
    if (at < line.size() && line[at] == u'"') {
        for (++at; at < line.size(); ++at) {
            if (line[at] == u'"') {
                if (at + 1 < line.size() && line[at + 1] == u'"') {
                    field.push_back(u'"');
                    ++at;
                } else {
                    ++at;
                    break;
                }
            } else if (line[at] == u'\r' && at + 1 == line.size()) {
                return false;  // no closing quote
            } else {
                field.push_back(line[at]);
            }
        }
    } else {
        while (at < line.size() && line[at] != u',' && line[at] != u'\r')
            field.push_back(line[at++]);
    }
    if (field.size() > kMaxTextFieldLength) return false;
    // A field ends at a comma or at the end of the line.
    if (at < line.size() && line[at] != u',' && line[at] != u'\r') return false;
    return at < line.size();
}

}  // namespace

LineKind ForeignLineParser::ParseUnreadable(std::u16string_view line, DictionaryRecord& record) {
    if (line.empty() || line[0] != u'"') return LineKind::Unreadable;
    std::size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        if (!CsvField(line, at, fields_[i])) return LineKind::Unreadable;
        if (i < 2 && line[at++] != u',') return LineKind::Unreadable;
    }
    record = {fields_[0], fields_[1], fields_[2]};
    return LineKind::Record;
}

namespace {

void AppendUtf16Le(std::u16string_view text, std::string& out) {
    for (const char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
}

}  // namespace

WriteResult WriteForeignLines(OpenFile& file, const WordEntryList& list, std::int32_t count,
                              ExportFormat format, const WriteHooks& hooks) {
    const bool msIme = format == ExportFormat::MsIme;
    return WriteThroughBuffer(file, [&](CBufferedFile& out, WriteResult& result) {
        if (hooks.onStart) hooks.onStart();
        try {
            std::string bytes;
            std::u16string line;
            if (msIme) {
                bytes = "\xFF\xFE";
                AppendUtf16Le(
                    u"!Microsoft IME Dictionary Tool\r\n!Version:\r\n!Format:WORDLIST\r\n\r\n",
                    bytes);
            }
            const std::int32_t last = std::min(count, static_cast<std::int32_t>(list.Count()));
            for (std::int32_t i = 0; i < last && !out.writeFailed(); ++i) {
                const WordEntryView entry = *list.EntryAt(i);
                line.assign(entry.reading);
                line.push_back(u'\t');
                line.append(entry.word);
                line.push_back(u'\t');
                if (msIme) {
                    line.append(MsImePosName(entry.posName));
                    line.append(u"\r\n");
                    AppendUtf16Le(line, bytes);
                } else {
                    line.append(MozcPosName(entry.posName));
                    line.append(u"\t\n");
                    std::size_t unpaired = 0;  // an unpaired surrogate goes out as "?"
                    AppendUtf8(bytes, line, &unpaired);
                }
                out.PutBytes(bytes.data(), static_cast<std::int32_t>(bytes.size()));
                bytes.clear();
                ++result.lines;
            }
            if (!bytes.empty()) out.PutBytes(bytes.data(), static_cast<std::int32_t>(bytes.size()));
        } catch (const std::bad_alloc&) {
            return WriteOutcome::OutOfMemory;
        }
        return WriteOutcome::Written;
    });
}

}  // namespace wk::textfile
