// Test doubles for the text-file tests: an input method that records what it is asked, a
// display and a message box that record what they are told.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/dictionary.h"
#include "core/text.h"
#include "textfile/text_commands.h"

namespace wk::textfile::testing {

inline std::string U8(std::u16string_view text) { return Utf16ToUtf8(text); }

// Styles 1 "名詞" and 2 "記号". Refuses a style it does not have, an empty reading or word,
// and anything already registered.
class FakeIme final : public InputMethod {
  public:
    struct Word {
        std::u16string reading;
        std::uint32_t style;
        std::u16string word;
    };

    std::vector<PosStyle> GetRegisterWordStyles() override { return {{1, u"名詞"}, {2, u"記号"}}; }
    bool EnumRegisterWord(const EnumWordCallback& callback) override {
        ++enumerations;
        for (const Word& w : words) callback(w.reading.c_str(), w.style, w.word.c_str());
        return true;
    }
    bool RegisterWord(const std::u16string& reading, std::uint32_t style,
                      const std::u16string& word) override {
        calls.push_back(U8(reading) + "|" + std::to_string(style) + "|" + U8(word));
        if (onRegister) onRegister();
        if (reading.empty() || word.empty() || (style != 1 && style != 2)) return false;
        for (const Word& w : words) {
            if (w.reading == reading && w.style == style && w.word == word) return false;
        }
        words.push_back({reading, style, word});
        return true;
    }
    bool UnregisterWord(const std::u16string&, std::uint32_t, const std::u16string&) override {
        return false;
    }

    class Batch final : public RegistrationBatch {
      public:
        explicit Batch(FakeIme& ime) : ime_(ime) {}
        std::size_t Finish() override {
            ++ime_.batchesFinished;
            return ime_.lostInBatch;
        }

      private:
        FakeIme& ime_;
    };
    std::unique_ptr<RegistrationBatch> BeginBatch() override {
        if (!offersBatch) return nullptr;
        ++batchesBegun;
        return std::make_unique<Batch>(*this);
    }

    std::vector<Word> words;
    std::vector<std::string> calls;  // "reading|style|word"
    std::function<void()> onRegister;
    int enumerations = 0;
    bool offersBatch = true;
    std::size_t lostInBatch = 0;
    int batchesBegun = 0;
    int batchesFinished = 0;
};

// Records the display calls that matter here, in order, into a shared event log.
class LogDisplay final : public ListDisplay {
  public:
    explicit LogDisplay(std::vector<std::string>& log) : log_(log) {}
    void ShowWaitCursor() override { log_.push_back("wait"); }
    void RestoreCursor() override { log_.push_back("restore"); }
    void DeleteAllItems() override {}
    void SetItemCount(int count) override { log_.push_back("count " + std::to_string(count)); }
    void SetColumnText(int, const std::u16string&) override {}
    void RedrawAll() override {}

  private:
    std::vector<std::string>& log_;
};

class LogMessages final : public MessageSink {
  public:
    explicit LogMessages(std::vector<std::string>& log) : log_(log) {}
    void Show(MessageKind kind, std::u16string_view text, std::u16string_view detail) override {
        const char* name = kind == MessageKind::Info    ? "info"
                           : kind == MessageKind::Error ? "error"
                                                        : "memory";
        log_.push_back(std::string(name) + ": " + U8(text));
        texts.push_back(U8(text));
        details.push_back(U8(detail));
    }
    std::vector<std::string> texts;
    std::vector<std::string> details;

  private:
    std::vector<std::string>& log_;
};

}  // namespace wk::textfile::testing
