#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes.h"
#include "textfile/dictionary_text.h"

namespace wk::textfile {
namespace {

using testing::U8;

const std::string kHead = "!Wordkeeper out-put text file\r\n";

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

// Each word's line in either encoding, "?" for each character the encoding cannot carry (a
// pair is one character; halves on either side of a TAB are two). Repeated far past the
// writer's buffers, the file is the header and these lines in order.
TEST(WriteDictionaryLines, LinesInEitherEncoding) {
    struct Case {
        Word word;
        std::string cp932, utf8;
    };
    const Case cases[] = {
        {{u"あい", u"愛", u"名詞"},
         "\x82\xa0\x82\xa2\t\x88\xa4\t\x96\xbc\x8e\x8c",
         "あい\t愛\t名詞"},
        {{u"ｶﾅ", u"ﾃｷｽﾄ", u"x"}, "\xb6\xc5\t\xc3\xb7\xbd\xc4\tx", "ｶﾅ\tﾃｷｽﾄ\tx"},
        {{u"〜", u"−", u"¥"}, "\x81\x60\t\x81\x7c\t\x5c", "〜\t−\t¥"},
        {{u"～", u"—", u"∥"}, "\x81\x60\t\x81\x5c\t\x81\x61", "～\t—\t∥"},
        {{u"①", u"髙", u"ⅰ"}, "\x87\x40\t\xfb\xfc\t\xfa\x40", "①\t髙\tⅰ"},
        {{u"a", u"b", u""}, "a\tb\t", "a\tb\t"},
        {{u"café", u"😀", u"n"}, "caf?\t?\tn", "café\t😀\tn"},
        {{u"x\xD800", u"y", u"z"}, "x?\ty\tz", "x?\ty\tz"},
        {{u"x\xDC00", u"y", std::u16string(200, u'w')},
         "x?\ty\t" + std::string(200, 'w'),
         "x?\ty\t" + std::string(200, 'w')},
        {{u"\xD83D", u"\xDE00x", u"\xD83D\xDE00"}, "?\t?x\t?", "?\t?x\t\xF0\x9F\x98\x80"},
        {{u"©\xDC00\xD800", u"", u"\xFFFF"}, "???\t\t?", "©??\t\t\xEF\xBF\xBF"},
    };
    constexpr int kRounds = 10000;
    std::vector<Word> words;
    std::string cp932 = kHead, utf8 = kHead;
    for (int round = 0; round < kRounds; ++round) {
        for (const Case& c : cases) {
            words.push_back(c.word);
            cp932 += c.cp932 + "\r\n";
            utf8 += c.utf8 + "\r\n";
        }
    }
    const WordEntryList list = ListOf(words);
    const struct {
        OutputEncoding encoding;
        const std::string& bytes;
        int replaced;  // lines with a "?"
    } expects[] = {{OutputEncoding::Cp932, cp932, 5}, {OutputEncoding::Utf8, utf8, 4}};
    for (const auto& e : expects) {
        MemoryFile file;
        const WriteResult result = WriteDictionaryLines(file, list, list.Count(), e.encoding);
        EXPECT_EQ(result.outcome, WriteOutcome::Written);
        EXPECT_EQ(result.lines, list.Count());
        EXPECT_EQ(result.replacedWords, e.replaced * kRounds);
        EXPECT_TRUE(file.bytes() == e.bytes) << static_cast<int>(e.encoding);
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
        EXPECT_EQ(file.bytes(), kHead);
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

}  // namespace
}  // namespace wk::textfile
