// SPDX-License-Identifier: MIT
#include "embedded_store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/messages.h"
#include "core/pos_mapping.h"
#include "core/text.h"

namespace wk::ime {

namespace {

constexpr std::int32_t kApplicationId = 0x574B4450;  // "WKDP"
constexpr int kSchemaVersion = 1;
constexpr int kBusyTimeoutMs = 15000;

// The unique index and the removal trigger, which a large removal drops and makes again.
constexpr std::string_view kKeyIndex =
    "CREATE UNIQUE INDEX words_key ON words(reading, word, style);\n";
constexpr std::string_view kRemovedTrigger =
    "CREATE TRIGGER words_removed AFTER DELETE ON words BEGIN UPDATE word_count SET n = n - 1; "
    "END;\n";

std::string Schema() {
    return std::string(R"sql(
CREATE TABLE words(
    id INTEGER PRIMARY KEY,
    reading TEXT NOT NULL,
    word TEXT NOT NULL,
    style INTEGER NOT NULL
);
CREATE TABLE word_count(n INTEGER NOT NULL);
INSERT INTO word_count VALUES(0);
CREATE TRIGGER words_added AFTER INSERT ON words BEGIN UPDATE word_count SET n = n + 1; END;
)sql") + std::string(kKeyIndex) +
           std::string(kRemovedTrigger);
}

// Creates the missing folders of `dir` with mode 0700.
bool MakeFolders(const std::filesystem::path& dir, std::string* error) {
    if (dir.empty()) return true;
    std::error_code ec;
    if (std::filesystem::is_directory(dir, ec)) return true;
    if (!MakeFolders(dir.parent_path(), error)) return false;
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        *error = SystemErrorText(errno);
        return false;
    }
    return true;
}

int64_t QueryInt(sqlite3* db, const char* sql, int& rc) {
    sqlite3_stmt* stmt = nullptr;
    rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    std::int64_t value = 0;
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            value = sqlite3_column_int64(stmt, 0);
            rc = SQLITE_OK;
        } else if (rc == SQLITE_DONE) {
            rc = SQLITE_OK;
        }
    }
    sqlite3_finalize(stmt);
    return value;
}

struct Header {
    std::int64_t applicationId = 0;
    std::int64_t objects = 0;  // tables, indexes and triggers
};

// The store's mark and whether the file holds anything, read in one snapshot: another
// process may be laying out a fresh file between two separate reads. On failure the read
// transaction stays open (closing the connection ends it) so that the error can be told.
int ReadHeader(sqlite3* db, Header& header) {
    int rc = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) header.applicationId = QueryInt(db, "PRAGMA application_id", rc);
    if (rc == SQLITE_OK) header.objects = QueryInt(db, "SELECT count(*) FROM sqlite_schema", rc);
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    return rc;
}

// What SQLite's last failure on `db` means for the user, in Japanese where it can be said.
std::string Problem(sqlite3* db) {
    switch (sqlite3_errcode(db) & 0xFF) {
        case SQLITE_FULL:
            return SystemErrorText(ENOSPC);
        case SQLITE_READONLY:
            return msg::kStoreNotWritable;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return "ほかのプログラムが辞書を使用中です";
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return "辞書ファイルが壊れています";
        case SQLITE_NOMEM:
            return SystemErrorText(ENOMEM);
        case SQLITE_IOERR:
        case SQLITE_CANTOPEN:
        case SQLITE_PERM:
            if (const int errnum = sqlite3_system_errno(db); errnum != 0) {
                return SystemErrorText(errnum);
            }
            break;
    }
    return sqlite3_errmsg(db);
}

// A store in a folder that cannot be written to (a read-only medium or mount) cannot get
// the shared-memory file that reading its journal needs. When it has no journal, nobody
// can change it, and it is read as the unchangeable file it is.
bool ReadableAsUnchanging(const std::string& path) {
    const std::filesystem::path file(path);
    const std::string folder = file.parent_path().empty() ? "." : file.parent_path().string();
    struct stat st {};
    return ::access(folder.c_str(), W_OK) != 0 && ::stat((path + "-wal").c_str(), &st) != 0 &&
           errno == ENOENT;
}

