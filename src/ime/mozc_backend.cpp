// SPDX-License-Identifier: MIT
#include "mozc_backend.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <optional>
#include <thread>
#include <unordered_map>
#include <utility>

#include "core/messages.h"
#include "core/pos_mapping.h"
#include "core/safe_file.h"
#include "core/text.h"
#include "mozc_dictionary.pb.h"

namespace wk::ime {

using mozcfile::Entry;
using mozcfile::UserDictionary;
using mozcfile::UserDictionaryStorage;

namespace {

const char* const kAllDisabled = "Mozcのユーザー辞書がすべて無効になっています";
constexpr std::string_view kFirstDictionaryName = "ユーザー辞書 1";

// What Mozc accepts in a reading once it has turned full-width ASCII into half-width,
// half-width katakana into full-width and katakana into hiragana.
bool ReadingCharacterAllowed(char16_t c) {
    if (c >= 0x21 && c <= 0x7E) return true;
    if (c >= 0x3041 && c <= 0x3096) return true;  // hiragana
    if (c >= 0x30A1 && c <= 0x30F6) return true;  // katakana with a hiragana of its own
    if (c >= 0xFF01 && c <= 0xFF5E) return true;  // full-width ASCII
    if (c >= 0xFF61 && c <= 0xFF9F) return true;  // half-width katakana and marks
    switch (c) {
        case u'゛':
        case u'゜':
        case u'・':
        case u'ー':
        case u'、':
        case u'。':
        case u'「':
        case u'」':
        case u'『':
        case u'』':
        case u'〜':
            return true;
        default:
            return false;
    }
}

std::string Key(std::string_view reading, std::string_view word, std::int32_t pos) {
    std::string key;
    key.reserve(reading.size() + word.size() + 6);
    key.append(reading);
    key.push_back('\0');
    key.append(word);
    key.push_back('\0');
    key.append(reinterpret_cast<const char*>(&pos), sizeof pos);
    return key;
}

std::string KeyOf(const Entry& e) { return Key(e.key(), e.value(), e.pos()); }

int FirstEnabled(const UserDictionaryStorage& storage) {
    for (int d = 0; d < storage.dictionaries_size(); ++d) {
        if (storage.dictionaries(d).enabled()) return d;
    }
    return -1;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Mozc's lock on its user dictionary, as its dictionary tool takes it: the lock file
// (made writable first, since a killed holder leaves it read-only), a write lock on the
// whole file, and the file read-only while held. The lock is an open-file-description
// lock, so that it also keeps out other back ends of the same process.
class DictionaryLock {
  public:
    bool Acquire(const std::string& path, std::chrono::milliseconds wait, std::string* error) {
        ::chmod(path.c_str(), 0600);
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) {
            *error = "Mozcの辞書をロックできません: " + path + " (" + SystemErrorText(errno) + ")";
            return false;
        }
        const auto deadline = std::chrono::steady_clock::now() + wait;
        for (;;) {
            struct flock lock {};
            lock.l_type = F_WRLCK;
            lock.l_whence = SEEK_SET;
            if (::fcntl(fd_, F_OFD_SETLK, &lock) == 0) break;
            if ((errno != EAGAIN && errno != EACCES && errno != EINTR) ||
                std::chrono::steady_clock::now() >= deadline) {
                *error = kMozcBusy;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        held_ = true;
        ::fchmod(fd_, 0400);
        return true;
    }
    ~DictionaryLock() {
        if (held_) ::fchmod(fd_, 0600);
        if (fd_ >= 0) ::close(fd_);  // drops the lock
    }

  private:
    int fd_ = -1;
    bool held_ = false;
};

bool MakeFolders(const std::string& folder, std::string* error) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return true;
        errno = ENOTDIR;
    } else if (errno == ENOENT && folder != "/" && MakeFolders(FolderOf(folder), error) &&
               (::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST)) {
        return true;
    }
    if (error->empty()) {
        *error =
            "Mozcの設定フォルダーを作成できません: " + folder + " (" + SystemErrorText(errno) + ")";
    }
    return false;
}

}  // namespace

const std::vector<PosStyle>& MozcStyles() {
    // Mozc numbers its parts of speech from 1 in the order of the common names, but that
    // サジェストのみ is third and 品詞なし is not one of them.
    static const std::vector<PosStyle> styles = [] {
        constexpr std::u16string_view kSuggestionOnly = u"サジェストのみ";
        std::vector<std::u16string_view> names;
        for (std::u16string_view name : CommonPosNames()) {
            if (name != kSuggestionOnly && name != u"品詞なし") names.push_back(name);
        }
        names.insert(names.begin() + 2, kSuggestionOnly);
        std::vector<PosStyle> rows;
        for (std::uint32_t i = 0; i < names.size(); ++i) {
            rows.push_back({i + 1, std::u16string(names[i])});
        }
        return rows;
    }();
    return styles;
}

// One change: an entry to add to the target dictionary or to remove from the enabled ones.
struct MozcBackend::Op {
    bool add = true;
    std::string reading, word;
    std::int32_t pos = 0;
};

namespace {

enum class Outcome { Done, Duplicate, Absent, Full, NoDictionary };

// Applies `ops` in order to `storage`; one outcome per op.
std::vector<Outcome> Apply(UserDictionaryStorage& storage,
                           const std::vector<MozcBackend::Op>& ops) {
    std::vector<Outcome> outcomes;
    outcomes.reserve(ops.size());
    int target = FirstEnabled(storage);
    std::optional<std::unordered_map<std::string, int>> targetKeys;
    // Where the entries of each key lie, in file order, among the enabled dictionaries.
    std::optional<std::unordered_map<std::string, std::vector<std::pair<int, int>>>> where;
    std::vector<std::vector<char>> removed(static_cast<std::size_t>(storage.dictionaries_size()));
    std::size_t removedFromTarget = 0;
    for (const MozcBackend::Op& op : ops) {
        const std::string key = Key(op.reading, op.word, op.pos);
        if (op.add) {
            if (target < 0 && storage.dictionaries_size() == 0) {
                UserDictionary* created = storage.add_dictionaries();
                created->set_name(std::string(kFirstDictionaryName));
                target = 0;
                removed.emplace_back();
            }
            if (target < 0) {
                outcomes.push_back(Outcome::NoDictionary);
                continue;
            }
            UserDictionary* dictionary = storage.mutable_dictionaries(target);
            if (!targetKeys) {
                targetKeys.emplace();
                targetKeys->reserve(static_cast<std::size_t>(dictionary->entries_size()) +
                                    ops.size());
                const auto& gone = removed[static_cast<std::size_t>(target)];
                for (int e = 0; e < dictionary->entries_size(); ++e) {
                    if (static_cast<std::size_t>(e) < gone.size() &&
                        gone[static_cast<std::size_t>(e)])
                        continue;
                    ++(*targetKeys)[KeyOf(dictionary->entries(e))];
                }
            }
            if ((*targetKeys)[key] > 0) {
                outcomes.push_back(Outcome::Duplicate);
                continue;
            }
            if (static_cast<std::size_t>(dictionary->entries_size()) - removedFromTarget >=
                kMozcMaxEntries) {
                outcomes.push_back(Outcome::Full);
                continue;
            }
            Entry* entry = dictionary->add_entries();
            entry->set_key(op.reading);
            entry->set_value(op.word);
            entry->set_pos(op.pos);
            ++(*targetKeys)[key];
            if (where) {
                // The target comes first among the enabled dictionaries.
                auto& places = (*where)[key];
                const auto after = std::ranges::find_if(
                    places, [&](const std::pair<int, int>& p) { return p.first != target; });
                places.insert(after, {target, dictionary->entries_size() - 1});
            }
            outcomes.push_back(Outcome::Done);
            continue;
        }
        if (!where) {
            where.emplace();
            for (int d = 0; d < storage.dictionaries_size(); ++d) {
                const UserDictionary& dictionary = storage.dictionaries(d);
                if (!dictionary.enabled()) continue;
                const auto& gone = removed[static_cast<std::size_t>(d)];
                for (int e = 0; e < dictionary.entries_size(); ++e) {
                    if (static_cast<std::size_t>(e) < gone.size() &&
                        gone[static_cast<std::size_t>(e)])
                        continue;
                    (*where)[KeyOf(dictionary.entries(e))].emplace_back(d, e);
                }
            }
        }
        const auto found = where->find(key);
        if (found == where->end() || found->second.empty()) {
            outcomes.push_back(Outcome::Absent);
            continue;
        }
        const auto [d, e] = found->second.front();
        found->second.erase(found->second.begin());
        auto& gone = removed[static_cast<std::size_t>(d)];
        gone.resize(static_cast<std::size_t>(storage.dictionaries(d).entries_size()));
        gone[static_cast<std::size_t>(e)] = 1;
        if (d == target) {
            ++removedFromTarget;
            if (targetKeys) --(*targetKeys)[key];
        }
        outcomes.push_back(Outcome::Done);
    }
    for (int d = 0; d < storage.dictionaries_size(); ++d) {
        const auto& gone = removed[static_cast<std::size_t>(d)];
        if (gone.empty()) continue;
        auto* entries = storage.mutable_dictionaries(d)->mutable_entries();
        int kept = 0;
        for (int e = 0; e < entries->size(); ++e) {
            if (static_cast<std::size_t>(e) < gone.size() && gone[static_cast<std::size_t>(e)])
                continue;
            if (kept != e) entries->SwapElements(kept, e);
            ++kept;
        }
        entries->DeleteSubrange(kept, entries->size() - kept);
    }
    return outcomes;
}

const char* ReasonOf(Outcome outcome) {
    switch (outcome) {
        case Outcome::Duplicate:
            return msg::kDuplicate;
        case Outcome::Absent:
            return msg::kNotRegistered;
        case Outcome::Full:
            return msg::kDictionaryFull;
        case Outcome::NoDictionary:
            return kAllDisabled;
        case Outcome::Done:
            break;
    }
    return "";
}

// Reads and parses the dictionary file; a missing file is an empty dictionary.
bool ReadStorage(const std::string& path, UserDictionaryStorage& storage, std::string* error) {
    storage.Clear();
    const int fd = OpenRegularFileForReading(path);
    if (fd < 0) {
        if (errno == ENOENT) return true;
        *error = errno == EINVAL
                     ? "Mozcの辞書ファイルが通常のファイルではありません: " + path
                     : msg::kMozcCannotRead + path + " (" + SystemErrorText(errno) + ")";
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        *error = msg::kMozcCannotRead + path + " (" + SystemErrorText(err) + ")";
        return false;
    }
    if (static_cast<std::uint64_t>(st.st_size) > kMozcMaxFileBytes) {
        ::close(fd);
        *error = "Mozcの辞書ファイルがMozcの読み込める大きさ (512MB) を超えています: " + path;
        return false;
    }
    std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
    const bool complete =
        ReadFully(fd, bytes.data(), bytes.size()) == static_cast<std::int64_t>(bytes.size());
    const int err = errno;
    ::close(fd);
    if (!complete) {
        *error = msg::kMozcCannotRead + path + " (" + SystemErrorText(err) + ")";
        return false;
    }
    // Another kind of protobuf file can parse; one with nothing of a dictionary is foreign.
    if (!storage.ParseFromString(bytes) ||
        (!bytes.empty() && !storage.has_version() && storage.dictionaries_size() == 0)) {
        storage.Clear();
        *error = "Mozcの辞書ファイルが壊れているか、Mozcの辞書ではありません: " + path;
        return false;
    }
    return true;
}

}  // namespace

// A dictionary file as read, on an arena of its own: a million entries are freed at once.
struct MozcBackend::Loaded {
    google::protobuf::Arena arena;
    UserDictionaryStorage* storage =
        google::protobuf::Arena::CreateMessage<UserDictionaryStorage>(&arena);
};

// The dictionary as an open batch will leave it, by key: how many entries of the enabled
// dictionaries have it, how many of those are in the target dictionary.
struct MozcBackend::View {
    struct Count {
        std::uint32_t all = 0, target = 0;
    };
    std::unordered_map<std::string, Count> counts;
    std::size_t targetSize = 0;
    bool canAdd = true;  // false when every dictionary is disabled
};

class MozcBackend::Batch final : public RegistrationBatch {
  public:
    explicit Batch(MozcBackend& backend) : backend_(&backend) {}
    ~Batch() override { Finish(); }
    std::size_t Finish() override {
        MozcBackend* backend = std::exchange(backend_, nullptr);
        return backend ? backend->FinishBatch() : 0;
    }
    void Detach() { backend_ = nullptr; }

