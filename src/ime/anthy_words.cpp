// SPDX-License-Identifier: MIT
#include "anthy_words.h"

#include <algorithm>
#include <numeric>

namespace wk::ime {

bool ParseAnthyLine(std::string_view line, AnthyLine& out) {
    // A line written with a CR LF end holds the same entry as without the CR.
    if (line.ends_with('\r')) line.remove_suffix(1);
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos) return false;
    out.reading = line.substr(0, space);
    std::string_view rest = line.substr(space + 1);
    // Anthy passes over the spaces between the reading and the type.
    const std::size_t typeStart = rest.find_first_not_of(' ');
    rest = typeStart == std::string_view::npos ? std::string_view() : rest.substr(typeStart);

    std::size_t typeLength = 0;
    while (typeLength < rest.size() && typeLength < kAnthyWordTypeBytes &&
           rest[typeLength] != '*' && rest[typeLength] != ' ') {
        ++typeLength;
    }
    out.wtype = rest.substr(0, typeLength);

    // The word is whatever follows the first space after the type and frequency.
    const std::size_t wordSpace = rest.find(' ');
    out.hasWord = wordSpace != std::string_view::npos;
    out.word = out.hasWord ? rest.substr(wordSpace + 1) : std::string_view();
    return true;
}

std::string FormatAnthyLine(std::string_view reading, std::string_view wtype, int frequency,
                            std::string_view word) {
    std::string line;
    line.reserve(reading.size() + wtype.size() + word.size() + 16);
    line.append(reading);
    line.push_back(' ');
    line.append(wtype);
    line.push_back('*');
    line.append(std::to_string(frequency));
    line.push_back(' ');
    line.append(word);
    line.push_back('\n');
    return line;
}

namespace {

bool Matches(std::string_view line, std::string_view reading, std::string_view wtype,
             std::string_view word) {
    AnthyLine entry;
    return ParseAnthyLine(line, entry) && entry.hasWord && entry.reading == reading &&
           entry.wtype == wtype && entry.word == word;
}

}  // namespace

bool ContainsAnthyWord(std::string_view text, std::string_view reading, std::string_view wtype,
                       std::string_view word) {
    bool found = false;
    ForEachAnthyLine(text, [&](std::string_view line) {
        found = Matches(line, reading, wtype, word);
        return !found;
    });
    return found;
}

std::string MergeAnthyRecords(std::string_view text, const std::vector<AnthyRecord>& records) {
    // Anthy puts a new word before the first line whose reading is not smaller. Over a
    // file in any order that is the first line where the largest reading so far is not
    // smaller, and the new word keeps that running maximum ordered; so the records, sorted
    // by reading with the later of equal readings first, merge in one pass.
    std::vector<std::size_t> order(records.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int c = records[a].reading.compare(records[b].reading);
        return c != 0 ? c < 0 : a > b;
    });

    std::size_t added = 0;
    for (const AnthyRecord& r : records) {
        added += r.reading.size() + r.wtype.size() + r.word.size() + 16;
    }
    std::string out;
    out.reserve(text.size() + 1 + added);

    std::size_t next = 0;
    const auto emitUpTo = [&](std::string_view bound) {
        while (next < order.size() && std::string_view(records[order[next]].reading) <= bound) {
            const AnthyRecord& r = records[order[next++]];
            out.append(FormatAnthyLine(r.reading, r.wtype, r.frequency, r.word));
        }
    };
    std::string_view highest;
    ForEachAnthyLine(text, [&](std::string_view line) {
        AnthyLine entry;
        if (ParseAnthyLine(line, entry)) {
            highest = std::max(highest, entry.reading);
            emitUpTo(highest);
        }
        out.append(line);
        out.push_back('\n');
        return true;
    });
    while (next < order.size()) {
        const AnthyRecord& r = records[order[next++]];
        out.append(FormatAnthyLine(r.reading, r.wtype, r.frequency, r.word));
    }
    return out;
}

std::string RemoveAnthyWord(std::string_view text, std::string_view reading, std::string_view wtype,
                            std::string_view word, std::size_t& removed) {
    removed = 0;
    std::string out;
    out.reserve(text.size() + 1);
    ForEachAnthyLine(text, [&](std::string_view line) {
        if (Matches(line, reading, wtype, word)) {
            ++removed;
        } else {
            out.append(line);
            out.push_back('\n');
        }
        return true;
    });
    return out;
}

}  // namespace wk::ime