std::string ImmutableUri(const std::string& path) {
    std::string uri = "file:";
    constexpr char kHex[] = "0123456789ABCDEF";
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '.' || c == '-' || c == '_' || c >= 0x80) {
            uri.push_back(static_cast<char>(c));
        } else {
            uri += {'%', kHex[c >> 4], kHex[c & 15]};
        }
    }
    return uri + "?immutable=1";
}

// Runs a statement over (reading, word, style) once and makes it ready for the next word.
// Returns SQLite's result; on SQLITE_ROW, `id` (when given) receives the first column.
int StepWord(sqlite3_stmt* stmt, const std::u16string& reading, const std::u16string& word,
             std::uint32_t style, std::int64_t* id = nullptr) {
    const auto bind = [stmt](int index, const std::u16string& text) {
        sqlite3_bind_text16(stmt, index, text.data(),
                            static_cast<int>(text.size() * sizeof(char16_t)), SQLITE_STATIC);
    };
    bind(1, reading);
    bind(2, word);
    sqlite3_bind_int64(stmt, 3, style);
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW && id != nullptr) *id = sqlite3_column_int64(stmt, 0);
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    return rc;
}

}  // namespace

const std::vector<PosStyle>& EmbeddedStyles() {
    static const std::vector<PosStyle> styles = [] {
        std::vector<PosStyle> rows;
        std::uint32_t code = 1;
        for (std::u16string_view name : CommonPosNames()) {
            rows.push_back({code++, std::u16string(name)});
        }
        return rows;
    }();
    return styles;
}

std::unique_ptr<EmbeddedStore> EmbeddedStore::Open(const std::string& path, std::string* error) {
    const std::string shown = ShownPath(path);
    std::string reason;
    const std::filesystem::path file(path);
    if (!MakeFolders(file.parent_path(), &reason)) {
        *error = "辞書のフォルダーを作成できません: " + shown + " (" + reason + ")";
        return nullptr;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            *error = "辞書ファイルが通常のファイルではありません: " + shown;
            return nullptr;
        }
    } else {
        if (errno != ENOENT) {
            *error =
                Utf16ToUtf8(msg::kStoreCannotOpen) + shown + " (" + SystemErrorText(errno) + ")";
            return nullptr;
        }
        const int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) {
            *error =
                Utf16ToUtf8(msg::kStoreCannotCreate) + shown + " (" + SystemErrorText(errno) + ")";
            return nullptr;
        }
        if (fd >= 0) ::close(fd);
    }

    // A store object is used from one thread only, so the connection needs no mutex.
    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        *error = Utf16ToUtf8(msg::kStoreCannotOpen) + shown + " (" +
                 (db ? Problem(db) : std::string(sqlite3_errstr(rc))) + ")";
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    std::unique_ptr<EmbeddedStore> store(new EmbeddedStore(db, path));
    store->readOnly_ = sqlite3_db_readonly(db, "main") == 1;

    // A damaged file is told apart from a disk or folder that does not let it be used.
    const auto failed = [&] {
        const int code = sqlite3_errcode(db) & 0xFF;
        if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB) {
            *error = "辞書ファイルが壊れているか、Wordkeeperの辞書ではありません: " + shown;
        } else {
            *error = Utf16ToUtf8(msg::kStoreCannotOpen) + shown + " (" + Problem(db) + ")";
        }
        return nullptr;
    };
    Header header;
    rc = ReadHeader(db, header);
    if (rc != SQLITE_OK && ReadableAsUnchanging(path)) {
        store.reset();
        db = nullptr;
        rc = sqlite3_open_v2(ImmutableUri(path).c_str(), &db,
                             SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
        store.reset(new EmbeddedStore(db, path));
        store->readOnly_ = true;
        if (rc == SQLITE_OK) rc = ReadHeader(db, header);
    }
    if (rc != SQLITE_OK) return failed();
    if (header.applicationId == 0) {
        if (header.objects != 0) {
            *error = Utf16ToUtf8(msg::kNotOurStore) + shown;
            return nullptr;
        }
        if (store->readOnly_) {
            *error = "辞書ファイルに書き込めません: " + shown;
            return nullptr;
        }
        // A fresh file: lay out the store. Another process may be doing the same, so
        // look again inside the write transaction.
        sqlite3_exec(db, "PRAGMA encoding = 'UTF-16le'", nullptr, nullptr, nullptr);
        if (!store->Begin()) return failed();
        const std::int64_t again = QueryInt(db, "SELECT count(*) FROM sqlite_schema", rc);
        if (rc == SQLITE_OK && again == 0) {
            const std::string pragmas =
                "PRAGMA application_id = " + std::to_string(kApplicationId) +
                "; PRAGMA user_version = " + std::to_string(kSchemaVersion);
            if (!store->Exec(Schema().c_str()) || !store->Exec(pragmas.c_str())) {
                store->Rollback();
                *error =
                    Utf16ToUtf8(msg::kStoreCannotCreate) + shown + " (" + store->lastError_ + ")";
                return nullptr;
            }
        }
        if (!store->Commit()) {
            *error = Utf16ToUtf8(msg::kStoreCannotCreate) + shown + " (" + store->lastError_ + ")";
            return nullptr;
        }
    } else if (header.applicationId != kApplicationId) {
        *error = Utf16ToUtf8(msg::kNotOurStore) + shown;
        return nullptr;
    }
    const std::int64_t version = QueryInt(db, "PRAGMA user_version", rc);
    if (rc != SQLITE_OK) return failed();
    if (version != kSchemaVersion) {
        *error = "この版のWordkeeperでは扱えない辞書ファイルです: " + shown;
        return nullptr;
    }
    if (!store->readOnly_) {
        sqlite3_exec(db, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
    }
    sqlite3_exec(db, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
    if (!store->Prepare()) return failed();
    return store;
}

EmbeddedStore::EmbeddedStore(sqlite3* db, std::string path) : db_(db), path_(std::move(path)) {
    // Taken once the connection is open: the file it opened is the one at the path now.
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0) {
        device_ = st.st_dev;
        inode_ = st.st_ino;
    }
}

std::vector<std::string> EmbeddedStore::KeptFilesOf(const std::string& path) {
    return {path, path + "-wal", path + "-shm", path + "-journal"};
}

bool EmbeddedStore::SameFile() {
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0 && st.st_dev == device_ && st.st_ino == inode_) {
        return true;
    }
    Fail("辞書ファイルが開いた後で移動・置き換え・削除されました。読み込み直してください: " +
         path_);
    return false;
}

