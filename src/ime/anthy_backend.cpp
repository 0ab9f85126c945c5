// SPDX-License-Identifier: MIT
#include "anthy_backend.h"

#include <anthy/anthy.h>
#include <anthy/dicutil.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>
#include <utility>

#include "core/messages.h"
#include "core/safe_file.h"
#include "core/text.h"

// Exported by libanthydic but missing from its header: the lock that Anthy's dictionary
// tools and its conversion engine take around the private dictionary.
extern "C" {
void anthy_priv_dic_lock(void);
void anthy_priv_dic_unlock(void);
}

namespace wk::ime {

namespace {

struct StyleRow {
    std::uint32_t style;
    std::string_view wtype;
    std::u16string_view description;
};

// Codes below 100 are those of the embedded store's names.
constexpr StyleRow kStyleRows[] = {
    {1, "#T35", u"名詞"},
    {101, "#T00", u"名詞（な・さ・する接続）"},
    {102, "#T05", u"名詞（な・さ接続）"},
    {103, "#T10", u"名詞（な・する接続）"},
    {104, "#T15", u"名詞（な接続）"},
    {105, "#T30", u"名詞（する接続）"},
    {4, "#JN", u"人名"},
    {8, "#CN", u"地名"},
    {7, "#KK", u"組織"},
    {11, "#NN", u"数"},
    {39, "#KY", u"形容詞"},
    {15, "#F14", u"副詞"},
    {111, "#F00", u"副詞（と・たる・する接続）"},
    {112, "#F02", u"副詞（と・たる接続）"},
    {113, "#F04", u"副詞（と・する接続）"},
    {114, "#F06", u"副詞（と接続）"},
    {115, "#F08", u"副詞（たる・する接続）"},
    {116, "#F10", u"副詞（たる接続）"},
    {117, "#F12", u"副詞（する接続）"},
    {16, "#RT", u"連体詞"},
    {17, "#CJ", u"接続詞"},
    {121, "#KJ", u"単漢字"},
    {24, "#W5", u"動詞ワ行五段"},
    {131, "#W5r", u"動詞ワ行五段（連用形が名詞）"},
    {25, "#K5", u"動詞カ行五段"},
    {132, "#K5r", u"動詞カ行五段（連用形が名詞）"},
    {26, "#S5", u"動詞サ行五段"},
    {133, "#S5r", u"動詞サ行五段（連用形が名詞）"},
    {27, "#T5", u"動詞タ行五段"},
    {134, "#T5r", u"動詞タ行五段（連用形が名詞）"},
    {28, "#N5", u"動詞ナ行五段"},
    {135, "#N5r", u"動詞ナ行五段（連用形が名詞）"},
    {29, "#M5", u"動詞マ行五段"},
    {136, "#M5r", u"動詞マ行五段（連用形が名詞）"},
    {30, "#R5", u"動詞ラ行五段"},
    {137, "#R5r", u"動詞ラ行五段（連用形が名詞）"},
    {31, "#G5", u"動詞ガ行五段"},
    {138, "#G5r", u"動詞ガ行五段（連用形が名詞）"},
    {32, "#B5", u"動詞バ行五段"},
    {139, "#B5r", u"動詞バ行五段（連用形が名詞）"},
};

// Anthy keeps its state per process; one dictionary is worked on at a time.
std::mutex& AnthyMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string Key(std::string_view reading, std::string_view wtype, std::string_view word) {
    std::string key;
    key.reserve(reading.size() + wtype.size() + word.size() + 2);
    key.append(reading);
    key.push_back('\0');
    key.append(wtype);
    key.push_back('\0');
    key.append(word);
    return key;
}

std::unordered_set<std::string> KeysOf(std::string_view text) {
    std::unordered_set<std::string> keys;
    ForEachAnthyLine(text, [&](std::string_view line) {
        AnthyLine entry;
        if (ParseAnthyLine(line, entry) && entry.hasWord) {
            keys.insert(Key(entry.reading, entry.wtype, entry.word));
        }
        return true;
    });
    return keys;
}

}  // namespace

const std::vector<PosStyle>& AnthyStyles() {
    static const std::vector<PosStyle> styles = [] {
        std::vector<PosStyle> rows;
        for (const StyleRow& row : kStyleRows) {
            rows.push_back({row.style, std::u16string(row.description)});
        }
        return rows;
    }();
    return styles;
}

std::string_view AnthyWordType(std::uint32_t style) {
    for (const StyleRow& row : kStyleRows) {
        if (row.style == style) return row.wtype;
    }
    return {};
}

// Holds Anthy's dictionary lock for as long as it lives. Anthy reports no failure of its
// lock, so the lock is looked at through a descriptor of our own on the lock file, which
// stays open until Anthy has let go (closing any descriptor of that file would drop it).
class AnthyBackend::Lock {
  public:
    explicit Lock(AnthyBackend& backend) : guard_(AnthyMutex()) {
        probe_ = ::open(backend.lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (probe_ < 0) {
            backend.Fail(msg::kAnthyCannotLock + backend.lockPath_ + " (" + SystemErrorText(errno) +
                         ")");
            return;
        }
        // Anthy waits for its lock without limit; another program's hold is waited out
        // here for a bounded time instead, so that a hung holder cannot freeze the window.
        if (!AwaitFree()) {
            ::close(probe_);
            probe_ = -1;
            backend.Fail("ほかのプログラムがAnthyの辞書を使用中です: " + backend.lockPath_);
            return;
        }
        anthy_conf_override("HOME", backend.home_.c_str());
        anthy_dic_util_init();
        anthy_priv_dic_lock();
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = 0;
        lock.l_len = 1;
        held_ = ::fcntl(probe_, F_OFD_GETLK, &lock) == 0 && lock.l_type == F_WRLCK &&
                lock.l_pid == ::getpid();
        if (!held_) backend.Fail(msg::kAnthyCannotLock + backend.lockPath_);
    }
    ~Lock() {
        if (probe_ < 0) return;
        anthy_priv_dic_unlock();
        anthy_dic_util_quit();
        ::close(probe_);
    }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    bool held() const { return held_; }

  private:
    // True once no other process holds the lock, polling until kAnthyLockWaitMs passed.
    bool AwaitFree() const {
        for (int waited = 0;; waited += 20) {
            struct flock lock {};
            lock.l_type = F_WRLCK;
            lock.l_whence = SEEK_SET;
            lock.l_start = 0;
            lock.l_len = 1;
            if (::fcntl(probe_, F_OFD_GETLK, &lock) != 0) return true;  // Anthy's lock decides
            if (lock.l_type == F_UNLCK) return true;
            if (waited >= kAnthyLockWaitMs) return false;
            ::usleep(20'000);
        }
    }

    std::lock_guard<std::mutex> guard_;
    int probe_ = -1;
    bool held_ = false;
};

class AnthyBackend::Batch final : public RegistrationBatch {
  public:
    explicit Batch(AnthyBackend& backend) : backend_(&backend) {}
    ~Batch() override { Finish(); }
    std::size_t Finish() override {
        AnthyBackend* backend = std::exchange(backend_, nullptr);
        return backend ? backend->FinishBatch() : 0;
    }
    void Detach() { backend_ = nullptr; }

  private:
    AnthyBackend* backend_;
};

std::unique_ptr<AnthyBackend> AnthyBackend::Open(const std::string& home, std::string* error) {
    if (home.empty() || home[0] != '/') {
        *error = "ホームフォルダーが正しくありません: " + ShownPath(home);
        return nullptr;
    }
    std::unique_ptr<AnthyBackend> backend(new AnthyBackend(home));
    struct stat st {};
    if (::stat(backend->folder_.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
        *error = "Anthyの辞書フォルダーがフォルダーではありません: " + ShownPath(backend->folder_);
        return nullptr;
    }
    if (::stat(backend->path_.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        *error = msg::kAnthyFileNotRegular + ShownPath(backend->path_);
        return nullptr;
    }
    return backend;
}

AnthyBackend::AnthyBackend(std::string home)
    : home_(std::move(home)),
      folder_((home_.ends_with('/') ? home_ : home_ + "/") + ".anthy"),
      path_(folder_ + "/private_words_default"),
      lockPath_(folder_ + "/lock-file_default") {}

AnthyBackend::~AnthyBackend() {
    if (batch_ != nullptr) {
        batch_->Detach();
        FinishBatch();
    }
}

bool AnthyBackend::Fail(std::string what) {
    lastError_ = std::move(what);
    return false;
}

bool AnthyBackend::ReadText(std::string& text) {
    text.clear();
    const auto cannotRead = [&](int err) {
        return Fail("Anthyの辞書ファイルを読み込めません: " + path_ + " (" + SystemErrorText(err) +
                    ")");
    };
    const auto tooLarge = [&] {
        text.clear();
        return Fail("Anthyの辞書ファイルが大きすぎます (" +
                    std::to_string(kAnthyMaxDictionaryBytes >> 20) + " MB まで): " + path_);
    };
    const int fd = OpenRegularFileForReading(path_);
    if (fd < 0) {
        if (errno == ENOENT) return true;  // a new account: no words yet
        if (errno == EINVAL) {
            return Fail(msg::kAnthyFileNotRegular + path_);
        }
        return cannotRead(errno);
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0) {
        if (static_cast<std::uint64_t>(st.st_size) > kAnthyMaxDictionaryBytes) {
            ::close(fd);
            return tooLarge();
        }
        text.reserve(static_cast<std::size_t>(st.st_size));
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            return cannotRead(err);
        }
        // The file may grow while it is read.
        if (text.size() + static_cast<std::size_t>(n) > kAnthyMaxDictionaryBytes) {
            ::close(fd);
            return tooLarge();
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

bool AnthyBackend::WriteText(const std::string& text) {
    // Under the lock: a temporary file that a killed writer left is ours to remove. Anthy
    // takes a change in the same second for no change, hence the new second.
    SafeWriteOptions options;
    options.newSecond = true;
    options.removeStaleTemporaries = true;
    options.newFileMode = 0600;  // the user's own words, like the store
    std::string error;
    if (WriteFileSafely(path_, text, options, &error)) return true;
    return Fail("Anthyの辞書ファイルに書き込めません: " + error);
}

bool AnthyBackend::EnsureFolder() {
    if (::mkdir(folder_.c_str(), 0700) == 0 || errno == EEXIST) {
        struct stat st {};
        if (::stat(folder_.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
        errno = ENOTDIR;
    }
    return Fail("Anthyの辞書フォルダーを作成できません: " + folder_ + " (" +
                SystemErrorText(errno) + ")");
}

bool AnthyBackend::MakeRecord(const std::u16string& reading, std::uint32_t style,
                              const std::u16string& word, AnthyRecord& record) {
    const std::string_view wtype = AnthyWordType(style);
    if (wtype.empty()) return Fail(msg::kBadPos);
    const auto field = [&](const std::u16string& text, const char* name) {
        if (text.empty()) return Fail(std::string(name) + msg::kFieldEmpty);
        if (HasUnpairedSurrogate(text)) {
            return Fail(std::string(name) + msg::kFieldBadCharacter);
        }
        if (HasControlCharacter(text)) {
            return Fail(std::string(name) + msg::kFieldControlCharacter);
        }
        return true;
    };
    if (!field(reading, msg::kReadingField)) return false;
    // Anthy ends the reading at the first space.
    if (reading.find(u' ') != std::u16string::npos) return Fail("読みに空白が含まれています");
    if (!field(word, msg::kWordField)) return false;
    record.reading = Utf16ToUtf8(reading);
    record.wtype = std::string(wtype);
    record.word = Utf16ToUtf8(word);
    record.frequency = kAnthyDefaultFrequency;
    if (record.reading.size() > kAnthyMaxReadingBytes) {
        return Fail("読みがAnthyの上限 (UTF-8で96バイト) を超えています");
    }
    // Anthy reads a line of at most 1022 bytes and its newline; longer lines come back cut.
    if (FormatAnthyLine(record.reading, record.wtype, record.frequency, record.word).size() - 1 >
        kAnthyMaxLineBytes) {
        return Fail("読みと単語がAnthyの1行の上限 (UTF-8で1022バイト) を超えています");
    }
    return true;
}

bool AnthyBackend::WordTypeOf(std::uint32_t style, std::string& wtype) {
    if (const std::string_view known = AnthyWordType(style); !known.empty()) {
        wtype = std::string(known);
        return true;
    }
    if (style >= kAnthyFirstOtherStyle && style - kAnthyFirstOtherStyle < otherTypes_.size()) {
        wtype = otherTypes_[style - kAnthyFirstOtherStyle];
        return true;
    }
    return false;
}

std::uint32_t AnthyBackend::StyleOf(std::string_view wtype) {
    static const std::unordered_map<std::string_view, std::uint32_t> table = [] {
        std::unordered_map<std::string_view, std::uint32_t> map;
        for (const StyleRow& row : kStyleRows) map.emplace(row.wtype, row.style);
        return map;
    }();
    if (const auto it = table.find(wtype); it != table.end()) return it->second;
    const std::string name(wtype);
    if (const auto it = otherStyles_.find(name); it != otherStyles_.end()) return it->second;
    const auto style = static_cast<std::uint32_t>(kAnthyFirstOtherStyle + otherTypes_.size());
    otherTypes_.push_back(name);
    otherStyles_.emplace(name, style);
    return style;
}

std::vector<PosStyle> AnthyBackend::GetRegisterWordStyles() { return AnthyStyles(); }

bool AnthyBackend::EnumRegisterWord(const EnumWordCallback& callback) {
    lastError_.clear();
    std::string text;
    if (!ReadText(text)) return false;
    // During a batch its words are shown where they will stand.
    if (!pending_.empty()) text = MergeAnthyRecords(text, pending_);
    ForEachAnthyLine(text, [&](std::string_view line) {
        AnthyLine entry;
        if (!ParseAnthyLine(line, entry)) return true;
        const std::optional<std::u16string> reading = Utf8ToUtf16(entry.reading);
        const std::optional<std::u16string> word =
            entry.hasWord ? Utf8ToUtf16(entry.word) : std::nullopt;
        return callback(reading ? reading->c_str() : nullptr, StyleOf(entry.wtype),
                        word ? word->c_str() : nullptr) != 0;
    });
    return true;
}

bool AnthyBackend::RegisterWord(const std::u16string& reading, std::uint32_t style,
                                const std::u16string& word) {
    lastError_.clear();
    AnthyRecord record;
    if (!MakeRecord(reading, style, word, record)) return false;
    if (batch_ != nullptr) {
        std::string key = Key(record.reading, record.wtype, record.word);
        if (knownKeys_.contains(key) || pendingKeys_.contains(key)) return Fail(msg::kDuplicate);
        pendingKeys_.insert(std::move(key));
        pending_.push_back(std::move(record));
        return true;
    }
    return ChangeText([&](const std::string& text) {
        if (ContainsAnthyWord(text, record.reading, record.wtype, record.word)) {
            return Fail(msg::kDuplicate);
        }
        return WriteText(MergeAnthyRecords(text, {record}));
    });
}

bool AnthyBackend::UnregisterWord(const std::u16string& reading, std::uint32_t style,
                                  const std::u16string& word) {
    lastError_.clear();
    std::string wtype;
    if (!WordTypeOf(style, wtype) || HasUnpairedSurrogate(reading) || HasUnpairedSurrogate(word)) {
        return Fail(msg::kNotRegistered);
    }
    const std::string readingBytes = Utf16ToUtf8(reading);
    const std::string wordBytes = Utf16ToUtf8(word);
    if (batch_ != nullptr) {
        const std::string key = Key(readingBytes, wtype, wordBytes);
        if (pendingKeys_.erase(key) != 0) {
            std::erase_if(pending_, [&](const AnthyRecord& r) {
                return r.reading == readingBytes && r.wtype == wtype && r.word == wordBytes;
            });
            return true;
        }
        if (!RemoveFromFile(readingBytes, wtype, wordBytes)) return false;
        knownKeys_.erase(key);
        return true;
    }
    return RemoveFromFile(readingBytes, wtype, wordBytes);
}

bool AnthyBackend::RemoveFromFile(const std::string& reading, const std::string& wtype,
                                  const std::string& word) {
    return ChangeText([&](const std::string& text) {
        std::size_t removed = 0;
        const std::string rest = RemoveAnthyWord(text, reading, wtype, word, removed);
        if (removed == 0) return Fail(msg::kNotRegistered);
        return WriteText(rest);
    });
}

bool AnthyBackend::ChangeText(const std::function<bool(const std::string& text)>& change) {
    if (!EnsureFolder()) return false;
    const Lock lock(*this);
    if (!lock.held()) return false;
    std::string text;
    if (!ReadText(text)) return false;
    return change(text);
}

std::unique_ptr<RegistrationBatch> AnthyBackend::BeginBatch() {
    if (batch_ != nullptr) return nullptr;
    lastError_.clear();
    std::string text;
    if (!ReadText(text)) return nullptr;
    knownKeys_ = KeysOf(text);
    pending_.clear();
    pendingKeys_.clear();
    auto batch = std::make_unique<Batch>(*this);
    batch_ = batch.get();
    return batch;
}

std::size_t AnthyBackend::FinishBatch() {
    batch_ = nullptr;
    std::vector<AnthyRecord> records = std::move(pending_);
    pending_.clear();
    pendingKeys_.clear();
    knownKeys_.clear();
    if (records.empty()) return 0;
    const bool written = ChangeText([&](const std::string& text) {
        // Words that another program added meanwhile are in the dictionary already.
        const std::unordered_set<std::string> present = KeysOf(text);
        std::erase_if(records, [&](const AnthyRecord& r) {
            return present.contains(Key(r.reading, r.wtype, r.word));
        });
        return records.empty() || WriteText(MergeAnthyRecords(text, records));
    });
    return written ? 0 : records.size();
}

bool AnthyBackend::ChangeWord(const std::u16string& oldReading, std::uint32_t oldStyle,
                              const std::u16string& oldWord, const std::u16string& newReading,
                              std::uint32_t newStyle, const std::u16string& newWord) {
    lastError_.clear();
    if (batch_ != nullptr) return Fail(msg::kInBatch);
    std::string oldType;
    if (!WordTypeOf(oldStyle, oldType) || HasUnpairedSurrogate(oldReading) ||
        HasUnpairedSurrogate(oldWord)) {
        return Fail(msg::kNotRegistered);
    }
    AnthyRecord record;
    if (!MakeRecord(newReading, newStyle, newWord, record)) return false;
    return ChangeText([&](const std::string& text) {
        std::size_t removed = 0;
        const std::string rest =
            RemoveAnthyWord(text, Utf16ToUtf8(oldReading), oldType, Utf16ToUtf8(oldWord), removed);
        if (removed == 0) return Fail(msg::kNotRegistered);
        if (ContainsAnthyWord(rest, record.reading, record.wtype, record.word)) {
            return Fail(msg::kDuplicate);
        }
        return WriteText(MergeAnthyRecords(rest, {record}));
    });
}

}  // namespace wk::ime
