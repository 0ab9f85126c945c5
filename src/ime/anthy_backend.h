// SPDX-License-Identifier: MIT
// The Anthy input method: the user's private Anthy dictionary, which ibus-anthy and
// fcitx5-anthy convert with.
//
// The words live in HOME/.anthy/private_words_default. Every change is made under Anthy's
// own dictionary lock by rewriting that file whole (a temporary file, flushed to disk, then
// renamed over it) in the format and order Anthy writes, so a conversion engine running
// at the same time sees either the old or the new dictionary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/input_method.h"
#include "ime/anthy_words.h"

namespace wk::ime {

inline constexpr int kAnthyDefaultFrequency = 500;        // what Anthy's own tools give a word
inline constexpr std::size_t kAnthyMaxReadingBytes = 96;  // UTF-8 bytes
inline constexpr std::size_t kAnthyMaxLineBytes = 1022;   // UTF-8 bytes, without the newline
// A larger dictionary file is not read (it would not fit in memory with its rewrite).
inline constexpr std::size_t kAnthyMaxDictionaryBytes = 64u << 20;
// How long a change waits for another program's hold on Anthy's dictionary lock.
inline constexpr int kAnthyLockWaitMs = 5000;

// Word types found in the dictionary that the style table does not name get style codes
// from here on, in the order they are first met (for as long as the back end is open).
inline constexpr std::uint32_t kAnthyFirstOtherStyle = 0x10000;

// The styles offered, 名詞 first. Names shared with the embedded store keep its codes.
const std::vector<PosStyle>& AnthyStyles();

// Anthy's word type for a style of the table ("#T35"), empty when the table has none.
std::string_view AnthyWordType(std::uint32_t style);

class AnthyBackend final : public InputMethod {
  public:
    // The dictionary of the Anthy user whose home folder is `home` (absolute). Nothing is
    // created until the first change; a home that cannot hold the dictionary is reported
    // in `error` (Japanese, for the user), nullptr then.
    static std::unique_ptr<AnthyBackend> Open(const std::string& home, std::string* error);

    ~AnthyBackend() override;

    std::vector<PosStyle> GetRegisterWordStyles() override;
    bool EnumRegisterWord(const EnumWordCallback& callback) override;
    bool RegisterWord(const std::u16string& reading, std::uint32_t style,
                      const std::u16string& word) override;
    bool UnregisterWord(const std::u16string& reading, std::uint32_t style,
                        const std::u16string& word) override;
    // Registrations are answered one by one and written together by Finish(), in one
    // rewrite of the file.
    std::unique_ptr<RegistrationBatch> BeginBatch() override;
    // Removes the old word and adds the new one in one rewrite of the file.
    bool ChangeWord(const std::u16string& oldReading, std::uint32_t oldStyle,
                    const std::u16string& oldWord, const std::u16string& newReading,
                    std::uint32_t newStyle, const std::u16string& newWord) override;
    std::u16string Name() const override { return u"Anthy"; }
    std::string DictionaryPath() const override { return path_; }
    std::vector<std::string> KeptFiles() const override { return {path_, lockPath_}; }
    std::string LastErrorDetail() const override { return lastError_; }

    const std::string& dictionaryPath() const { return path_; }

  private:
    class Batch;
    class Lock;
    friend class Batch;

    explicit AnthyBackend(std::string home);

    bool Fail(std::string what);
    // Reads the dictionary file; a missing file is an empty dictionary.
    bool ReadText(std::string& text);
    // Replaces the file by `text` through a temporary file in the same folder.
    bool WriteText(const std::string& text);
    bool EnsureFolder();
    // Makes the folder, takes Anthy's lock and reads the dictionary, then hands its text to
    // `change`, which writes the new text while the lock is held. False (the reason in
    // lastError_) when one of those steps failed, otherwise what `change` returns.
    bool ChangeText(const std::function<bool(const std::string& text)>& change);
    // The record for a registration, or false (with the reason) when it is refused.
    bool MakeRecord(const std::u16string& reading, std::uint32_t style, const std::u16string& word,
                    AnthyRecord& record);
    bool WordTypeOf(std::uint32_t style, std::string& wtype);
    std::uint32_t StyleOf(std::string_view wtype);
    std::size_t FinishBatch();
    bool RemoveFromFile(const std::string& reading, const std::string& wtype,
                        const std::string& word);

    std::string home_;
    std::string folder_;
    std::string path_;
    std::string lockPath_;
    std::string lastError_;
    std::unordered_map<std::string, std::uint32_t> otherStyles_;
    std::vector<std::string> otherTypes_;  // by style - kAnthyFirstOtherStyle

    // The open batch: its records, and the words the dictionary held when it began.
    Batch* batch_ = nullptr;
    std::vector<AnthyRecord> pending_;
    std::unordered_set<std::string> pendingKeys_;
    std::unordered_set<std::string> knownKeys_;
};

}  // namespace wk::ime