bool EmbeddedStore::ReopenIfMoved() {
    if (SameFile()) return true;
    if (inBatch_) return false;
    // The old connection goes first. SQLite leaves the journal of a moved file where it was
    // on close, to be applied to whatever file the path names next: it is written into the
    // file it belongs to and emptied first. Until a new connection is open, nothing matches
    // the path.
    sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    for (sqlite3_stmt** stmt : {&insert_, &remove_, &count_, &select_, &find_, &removeRun_}) {
        sqlite3_finalize(*stmt);
        *stmt = nullptr;
    }
    sqlite3_close(db_);
    db_ = nullptr;
    device_ = 0;
    inode_ = 0;
    // Another connection to the old file kept its journal from being emptied.
    struct stat journal {};
    if (::stat((path_ + "-wal").c_str(), &journal) == 0 && journal.st_size > 0) {
        Fail("移動・置き換えられた辞書ファイルの書き込み記録が残っているため開けません: " + path_ +
             "-wal");
        return false;
    }
    std::string error;
    std::unique_ptr<EmbeddedStore> fresh = Open(path_, &error);
    if (!fresh) {
        Fail(error);
        return false;
    }
    std::swap(db_, fresh->db_);
    std::swap(readOnly_, fresh->readOnly_);
    std::swap(insert_, fresh->insert_);
    std::swap(remove_, fresh->remove_);
    std::swap(count_, fresh->count_);
    std::swap(select_, fresh->select_);
    std::swap(find_, fresh->find_);
    std::swap(removeRun_, fresh->removeRun_);
    std::swap(device_, fresh->device_);
    std::swap(inode_, fresh->inode_);
    lastError_.clear();
    return true;
}