  private:
    MozcBackend* backend_;
};

std::unique_ptr<MozcBackend> MozcBackend::Open(const std::string& profile, std::string* error) {
    if (profile.empty() || profile[0] != '/') {
        *error = "Mozcの設定フォルダーが正しくありません: " + ShownPath(profile);
        return nullptr;
    }
    std::unique_ptr<MozcBackend> backend(new MozcBackend(profile));
    struct stat st {};
    if (::stat(backend->profile_.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
        *error = "Mozcの設定フォルダーがフォルダーではありません: " + ShownPath(backend->profile_);
        return nullptr;
    }
    // Read whole once, to refuse a file Mozc could not load; nothing of it is kept, as a
    // window that never lists would otherwise hold it for its lifetime.
    Loaded loaded;
    std::string reason;
    if (!ReadStorage(backend->path_, *loaded.storage, &reason)) {
        *error = reason;
        return nullptr;
    }
    return backend;
}

MozcBackend::MozcBackend(std::string profile)
    : profile_(profile.size() > 1 && profile.ends_with('/') ? profile.substr(0, profile.size() - 1)
                                                            : std::move(profile)),
      path_(profile_ + "/user_dictionary.db"),
      lockPath_(profile_ + "/.user_dictionary.db.lock") {}

MozcBackend::~MozcBackend() {
    if (batch_ != nullptr) {
        batch_->Detach();
        FinishBatch();
    }
}

std::vector<std::string> MozcBackend::KeptFilesOf(const std::string& profile) {
    const std::string folder = profile.size() > 1 && profile.ends_with('/')
                                   ? profile.substr(0, profile.size() - 1)
                                   : profile;
    return {folder + "/user_dictionary.db", folder + "/user_dictionary.db.tmp",
            folder + "/.user_dictionary.db.lock"};
}

bool MozcBackend::Fail(std::string what) {
    lastError_ = std::move(what);
    return false;
}

std::vector<PosStyle> MozcBackend::GetRegisterWordStyles() { return MozcStyles(); }

bool MozcBackend::MakeOp(const std::u16string& reading, std::uint32_t style,
                         const std::u16string& word, bool add, Op& op) {
    op.add = add;
    if (style < 1 || style > MozcStyles().size())
        return Fail(add ? msg::kBadPos : msg::kNotRegistered);
    // A word to remove is looked for as it is: Mozc's rules apply to what is added.
    const auto field = [&](const std::u16string& text, const char* name, std::string& out) {
        if (text.empty()) return Fail(std::string(name) + msg::kFieldEmpty);
        if (HasUnpairedSurrogate(text)) {
            return Fail(std::string(name) + msg::kFieldBadCharacter);
        }
        if (!add) {
            out = Utf16ToUtf8(text);
            return true;
        }
        if (HasControlCharacter(text)) {
            return Fail(std::string(name) + msg::kFieldControlCharacter);
        }
        out = Utf16ToUtf8(text);
        if (out.size() > kMozcMaxFieldBytes) {
            return Fail(std::string(name) + "がMozcの上限 (UTF-8で300バイト) を超えています");
        }
        return true;
    };
    if (!field(reading, msg::kReadingField, op.reading))
        return add ? false : Fail(msg::kNotRegistered);
    if (add) {
        for (char16_t c : reading) {
            if (!ReadingCharacterAllowed(c)) {
                return Fail("読みにMozcで使えない文字が含まれています: " +
                            Utf16ToUtf8(std::u16string(1, c)));
            }
        }
    }
    if (!field(word, msg::kWordField, op.word)) return add ? false : Fail(msg::kNotRegistered);
    op.pos = static_cast<std::int32_t>(style);
    return true;
}

bool MozcBackend::Commit(const std::vector<Op>& ops, bool partial, std::size_t* lost) {
    std::string error;
    const auto fail = [&] {
        if (lost) *lost = ops.size();
        return Fail(error);
    };
    if (!MakeFolders(profile_, &error)) return fail();
    DictionaryLock lock;
    if (!lock.Acquire(lockPath_, kMozcLockWait, &error)) return fail();
    Loaded loaded;
    UserDictionaryStorage& storage = *loaded.storage;
    if (!ReadStorage(path_, storage, &error)) return fail();
    const std::vector<Outcome> outcomes = Apply(storage, ops);
    std::size_t done = 0, refused = 0;
    for (std::size_t i = 0; i < ops.size(); ++i) {
        if (outcomes[i] == Outcome::Done) {
            ++done;
        } else if (outcomes[i] == Outcome::Full || outcomes[i] == Outcome::NoDictionary) {
            ++refused;  // words another program's change left no room for
        }
        if (outcomes[i] != Outcome::Done && !partial) return Fail(ReasonOf(outcomes[i]));
    }
    if (lost) *lost = refused;
    if (done == 0) return true;
    std::string bytes;
    if (!storage.SerializeToString(&bytes)) {
        error = "Mozcの辞書を書き出せません";
        return fail();
    }
    // A new dictionary is private to the user, as the writer keeps an existing file's mode.
    if (const int fd =
            ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        fd >= 0) {
        ::close(fd);
    }
    // Mozc compares modification times in whole seconds.
    SafeWriteOptions options;
    options.newSecond = true;
    options.removeStaleTemporaries = true;
    if (!WriteFileSafely(path_, bytes, options, &error)) return fail();
    SendMozcReload(profile_, kMozcReloadWait);
    return true;
}

bool MozcBackend::EnumRegisterWord(const EnumWordCallback& callback) {
    lastError_.clear();
    Loaded loaded;
    std::string error;
    if (!ReadStorage(path_, *loaded.storage, &error)) return Fail(error);
    UserDictionaryStorage& storage = *loaded.storage;
    if (!pending_.empty()) Apply(storage, pending_);
    for (const UserDictionary& dictionary : storage.dictionaries()) {
        if (!dictionary.enabled()) continue;
        for (const Entry& entry : dictionary.entries()) {
            const std::optional<std::u16string> reading = Utf8ToUtf16(entry.key());
            const std::optional<std::u16string> word = Utf8ToUtf16(entry.value());
            if (callback(reading ? reading->c_str() : nullptr,
                         static_cast<std::uint32_t>(entry.pos()),
                         word ? word->c_str() : nullptr) == 0) {
                return true;
            }
        }
    }
    return true;
}

bool MozcBackend::RegisterWord(const std::u16string& reading, std::uint32_t style,
                               const std::u16string& word) {
    lastError_.clear();
    Op op;
    if (!MakeOp(reading, style, word, true, op)) return false;
    std::vector<Op> ops{std::move(op)};
    return batch_ ? QueueInBatch(std::move(ops)) : Commit(ops, false, nullptr);
}

bool MozcBackend::UnregisterWord(const std::u16string& reading, std::uint32_t style,
                                 const std::u16string& word) {
    lastError_.clear();
    Op op;
    if (!MakeOp(reading, style, word, false, op)) return Fail(msg::kNotRegistered);
    std::vector<Op> ops{std::move(op)};
    return batch_ ? QueueInBatch(std::move(ops)) : Commit(ops, false, nullptr);
}

bool MozcBackend::ChangeWord(const std::u16string& oldReading, std::uint32_t oldStyle,
                             const std::u16string& oldWord, const std::u16string& newReading,
                             std::uint32_t newStyle, const std::u16string& newWord) {
    lastError_.clear();
    std::vector<Op> ops(2);
    if (!MakeOp(oldReading, oldStyle, oldWord, false, ops[0])) return Fail(msg::kNotRegistered);
    if (!MakeOp(newReading, newStyle, newWord, true, ops[1])) return false;
    return batch_ ? QueueInBatch(std::move(ops)) : Commit(ops, false, nullptr);
}

// Answers the ops against the view of the open batch; all or none are queued.
bool MozcBackend::QueueInBatch(std::vector<Op> ops) {
    View& view = *view_;
    std::vector<std::pair<std::string, View::Count>> undo;
    const auto refuse = [&](const char* reason) {
        for (auto it = undo.rbegin(); it != undo.rend(); ++it) view.counts[it->first] = it->second;
        return Fail(reason);
    };
    for (const Op& op : ops) {
        std::string key = Key(op.reading, op.word, op.pos);
        View::Count& count = view.counts[key];
        undo.emplace_back(key, count);
        if (op.add) {
            if (!view.canAdd) return refuse(kAllDisabled);
            if (count.target > 0) return refuse(msg::kDuplicate);
            if (view.targetSize >= kMozcMaxEntries) return refuse(msg::kDictionaryFull);
            ++count.all;
            ++count.target;
            ++view.targetSize;
        } else {
            if (count.all == 0) return refuse(msg::kNotRegistered);
            --count.all;
            if (count.target > 0) {
                --count.target;
                --view.targetSize;
            }
        }
    }
    for (Op& op : ops) pending_.push_back(std::move(op));
    return true;
}

std::unique_ptr<RegistrationBatch> MozcBackend::BeginBatch() {
    if (batch_ != nullptr) return nullptr;
    lastError_.clear();
    UserDictionaryStorage storage;
    std::string error;
    if (!ReadStorage(path_, storage, &error)) {
        Fail(error);
        return nullptr;
    }
    auto view = std::make_unique<View>();
    const int target = FirstEnabled(storage);
    view->canAdd = target >= 0 || storage.dictionaries_size() == 0;
    for (int d = 0; d < storage.dictionaries_size(); ++d) {
        const UserDictionary& dictionary = storage.dictionaries(d);
        if (!dictionary.enabled()) continue;
        if (d == target) view->targetSize = static_cast<std::size_t>(dictionary.entries_size());
        for (const Entry& entry : dictionary.entries()) {
            View::Count& count = view->counts[KeyOf(entry)];
            ++count.all;
            if (d == target) ++count.target;
        }
    }
    view_ = std::move(view);
    pending_.clear();
    auto batch = std::make_unique<Batch>(*this);
    batch_ = batch.get();
    return batch;
}

std::size_t MozcBackend::FinishBatch() {
    batch_ = nullptr;
    view_.reset();
    const std::vector<Op> ops = std::move(pending_);
    pending_.clear();
    if (ops.empty()) return 0;
    // Changes another program made meanwhile stand: a word it added is there already, a
    // word it removed is gone already.
    std::size_t lost = 0;
    Commit(ops, true, &lost);
    return lost;
}

bool SendMozcReload(const std::string& profile, std::chrono::milliseconds wait) {
    std::string info;
    {
        const int fd = ::open((profile + "/.session.ipc").c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        char buffer[4096];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        ::close(fd);
        if (n <= 0) return false;
        info.assign(buffer, static_cast<std::size_t>(n));
    }
    mozcfile::IpcPathInfo path;
    if (!path.ParseFromString(info) || path.key().size() != 32 ||
        !std::ranges::all_of(
            path.key(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; })) {
        return false;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string name = "tmp/.mozc." + path.key() + ".session";
    std::memcpy(address.sun_path + 1, name.data(), name.size());  // abstract: a leading NUL
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    const auto ready = [&](short events) {
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd p{fd, events, 0};
            const int r = ::poll(&p, 1, static_cast<int>(left.count()));
            if (r > 0) return true;
            if (r == 0 || errno != EINTR) return false;
        }
    };
    bool ok = false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0 ||
        ((errno == EINPROGRESS || errno == EAGAIN) && ready(POLLOUT))) {
        int err = 0;
        socklen_t len = sizeof err;
        mozcfile::SessionInput input;
        input.set_type(10);
        const std::string request = input.SerializeAsString();
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0 &&
            ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
                static_cast<ssize_t>(request.size()) &&
            ::shutdown(fd, SHUT_WR) == 0) {
            // The reply is read to its end, so that the server is done with the request.
            char buffer[256];
            while (ready(POLLIN)) {
                const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
                if (n > 0) continue;
                if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
                ok = n == 0;
                break;
            }
        }
    }
    ::close(fd);
    return ok;
}

}  // namespace wk::ime
