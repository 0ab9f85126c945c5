#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes.h"
#include "record_line.h"
#include "textfile/dictionary_text.h"

namespace wk::textfile {
namespace {

using testing::U8;

struct Word {
    std::u16string reading, word, posName;
};

WordEntryList ListOf(const std::vector<Word>& words) {
    WordEntryList list;
    for (auto it = words.rbegin(); it != words.rend(); ++it) {
        auto entry = std::make_unique<WordEntry>();
        entry->reading = it->reading;
        entry->word = it->word;
        entry->posName = it->posName;
        list.PushFront(std::move(entry));
    }
    return list;
}

struct FormatCase {
    Word word;
    OutputEncoding encoding;
    std::string bytes;
    std::size_t replaced;
};

TEST(FormatDictionaryLine, Bytes) {
    const FormatCase cases[] = {
        {{u"あい", u"愛", u"名詞"},
         OutputEncoding::Cp932,
         "\x82\xa0\x82\xa2\t\x88\xa4\t\x96\xbc\x8e\x8c",
         0},
        {{u"ｶﾅ", u"ﾃｷｽﾄ", u"x"}, OutputEncoding::Cp932, "\xb6\xc5\t\xc3\xb7\xbd\xc4\tx", 0},
        {{u"〜", u"−", u"¥"}, OutputEncoding::Cp932, "\x81\x60\t\x81\x7c\t\x5c", 0},
        {{u"～", u"—", u"∥"}, OutputEncoding::Cp932, "\x81\x60\t\x81\x5c\t\x81\x61", 0},
        {{u"①", u"髙", u"ⅰ"}, OutputEncoding::Cp932, "\x87\x40\t\xfb\xfc\t\xfa\x40", 0},
        {{u"a", u"b", u""}, OutputEncoding::Cp932, "a\tb\t", 0},
        {{u"café", u"😀", u"n"}, OutputEncoding::Cp932, "caf?\t?\tn", 2},
        {{u"x\xD800", u"y", u"z"}, OutputEncoding::Cp932, "x?\ty\tz", 1},
        {{u"あ", u"😀", u"名詞"}, OutputEncoding::Utf8, "あ\t😀\t名詞", 0},
        {{u"x\xDC00", u"y", u"z"}, OutputEncoding::Utf8, "x?\ty\tz", 1},
        // A pair is one character; halves on either side of a TAB are two.
        {{u"\xD83D", u"\xDE00x", u"\xD83D\xDE00"}, OutputEncoding::Cp932, "?\t?x\t?", 3},
        {{u"\xD83D", u"\xDE00x", u"\xD83D\xDE00"},
         OutputEncoding::Utf8,
         "?\t?x\t\xF0\x9F\x98\x80",
         2},
        {{u"©\xDC00\xD800", u"", u"\xFFFF"}, OutputEncoding::Cp932, "???\t\t?", 4},
    };
    for (const FormatCase& c : cases) {
        std::size_t replaced = 99;
        EXPECT_EQ(FormatDictionaryLine(c.word.reading, c.word.word, c.word.posName, c.encoding,
                                       &replaced),
                  c.bytes)
            << U8(c.word.reading);
        EXPECT_EQ(replaced, c.replaced) << U8(c.word.reading);
    }
}

// What the export writes reads back as the same words, in the same order, but for the
// cases the format cannot carry.
TEST(DictionaryText, RoundTrip) {
    const std::vector<Word> words = {
        {u"あい", u"愛", u"名詞"},
        {u"かな", u"ｶﾅ", u"名詞"},
        {u"", u"空の読み", u"記号"},
        {u"から", u"〜", u"記号"},
        {u"えん", u"¥", u"記号"},
        {u"!びっくり", u"!", u"記号"},
        {u"えもじ", u"😀", u"顔文字"},
        {u"たぶ", u"a\tb", u"記号"},
        {u"ながい", std::u16string(300, u'長'), u"名詞"},
    };
    struct Expect {
        OutputEncoding encoding;
        std::vector<std::string> records;
    };
    const Expect expects[] = {
        {OutputEncoding::Cp932,
         {"あい|愛|名詞", "かな|ｶﾅ|名詞", "|空の読み|記号", "から|～|記号", "えん|\\|記号",
          "えもじ|?|顔文字", "たぶ|a|b"}},
        {OutputEncoding::Utf8,
         {"あい|愛|名詞", "かな|ｶﾅ|名詞", "|空の読み|記号", "から|〜|記号", "えん|¥|記号",
          "えもじ|😀|顔文字", "たぶ|a|b"}},
    };
    for (OutputEncoding encoding : {OutputEncoding::Cp932, OutputEncoding::Utf8}) {
        MemoryFile file;  // an empty list is the header alone
        EXPECT_EQ(WriteDictionaryLines(file, WordEntryList(), 0, encoding).outcome,
                  WriteOutcome::Written);
        EXPECT_EQ(file.bytes(), "!Wordkeeper out-put text file\r\n");
    }
    const WordEntryList list = ListOf(words);
    for (const Expect& e : expects) {
        MemoryFile file;
        ASSERT_EQ(WriteDictionaryLines(file, list, list.Count(), e.encoding).outcome,
                  WriteOutcome::Written);
        std::vector<std::string> records;
        const ReadResult read = ReadDictionaryLines(file, [&](const DictionaryRecord& r) {
            records.push_back(U8(r.reading) + "|" + U8(r.word) + "|" + U8(r.posName));
        });
        // The 300-character word is the last line, and the reader stops there.
        EXPECT_EQ(read.outcome, ReadOutcome::Unreadable);
        EXPECT_EQ(read.line, 10);
        EXPECT_EQ(records, e.records);
        EXPECT_EQ(read.encoding,
                  e.encoding == OutputEncoding::Utf8 ? TextEncoding::Utf8 : TextEncoding::Cp932);
    }
}

// The file is the header and the lines, whatever the number of lines, in both encodings.
TEST(WriteDictionaryLines, ManyLinesAreTheLinesOneByOne) {
    std::vector<Word> words;
    for (int i = 0; i < 60000; ++i) {
        std::u16string text(1 + i % 40, static_cast<char16_t>(u'ぁ' + i % 83));
        words.push_back({text, text + (i % 100 == 0 ? u"😀" : u"語"), u"名詞"});
    }
    const WordEntryList list = ListOf(words);
    for (OutputEncoding encoding : {OutputEncoding::Cp932, OutputEncoding::Utf8}) {
        std::string expected = "!Wordkeeper out-put text file\r\n";
        for (const Word& w : words)
            expected += FormatDictionaryLine(w.reading, w.word, w.posName, encoding) + "\r\n";
        MemoryFile file;
        const WriteResult result = WriteDictionaryLines(file, list, list.Count(), encoding);
        EXPECT_EQ(result.lines, 60000);
        EXPECT_EQ(result.replacedWords, encoding == OutputEncoding::Cp932 ? 600 : 0);
        EXPECT_TRUE(file.bytes() == expected) << static_cast<int>(encoding);
    }
}

}  // namespace
}  // namespace wk::textfile