EmbeddedStore::~EmbeddedStore() {
    if (inBatch_) Commit();
    sqlite3_finalize(insert_);
    sqlite3_finalize(remove_);
    sqlite3_finalize(count_);
    sqlite3_finalize(select_);
    sqlite3_finalize(find_);
    sqlite3_finalize(removeRun_);
    sqlite3_close(db_);
}

bool EmbeddedStore::Prepare() {
    const auto prepare = [&](const char* sql, sqlite3_stmt** stmt) {
        if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, stmt, nullptr) ==
            SQLITE_OK) {
            return true;
        }
        Fail(Problem(db_));
        return false;
    };
    return prepare("INSERT OR IGNORE INTO words(reading, word, style) VALUES(?1, ?2, ?3)",
                   &insert_) &&
           prepare("DELETE FROM words WHERE reading = ?1 AND word = ?2 AND style = ?3", &remove_) &&
           prepare("SELECT n FROM word_count", &count_) &&
           prepare("SELECT reading, style, word FROM words ORDER BY id", &select_) &&
           prepare("SELECT id FROM words WHERE reading = ?1 AND word = ?2 AND style = ?3",
                   &find_) &&
           prepare("DELETE FROM words WHERE id BETWEEN ?1 AND ?2", &removeRun_);
}

void EmbeddedStore::Fail(const std::string& what) { lastError_ = what; }

bool EmbeddedStore::Exec(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK) return true;
    Fail(Problem(db_));
    return false;
}

bool EmbeddedStore::Begin() {
    if (!SameFile()) return false;
    if (!Exec("BEGIN IMMEDIATE")) return false;
    // Moved while the lock was awaited.
    if (SameFile()) return true;
    const std::string why = lastError_;
    Rollback();
    lastError_ = why;
    return false;
}

bool EmbeddedStore::Commit() {
    if (!SameFile()) {
        const std::string why = lastError_;
        Rollback();
        lastError_ = why;
        return false;
    }
    if (ApplyRemovals() && Exec("COMMIT")) return true;
    const std::string why = lastError_;
    Rollback();
    lastError_ = why;
    return false;
}

void EmbeddedStore::Rollback() {
    if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    // The marks went with the transaction.
    marked_.clear();
    markedIds_.clear();
}

std::vector<PosStyle> EmbeddedStore::GetRegisterWordStyles() { return EmbeddedStyles(); }

bool EmbeddedStore::EnumRegisterWord(const EnumWordCallback& callback) {
    lastError_.clear();
    // A reload reads the file that the path names now.
    if (!ReopenIfMoved()) return false;
    // Removals marked in an open batch are applied first, so that they are not seen.
    if (inBatch_ && !marked_.empty()) SettleRemovals();
    sqlite3_reset(select_);
    int rc;
    while ((rc = sqlite3_step(select_)) == SQLITE_ROW) {
        const auto* reading = static_cast<const char16_t*>(sqlite3_column_text16(select_, 0));
        const auto style = static_cast<std::uint32_t>(sqlite3_column_int64(select_, 1));
        const auto* word = static_cast<const char16_t*>(sqlite3_column_text16(select_, 2));
        if (callback(reading, style, word) == 0) {
            sqlite3_reset(select_);
            return true;
        }
    }
    const bool done = rc == SQLITE_DONE;
    if (!done) Fail(Problem(db_));
    sqlite3_reset(select_);
    return done;
}

bool EmbeddedStore::CheckFields(const std::u16string& reading, std::uint32_t style,
                                const std::u16string& word) {
    const auto field = [&](const std::u16string& text, const char* name) {
        if (text.empty()) {
            Fail(std::string(name) + msg::kFieldEmpty);
        } else if (text.size() > kMaxEmbeddedFieldLength) {
            Fail(std::string(name) + "が255文字を超えています");
        } else if (HasControlCharacter(text)) {
            Fail(std::string(name) + msg::kFieldControlCharacter);
        } else if (HasUnpairedSurrogate(text)) {
            Fail(std::string(name) + msg::kFieldBadCharacter);
        } else {
            return true;
        }
        return false;
    };
    if (!field(reading, msg::kReadingField) || !field(word, msg::kWordField)) return false;
    if (style < 1 || style > EmbeddedStyles().size()) {
        Fail(msg::kBadPos);
        return false;
    }
    return true;
}

