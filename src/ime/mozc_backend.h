// SPDX-License-Identifier: MIT
// The Mozc input method: the user dictionary that fcitx5-mozc and ibus-mozc convert with.
//
// The dictionary is one protobuf file, <profile>/user_dictionary.db, holding several named
// dictionaries. Every change is made under Mozc's own lock by rewriting the whole file
// through a temporary file in the same folder, and a running Mozc server is then told to
// read it again. Whatever the back end does not itself change (other dictionaries, ids,
// comments, fields of other Mozc versions, the order of entries) is written back as read.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/input_method.h"

namespace wk::ime {

inline constexpr std::size_t kMozcMaxFieldBytes = 300;          // reading, word, comment, name
inline constexpr std::size_t kMozcMaxEntries = 1'000'000;       // in one dictionary
inline constexpr std::uint64_t kMozcMaxFileBytes = 512u << 20;  // what Mozc loads at most
inline constexpr std::chrono::milliseconds kMozcLockWait{3000};
inline constexpr std::chrono::milliseconds kMozcReloadWait{500};

// Mozc's parts of speech, its own numbers as style codes, 名詞 (1) to 抑制単語 (44).
const std::vector<PosStyle>& MozcStyles();

// Reasons, also shown by the programs.
inline constexpr const char* kMozcBusy =
    "ほかのプログラムがMozcの辞書を使用中です。Mozcの辞書ツールを閉じてから、もう一度試してくださ"
    "い";

class MozcBackend final : public InputMethod {
  public:
    // The dictionary in the Mozc profile folder `profile` (absolute), which need not exist
    // yet. A dictionary file that Mozc could not load (damaged, foreign, too large, not a
    // file) is reported in `error` (Japanese, for the user) and left alone; nullptr then.
    static std::unique_ptr<MozcBackend> Open(const std::string& profile, std::string* error);

    ~MozcBackend() override;

    std::vector<PosStyle> GetRegisterWordStyles() override;
    // Every entry of every enabled dictionary, in file order.
    bool EnumRegisterWord(const EnumWordCallback& callback) override;
    // Into the first enabled dictionary; a file without dictionaries gets "ユーザー辞書 1".
    bool RegisterWord(const std::u16string& reading, std::uint32_t style,
                      const std::u16string& word) override;
    // The first entry of the enabled dictionaries with exactly this reading, word and style.
    bool UnregisterWord(const std::u16string& reading, std::uint32_t style,
                        const std::u16string& word) override;
    // Changes are answered one by one and written by Finish() in one rewrite and one reload.
    std::unique_ptr<RegistrationBatch> BeginBatch() override;
    bool ChangeWord(const std::u16string& oldReading, std::uint32_t oldStyle,
                    const std::u16string& oldWord, const std::u16string& newReading,
                    std::uint32_t newStyle, const std::u16string& newWord) override;
    std::u16string Name() const override { return u"Mozc"; }
    std::string DictionaryPath() const override { return path_; }
    std::vector<std::string> KeptFiles() const override { return KeptFilesOf(profile_); }
    // The dictionary, the temporary file Mozc's own tool writes and the lock file of the
    // profile folder `profile`, without opening anything.
    static std::vector<std::string> KeptFilesOf(const std::string& profile);
    std::string LastErrorDetail() const override { return lastError_; }

    struct Op;
    struct View;
    struct Loaded;

  private:
    class Batch;
    friend class Batch;

    explicit MozcBackend(std::string profile);

    bool Fail(std::string what);
    bool MakeOp(const std::u16string& reading, std::uint32_t style, const std::u16string& word,
                bool add, Op& op);
    // Takes the lock, reads the file, applies `ops`, writes the file when every op was done
    // (or, with `partial`, when any was) and asks a running server to reload.
    bool Commit(const std::vector<Op>& ops, bool partial, std::size_t* lost);
    bool QueueInBatch(std::vector<Op> ops);
    std::size_t FinishBatch();

    std::string profile_;
    std::string path_;
    std::string lockPath_;
    std::string lastError_;

    Batch* batch_ = nullptr;
    std::vector<Op> pending_;
    std::unique_ptr<View> view_;  // the dictionary as the open batch will leave it
};

// Asks the Mozc server of the profile folder, when one is running, to read its user
// dictionary again; waits at most `wait` for it. False when no server took the request.
bool SendMozcReload(const std::string& profile, std::chrono::milliseconds wait);

}  // namespace wk::ime
