// SPDX-License-Identifier: MIT
// The embedded input method: a user dictionary of our own in an SQLite database.
#pragma once

#include <sys/types.h>
#include <cstddef>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/input_method.h"

struct sqlite3;
struct sqlite3_stmt;

namespace wk::ime {

inline constexpr std::size_t kMaxEmbeddedFieldLength = 255;   // code units
inline constexpr std::int64_t kMaxEmbeddedWords = 1'000'000;  // words in one store

// The part-of-speech names that common Japanese input methods share, codes 1 to 45.
const std::vector<PosStyle>& EmbeddedStyles();

class EmbeddedStore final : public InputMethod {
  public:
    // Opens the store at `path`, creating the file (mode 0600) and its folders (0700)
    // when missing. A file that is not such a store, or that is damaged, is left as it is
    // and reported in `error` (Japanese, for the user); nullptr then.
    static std::unique_ptr<EmbeddedStore> Open(const std::string& path, std::string* error);

    ~EmbeddedStore() override;

    std::vector<PosStyle> GetRegisterWordStyles() override;
    bool EnumRegisterWord(const EnumWordCallback& callback) override;
    bool RegisterWord(const std::u16string& reading, std::uint32_t style,
                      const std::u16string& word) override;
    bool UnregisterWord(const std::u16string& reading, std::uint32_t style,
                        const std::u16string& word) override;
    std::unique_ptr<RegistrationBatch> BeginBatch() override;
    // Removes the old word and registers the new one in one transaction.
    bool ChangeWord(const std::u16string& oldReading, std::uint32_t oldStyle,
                    const std::u16string& oldWord, const std::u16string& newReading,
                    std::uint32_t newStyle, const std::u16string& newWord) override;
    std::u16string Name() const override { return u"Wordkeeper"; }
    std::string DictionaryPath() const override { return path_; }
    // The store and SQLite's companion files beside it.
    std::vector<std::string> KeptFiles() const override { return KeptFilesOf(path_); }
    static std::vector<std::string> KeptFilesOf(const std::string& path);
    std::string LastErrorDetail() const override { return lastError_; }

    bool readOnly() const { return readOnly_; }
    const std::string& path() const { return path_; }

    // Registrations a batch keeps pending before it writes them (and lets other writers
    // in). Removals wait for the batch's end or the next registration.
    static constexpr std::size_t kBatchChunk = 65536;

  private:
    class Batch;
    friend class Batch;

    EmbeddedStore(sqlite3* db, std::string path);
    bool Prepare();
    bool Exec(const char* sql);
    // False (with the reason) when the path no longer names the file that is open: it was
    // moved, replaced or deleted, and nothing may be written through this connection.
    bool SameFile();
    // When the path names another file than the one open: closes the connection and opens
    // the file at the path instead (outside a batch). False when it cannot, the reason in
    // lastError_; every write is then refused until a later call succeeds.
    bool ReopenIfMoved();
    bool Begin();
    bool Commit();
    void Rollback();
    void BeginBulkMode();
    void EndBulkMode();
    bool CheckFields(const std::u16string& reading, std::uint32_t style,
                     const std::u16string& word);
    void Fail(const std::string& what);
    // In a batch: counts a change answered as done, and writes the chunk once it is full.
    // Removals are held back until the batch ends or a registration follows, so that many
    // of them are applied together.
    bool Accepted();
    // In a batch: answers a removal by finding the word and marking it, without deleting.
    bool MarkRemoval(const std::u16string& reading, std::uint32_t style,
                     const std::u16string& word);
    // Deletes the marked words inside the open transaction. Many at once relative to the
    // store drop the unique index and the count trigger and lay them out again afterwards,
    // which costs a sort instead of a search per word.
    bool ApplyRemovals();
    // ApplyRemovals() for a batch that goes on: on failure the transaction is rolled back
    // and what it held is counted lost.
    void SettleRemovals();
    // A refused change: its own transaction is rolled back. In a batch, when SQLite has
    // rolled the batch's transaction back on its own (full disk, I/O error), the changes
    // accepted since the last commit are gone.
    void Refused();

    sqlite3* db_ = nullptr;
    std::string path_;
    dev_t device_ = 0;  // the open file's identity
    ino_t inode_ = 0;
    bool readOnly_ = false;
    std::string lastError_;
    sqlite3_stmt* insert_ = nullptr;
    sqlite3_stmt* remove_ = nullptr;
    sqlite3_stmt* count_ = nullptr;
    sqlite3_stmt* select_ = nullptr;
    sqlite3_stmt* find_ = nullptr;
    sqlite3_stmt* removeRun_ = nullptr;

    // Batch state: while a batch is open, registrations and removals join its transaction.
    bool inBatch_ = false;
    std::size_t pending_ = 0;  // changes accepted in the open transaction
    std::size_t lost_ = 0;     // accepted, then lost to a failed commit
    // Removals answered but not yet applied: the rows' ids, as a list and as a set.
    std::vector<std::int64_t> marked_;
    std::unordered_set<std::int64_t> markedIds_;
};

}  // namespace wk::ime