bool EmbeddedStore::RegisterWord(const std::u16string& reading, std::uint32_t style,
                                 const std::u16string& word) {
    lastError_.clear();
    if (!CheckFields(reading, style, word)) return false;
    if (readOnly_) {
        Fail(msg::kStoreNotWritable);
        return false;
    }
    if (!inBatch_ && !Begin()) return false;
    const auto refuse = [&](const std::string& why) {
        Refused();
        Fail(why);
        return false;
    };
    // A word removed earlier in the batch may be registered again, and the count is right.
    if (inBatch_ && !marked_.empty()) {
        SettleRemovals();
        if (!inBatch_) return false;
    }
    sqlite3_reset(count_);
    if (sqlite3_step(count_) != SQLITE_ROW) return refuse(Problem(db_));
    const std::int64_t count = sqlite3_column_int64(count_, 0);
    sqlite3_reset(count_);
    if (count >= kMaxEmbeddedWords) return refuse(msg::kDictionaryFull);

    const int rc = StepWord(insert_, reading, word, style);
    if (rc != SQLITE_DONE) return refuse(Problem(db_));
    if (sqlite3_changes(db_) == 0) return refuse(msg::kDuplicate);
    return inBatch_ ? Accepted() : Commit();
}

bool EmbeddedStore::Accepted() {
    if (++pending_ >= kBatchChunk && marked_.empty()) {
        if (!Commit()) lost_ += pending_;
        pending_ = 0;
        if (!Begin()) inBatch_ = false;
    }
    return true;
}

void EmbeddedStore::Refused() {
    if (!inBatch_) {
        Rollback();
        return;
    }
    if (!sqlite3_get_autocommit(db_)) return;
    Rollback();
    lost_ += pending_;
    pending_ = 0;
    if (!Begin()) inBatch_ = false;
}

bool EmbeddedStore::UnregisterWord(const std::u16string& reading, std::uint32_t style,
                                   const std::u16string& word) {
    lastError_.clear();
    if (readOnly_) {
        Fail(msg::kStoreNotWritable);
        return false;
    }
    if (inBatch_) return MarkRemoval(reading, style, word);
    if (!Begin()) return false;
    const int rc = StepWord(remove_, reading, word, style);
    const bool removed = rc == SQLITE_DONE && sqlite3_changes(db_) == 1;
    if (!removed) {
        const std::string why = rc == SQLITE_DONE ? msg::kNotRegistered : Problem(db_);
        Refused();
        Fail(why);
        return false;
    }
    return Commit();
}

bool EmbeddedStore::MarkRemoval(const std::u16string& reading, std::uint32_t style,
                                const std::u16string& word) {
    const auto refuse = [&](const std::string& why) {
        Refused();
        Fail(why);
        return false;
    };
    std::int64_t id = 0;
    const int rc = StepWord(find_, reading, word, style, &id);
    if (rc == SQLITE_DONE) return refuse(msg::kNotRegistered);
    if (rc != SQLITE_ROW) return refuse(Problem(db_));
    // Marked before: removed already as far as the caller knows.
    if (!markedIds_.insert(id).second) return refuse(msg::kNotRegistered);
    marked_.push_back(id);
    return Accepted();
}

