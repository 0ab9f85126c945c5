// Test doubles: an input method that records registrations, and a display and a message box
// that write what they are told into one event log.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/dictionary.h"
#include "core/text.h"
#include "textfile/text_commands.h"

namespace wk::textfile::testing {

inline std::string U8(std::u16string_view text) { return Utf16ToUtf8(text); }

inline std::string Joined(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) out += (out.empty() ? "" : " ; ") + item;
    return out;
}

struct Word {
    std::u16string reading;
    std::uint32_t style;
    std::u16string word;
};

// Styles 1 "名詞" and 2 "記号"; refuses other styles, empty fields and duplicates.
class FakeIme final : public InputMethod {
  public:
    std::vector<PosStyle> GetRegisterWordStyles() override { return {{1, u"名詞"}, {2, u"記号"}}; }
    bool EnumRegisterWord(const EnumWordCallback& callback) override {
        ++enumerations;
        for (const Word& w : words) callback(w.reading.c_str(), w.style, w.word.c_str());
        return true;
    }
    bool RegisterWord(const std::u16string& r, std::uint32_t style,
                      const std::u16string& w) override {
        calls.push_back(U8(r) + "|" + std::to_string(style) + "|" + U8(w));
        if (log) log->push_back("register");
        if (r.empty() || w.empty() || (style != 1 && style != 2)) return false;
        for (const Word& x : words) {
            if (x.reading == r && x.style == style && x.word == w) return false;
        }
        words.push_back({r, style, w});
        return true;
    }
    bool UnregisterWord(const std::u16string&, std::uint32_t, const std::u16string&) override {
        return false;
    }
    struct Batch final : RegistrationBatch {
        std::size_t lost;
        explicit Batch(std::size_t n) : lost(n) {}
        std::size_t Finish() override { return lost; }
    };
    std::unique_ptr<RegistrationBatch> BeginBatch() override {
        return std::make_unique<Batch>(lostInBatch);
    }

    std::vector<Word> words;
    std::vector<std::string> calls;  // "reading|style|word"
    std::vector<std::string>* log = nullptr;
    int enumerations = 0;
    std::size_t lostInBatch = 0;
};

// A dictionary on a fake input method whose display and messages log into `log`.
struct Session final : ListDisplay, MessageSink {
    FakeIme ime;
    Dictionary dictionary{ime};
    std::vector<std::string> log;
    std::string lastDetail;

    explicit Session(std::vector<Word> words = {}) {
        ime.words = std::move(words);
        dictionary.LoadPosTable();
        dictionary.RefreshWords(*this);
        log.clear();
        ime.enumerations = 0;
        ime.log = &log;
    }
    void ShowWaitCursor() override { log.push_back("wait"); }
    void RestoreCursor() override { log.push_back("restore"); }
    void DeleteAllItems() override {}
    void SetItemCount(int count) override { log.push_back("count " + std::to_string(count)); }
    void SetColumnText(int, const std::u16string&) override {}
    void RedrawAll() override {}
    void Show(MessageKind kind, std::u16string_view text, std::u16string_view detail) override {
        const char* name = kind == MessageKind::Info    ? "info: "
                           : kind == MessageKind::Error ? "error: "
                                                        : "memory: ";
        log.push_back(name + U8(text));
        lastDetail = U8(detail);
    }
};

}  // namespace wk::textfile::testing
