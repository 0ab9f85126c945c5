// An input method held in memory, for tests of the dictionary core.
#pragma once

#include <string>
#include <tuple>
#include <vector>

#include "core/input_method.h"

namespace wk::test {

struct FakeWord {
    std::u16string reading;
    std::uint32_t style;
    std::u16string word;
    bool nullReading = false;
    bool nullWord = false;
};

class FakeInputMethod : public InputMethod {
  public:
    std::vector<PosStyle> styles{{10, u"名詞"}, {20, u"人名"}, {30, u"地名"}};
    std::vector<FakeWord> words;
    bool failEnumeration = false;
    int enumerations = 0;

    std::vector<PosStyle> GetRegisterWordStyles() override { return styles; }

    bool EnumRegisterWord(const EnumWordCallback& callback) override {
        ++enumerations;
        for (const FakeWord& w : words) {
            if (callback(w.nullReading ? nullptr : w.reading.c_str(), w.style,
                         w.nullWord ? nullptr : w.word.c_str()) == 0) {
                return true;
            }
        }
        return !failEnumeration;
    }

    bool RegisterWord(const std::u16string& reading, std::uint32_t style,
                      const std::u16string& word) override {
        words.push_back({reading, style, word});
        return true;
    }

    bool UnregisterWord(const std::u16string& reading, std::uint32_t style,
                        const std::u16string& word) override {
        for (auto it = words.begin(); it != words.end(); ++it) {
            if (it->reading == reading && it->style == style && it->word == word) {
                words.erase(it);
                return true;
            }
        }
        return false;
    }
};

// Records what the core asks of the list display.
class RecordingDisplay : public ListDisplay {
  public:
    int waitDepth = 0;
    int waitShown = 0;
    int deleteAll = 0;
    int itemCount = -1;
    int redraws = 0;
    std::u16string headers[3];

    void ShowWaitCursor() override {
        ++waitDepth;
        ++waitShown;
    }
    void RestoreCursor() override { --waitDepth; }
    void DeleteAllItems() override { ++deleteAll; }
    void SetItemCount(int count) override { itemCount = count; }
    void SetColumnText(int column, const std::u16string& text) override { headers[column] = text; }
    void RedrawAll() override { ++redraws; }
};

}  // namespace wk::test