bool EmbeddedStore::ApplyRemovals() {
    if (marked_.empty()) return true;
    int rc = SQLITE_OK;
    const std::int64_t count = QueryInt(db_, "SELECT n FROM word_count", rc);
    if (rc != SQLITE_OK) {
        Fail(Problem(db_));
        return false;
    }
    const bool relayout = static_cast<std::int64_t>(marked_.size()) * 4 >= count;
    // The index and trigger are made again from the store's own layout, never from text
    // read out of the file.
    const std::string layout = std::string(kKeyIndex) + std::string(kRemovedTrigger);
    if (relayout) {
        if (!Exec("DROP TRIGGER words_removed; DROP INDEX words_key")) return false;
    }
    // Runs of consecutive ids go in one statement each: a whole store is one run.
    std::sort(marked_.begin(), marked_.end());
    std::int64_t removed = 0;
    for (std::size_t first = 0; first < marked_.size();) {
        std::size_t last = first;
        while (last + 1 < marked_.size() && marked_[last + 1] == marked_[last] + 1) ++last;
        sqlite3_bind_int64(removeRun_, 1, marked_[first]);
        sqlite3_bind_int64(removeRun_, 2, marked_[last]);
        rc = sqlite3_step(removeRun_);
        sqlite3_reset(removeRun_);
        if (rc != SQLITE_DONE) {
            Fail(Problem(db_));
            return false;
        }
        removed += sqlite3_changes64(db_);
        first = last + 1;
    }
    if (relayout) {
        const std::string recount = "UPDATE word_count SET n = n - " + std::to_string(removed);
        if (!Exec(recount.c_str()) || !Exec(layout.c_str())) return false;
    }
    marked_.clear();
    markedIds_.clear();
    return true;
}

void EmbeddedStore::SettleRemovals() {
    if (ApplyRemovals()) return;
    const std::string why = lastError_;
    Rollback();
    Refused();
    lastError_ = why;
}

class EmbeddedStore::Batch final : public RegistrationBatch {
  public:
    explicit Batch(EmbeddedStore& store) : store_(store) {}
    ~Batch() override { Finish(); }
    std::size_t Finish() override {
        if (finished_) return 0;
        finished_ = true;
        if (store_.inBatch_) {
            if (!store_.Commit()) store_.lost_ += store_.pending_;
            store_.inBatch_ = false;
        }
        store_.pending_ = 0;
        store_.EndBulkMode();
        const std::size_t lost = store_.lost_;
        store_.lost_ = 0;
        return lost;
    }

  private:
    EmbeddedStore& store_;
    bool finished_ = false;
};

// A batch touches pages all over the unique index: with SQLite's default cache of 2 MB
// against an index of tens of megabytes nearly every change reads pages again. The batch
// gets a cache that holds the whole store, and the journal is copied back into the file
// once at the end instead of every thousand pages.
void EmbeddedStore::BeginBulkMode() {
    sqlite3_exec(db_, "PRAGMA cache_size = -262144; PRAGMA wal_autocheckpoint = 0", nullptr,
                 nullptr, nullptr);
}

void EmbeddedStore::EndBulkMode() {
    // A checkpoint that other readers hold up is finished later by whoever writes next.
    sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    sqlite3_exec(db_, "PRAGMA wal_autocheckpoint = 1000; PRAGMA cache_size = -2000", nullptr,
                 nullptr, nullptr);
}

std::unique_ptr<RegistrationBatch> EmbeddedStore::BeginBatch() {
    if (inBatch_ || readOnly_) return nullptr;
    BeginBulkMode();
    if (!Begin()) {
        EndBulkMode();
        return nullptr;
    }
    inBatch_ = true;
    pending_ = 0;
    lost_ = 0;
    return std::make_unique<Batch>(*this);
}

bool EmbeddedStore::ChangeWord(const std::u16string& oldReading, std::uint32_t oldStyle,
                               const std::u16string& oldWord, const std::u16string& newReading,
                               std::uint32_t newStyle, const std::u16string& newWord) {
    lastError_.clear();
    if (!CheckFields(newReading, newStyle, newWord)) return false;
    if (readOnly_) {
        Fail(msg::kStoreNotWritable);
        return false;
    }
    if (inBatch_) {
        Fail(msg::kInBatch);
        return false;
    }
    if (!Begin()) return false;
    const auto refuse = [&](const std::string& why) {
        Rollback();
        Fail(why);
        return false;
    };
    if (StepWord(remove_, oldReading, oldWord, oldStyle) != SQLITE_DONE) {
        return refuse(Problem(db_));
    }
    if (sqlite3_changes(db_) != 1) return refuse(msg::kNotRegistered);
    if (StepWord(insert_, newReading, newWord, newStyle) != SQLITE_DONE) {
        return refuse(Problem(db_));
    }
    if (sqlite3_changes(db_) == 0) return refuse(msg::kDuplicate);
    return Commit();
}

}  // namespace wk::ime
