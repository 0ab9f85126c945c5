// A display and a message box that write what they are told, and each registration the
// input method is asked for, into one event log.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/dictionary.h"
#include "core/text.h"
#include "fake_ime.h"
#include "memory_file.h"
#include "textfile/text_commands.h"

namespace wk::textfile::testing {

inline std::string U8(std::u16string_view text) { return Utf16ToUtf8(text); }

inline std::string Joined(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) out += (out.empty() ? "" : " ; ") + item;
    return out;
}

using FakeIme = ::wk::testing::FakeIme;
using Word = FakeIme::Word;

// A dictionary on a fake input method whose display and messages log into `log`.
struct Session final : ListDisplay, MessageSink {
    FakeIme ime;
    Dictionary dictionary{ime};
    std::vector<std::string> log;
    std::vector<std::string> calls;  // "reading|style|word"
    std::string lastDetail;

    // Styles 1 "名詞" and 2 "記号"; refuses other styles, empty fields and duplicates.
    explicit Session(std::vector<Word> words = {}) {
        ime.styles = {{1, u"名詞"}, {2, u"記号"}};
        ime.strict = true;
        ime.lostInBatch = 0;
        ime.words = std::move(words);
        dictionary.LoadPosTable();
        dictionary.RefreshWords(*this);
        log.clear();
        ime.enumerations = 0;
        ime.beforeRegister = [this](const Word& w) {
            calls.push_back(U8(w.reading) + "|" + std::to_string(w.style) + "|" + U8(w.word));
            log.push_back("register");
        };
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
