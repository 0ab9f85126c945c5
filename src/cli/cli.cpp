// SPDX-License-Identifier: MIT
#include "cli.h"

#include <unistd.h>

#include <QCommandLineParser>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string_view>

#include "core/dictionary.h"
#include "core/messages.h"
#include "core/pos_mapping.h"
#include "core/sorting.h"
#include "core/text.h"
#include "core/version.h"
#include "core/word_checks.h"
#include "ime/backend.h"
#include "ime/embedded_store.h"
#include "skeleton/qt_settings_store.h"
#include "textfile/text_commands.h"

namespace wk::cli {

namespace {

using namespace Qt::StringLiterals;

constexpr const char* kUsage =
    "使い方: wordkeeper-cli [--ime 入力方式] コマンド [引数...]\n"
    "\n"
    "コマンド:\n"
    "  info                           使う入力方式と辞書ファイル\n"
    "  styles                         品詞の一覧 (コード<TAB>品詞名)\n"
    "  list [--sort reading|word|pos] [--descending]\n"
    "                                 単語の一覧 (読み<TAB>単語<TAB>品詞)\n"
    "  add 読み 単語 品詞              単語を登録する\n"
    "  remove 読み 単語 品詞           単語を削除する\n"
    "  change 元の読み 元の単語 元の品詞 新しい読み 新しい単語 新しい品詞\n"
    "                                 単語を変更する (新しい単語が登録できないときは元のまま)\n"
    "  find 読み                      読みが一致する最初の単語 (位置<TAB>読み<TAB>単語<TAB>品詞)\n"
    "  import ファイル                辞書テキストファイルの単語を一括登録する\n"
    "  export ファイル [--sort reading|word|pos] [--descending] [--encoding cp932|utf-8]\n"
    "                 [--format msime|mozc]\n"
    "                                 単語の一覧を辞書テキストファイルへ出力する\n"
    "                                 (既定は読みの昇順、文字コードは cp932。--format で\n"
    "                                 Microsoft IME (UTF-16) か Mozc (UTF-8) の形式)\n"
    "  copy --from 入力方式 --to 入力方式\n"
    "                                 一方の辞書の単語をすべてもう一方へ登録する\n"
    "                                 (元の辞書からは何も削除しません)\n"
    "\n"
    "オプション:\n";

// After the options.
constexpr const char* kUsageNotes =
    "\n"
    "辞書テキストファイル: 1 行目は見出し、以降 1 行に 1 語 (読み<TAB>単語<TAB>品詞、行末 CR "
    "LF)。\n"
    "読み込みは CP932 のほか、BOM 付きの UTF-8 と UTF-16、BOM なしの UTF-8 を判別します。\n"
    "行末は LF だけでも構いません。Microsoft IME、ATOK、Google 日本語入力 / Mozc の\n"
    "テキスト形式と、ことえりの CSV 形式も読み込め、品詞名は入力方式の品詞に対応付けます。\n"
    "\n"
    "終了コード: 0 成功, 1 拒否または失敗, 2 使い方の誤り\n";

// Output is gathered and written in large pieces: a list can hold a million lines.
class Writer {
  public:
    explicit Writer(std::FILE* file) : file_(file), buffer_(kPiece + kSlack, '\0') {}
    ~Writer() { Flush(); }
    void Text(std::u16string_view text) {
        Room(text.size() * 3);
        used_ = static_cast<std::size_t>(WriteUtf8(text, buffer_.data() + used_) - buffer_.data());
        Spill();
    }
    void Raw(std::string_view text) {
        Room(text.size());
        buffer_.replace(used_, text.size(), text);
        used_ += text.size();
        Spill();
    }
    // READING<TAB>WORD<TAB>POS and the line end.
    void Entry(const WordEntryView& entry) {
        Room((entry.reading.size() + entry.word.size() + entry.posName.size()) * 3 + 3);
        char* p = buffer_.data() + used_;
        p = WriteUtf8(entry.reading, p);
        *p++ = '\t';
        p = WriteUtf8(entry.word, p);
        *p++ = '\t';
        p = WriteUtf8(entry.posName, p);
        *p++ = '\n';
        used_ = static_cast<std::size_t>(p - buffer_.data());
        Spill();
    }
    bool Flush() {
        Out();
        if (std::fflush(file_) != 0) ok_ = false;
        return ok_;
    }

  private:
    static constexpr std::size_t kPiece = std::size_t{1} << 16;
    static constexpr std::size_t kSlack = 4096;
    void Out() {
        if (used_ > 0 && std::fwrite(buffer_.data(), 1, used_, file_) != used_) ok_ = false;
        used_ = 0;
    }
    void Room(std::size_t bytes) {
        if (buffer_.size() - used_ < bytes) {
            Out();
            if (buffer_.size() < bytes) buffer_.resize(bytes);
        }
    }
    void Spill() {
        if (used_ >= kPiece) Out();
    }
    std::FILE* file_;
    std::string buffer_;  // the first used_ bytes are pending
    std::size_t used_ = 0;
    bool ok_ = true;
};

struct Context {
    std::FILE* out;
    std::FILE* err;
    std::vector<std::string> operands;
    bool descending = false;
    // The options' values, as given.
    std::optional<std::string> ime, sort, encoding, format, from, to;
};

// Says `message` (and `detail`) on the errors; the status of a failed command.
int Error(const Context& ctx, std::u16string_view message, const std::string& detail = {}) {
    std::string line = Utf16ToUtf8(message);
    if (!detail.empty()) line += ": " + detail;
    line += '\n';
    std::fputs(line.c_str(), ctx.err);
    return kExitFailed;
}

int Usage(const Context& ctx, std::u16string_view message) {
    Error(ctx, message);
    std::fputs("詳しくは wordkeeper-cli --help を見てください\n", ctx.err);
    return kExitUsage;
}

std::unique_ptr<InputMethod> OpenNamedIme(const Context& ctx, const std::string& name) {
    ime::OpenedInputMethod opened = ime::OpenInputMethod(name);
    if (!opened.ime) Error(ctx, opened.error);
    return std::move(opened.ime);
}

// The input method the option, the environment or the settings choose; `choice` (when given)
// receives its name.
std::unique_ptr<InputMethod> OpenIme(const Context& ctx, std::string* choice = nullptr) {
    std::string settingsProblem;
    const std::string setting = QtSettingsStore::InputMethodSetting(&settingsProblem);
    ime::OpenedInputMethod opened =
        ime::OpenChosenInputMethod(ctx.ime.value_or(""), setting, settingsProblem, choice);
    if (!opened.ime) Error(ctx, opened.error);
    return std::move(opened.ime);
}

// After a change: the note that has a running manager reload its list. The change itself
// stands whatever happens here, but the user is told when the note could not be left.
void LeaveNote(const Context& ctx) {
    QtSettingsStore store;
    if (!LeaveQuickAddNote(store)) {
        Error(ctx, msg::kNoteNotWritten, store.fileName().toStdString());
    }
}

// A store that could be opened for reading only takes no words.
bool ReadOnlyStore(const InputMethod& ime) {
    const auto* store = dynamic_cast<const ime::EmbeddedStore*>(&ime);
    return store != nullptr && store->readOnly();
}

// Loads the whole list as the manager does at start-up, then orders it as asked.
bool LoadList(const Context& ctx, Dictionary& dictionary) {
    dictionary.LoadPosTable();
    NullListDisplay display;
    if (!dictionary.RefreshWords(display)) {
        Error(ctx, msg::kIncompleteRead, dictionary.ime().LastErrorDetail());
        return false;
    }
    int column = 0;
    if (ctx.sort == "word") column = 1;
    if (ctx.sort == "pos") column = 2;
    if (column != 0 || ctx.descending) {
        SortState& state = dictionary.sortState();
        state.sortColumn = column;
        state.sortAscending = ctx.descending ? 0 : 1;
        dictionary.ApplySort(display);
    }
    return true;
}

// Which input method the programs would use, and its file.
int Info(const Context& ctx) {
    if (!ctx.operands.empty()) return Usage(ctx, u"info に引数は要りません");
    std::string choice;
    auto ime = OpenIme(ctx, &choice);
    if (!ime) return kExitFailed;
    Writer out(ctx.out);
    out.Text(msg::kImeLabel);
    const std::u16string name = ime->Name();
    name.empty() ? out.Raw(choice) : out.Text(name);
    out.Raw("\n辞書ファイル: ");
    const std::string path = ime->DictionaryPath();
    out.Raw(path.empty() ? "(なし)" : path);
    out.Raw("\n");
    return out.Flush() ? kExitOk : kExitFailed;
}

int Styles(const Context& ctx) {
    if (!ctx.operands.empty()) return Usage(ctx, u"styles に引数は要りません");
    auto ime = OpenIme(ctx);
    if (!ime) return kExitFailed;
    Writer out(ctx.out);
    for (const PosStyle& row : ime->GetRegisterWordStyles()) {
        out.Raw(std::to_string(row.style));
        out.Raw("\t");
        out.Text(row.description);
        out.Raw("\n");
    }
    return out.Flush() ? kExitOk : kExitFailed;
}

int List(const Context& ctx) {
    if (!ctx.operands.empty()) return Usage(ctx, u"list に余分な引数があります");
    auto ime = OpenIme(ctx);
    if (!ime) return kExitFailed;
    Dictionary dictionary(*ime);
    if (!LoadList(ctx, dictionary)) return kExitFailed;
    Writer out(ctx.out);
    const WordEntryList& list = dictionary.wordList;
    for (int i = 0; i < dictionary.wordCount; ++i) {
        // After the sort the entries lie scattered in memory.
        list.PrefetchAhead(i);
        out.Entry(*list.EntryAt(i));
    }
    if (!out.Flush()) return Error(ctx, u"出力に書き込めません");
    return kExitOk;
}

constexpr std::u16string_view kNotUtf8 = u"引数が正しいUTF-8ではありません";

// The operands in UTF-16; nothing when one is not UTF-8.
std::optional<std::vector<std::u16string>> Operands(const Context& ctx) {
    std::vector<std::u16string> fields;
    for (const std::string& operand : ctx.operands) {
        auto decoded = Utf8ToUtf16(operand);
        if (!decoded) return std::nullopt;
        fields.push_back(std::move(*decoded));
    }
    return fields;
}

enum class Edit { Add, Remove, Change };

// add and remove: READING WORD POS; change: the old word's three, then the new word's.
int EditWord(const Context& ctx, Edit edit) {
    const std::size_t needed = edit == Edit::Change ? 6 : 3;
    if (ctx.operands.size() != needed) {
        return Usage(ctx, edit == Edit::Add ? u"add には 読み 単語 品詞 を指定してください"
                          : edit == Edit::Remove ? u"remove には 読み 単語 品詞 を指定してください"
                                                 : u"change には 元の読み 元の単語 元の品詞 "
                                                   u"新しい読み 新しい単語 新しい品詞 "
                                                   u"を指定してください");
    }
    const auto decoded = Operands(ctx);
    if (!decoded) return Usage(ctx, kNotUtf8);
    const std::vector<std::u16string>& fields = *decoded;
    // The fields of the word that is added: the last three.
    const std::u16string& reading = fields[needed - 3];
    const std::u16string& word = fields[needed - 2];
    if (edit != Edit::Remove) {
        const FieldCheck check = CheckWordFields(reading, word);
        if (check != FieldCheck::Ok) return Error(ctx, MessageOf(check));
    }
    auto ime = OpenIme(ctx);
    if (!ime) return kExitFailed;
    PosTable table;
    table.Load(*ime);
    std::vector<std::uint32_t> styles;
    for (std::size_t i = 2; i < needed; i += 3) {
        const int posIndex = table.PosIndexOfStyle(table.PosStyleOfName(fields[i]));
        if (posIndex < 0) return Error(ctx, u"その品詞はありません: " + fields[i]);
        styles.push_back(table.Row(posIndex).style);
    }
    const bool accepted = edit == Edit::Add      ? ime->RegisterWord(reading, styles[0], word)
                          : edit == Edit::Remove ? ime->UnregisterWord(reading, styles[0], word)
                                                 : ime->ChangeWord(fields[0], styles[0], fields[1],
                                                                   reading, styles[1], word);
    if (!accepted)
        return Error(ctx, edit == Edit::Remove ? msg::kCannotDelete : msg::kCannotRegister,
                     ime->LastErrorDetail());
    LeaveNote(ctx);
    return kExitOk;
}

// The answer of loading the list (sorted by reading, ascending) and searching it, from one
// pass over the store without building the list. Entries with equal folded readings keep
// their order in the list, the one read last first; so the first entry with exactly the
// reading is the last one read, and those of its group in front of it are the ones read
// after it.
int Find(const Context& ctx) {
    if (ctx.operands.size() != 1) return Usage(ctx, u"find には 読み を指定してください");
    const auto decoded = Operands(ctx);
    if (!decoded) return Usage(ctx, kNotUtf8);
    auto ime = OpenIme(ctx);
    if (!ime) return kExitFailed;
    PosTable table;
    table.Load(*ime);
    const std::u16string_view reading = (*decoded)[0];
    std::int64_t before = 0;   // entries sorted in front of the reading's group
    std::int64_t inFront = 0;  // of its group, read after the last exact match
    bool found = false;
    std::u16string word;
    std::uint32_t style = 0;
    const bool complete =
        ime->EnumRegisterWord([&](const char16_t* r, std::uint32_t s, const char16_t* w) {
            if (r == nullptr || w == nullptr) return 1;
            const std::u16string_view text(r);
            const int order = CompareFolded(text, reading);
            if (order < 0) {
                ++before;
            } else if (order == 0) {
                if (text == reading) {
                    found = true;
                    word.assign(w);
                    style = s;
                    inFront = 0;
                } else {
                    ++inFront;
                }
            }
            return 1;
        });
    if (!complete) return Error(ctx, msg::kIncompleteRead, ime->LastErrorDetail());
    if (!found) return Error(ctx, msg::kNotFound);
    const int posIndex = table.PosIndexOfStyle(style);
    Writer out(ctx.out);
    out.Raw(std::to_string(before + inFront));
    out.Raw("\t");
    out.Text(reading);
    out.Raw("\t");
    out.Text(word);
    out.Raw("\t");
    if (posIndex >= 0) out.Text(table.Row(posIndex).description);
    out.Raw("\n");
    return out.Flush() ? kExitOk : kExitFailed;
}

// The messages of the text-file commands: results to the output, failures to the errors.
class CliMessages final : public textfile::MessageSink {
  public:
    explicit CliMessages(const Context& ctx) : ctx_(ctx) {}
    void Show(textfile::MessageKind kind, std::u16string_view text,
              std::u16string_view detail) override {
        ClearProgress();
        if (kind == textfile::MessageKind::Info) {
            Writer out(ctx_.out);
            out.Text(text);
            out.Raw("\n");
            if (!out.Flush()) outputFailed_ = true;
            if (!detail.empty()) Error(ctx_, detail);
        } else {
            Error(ctx_, text, Utf16ToUtf8(detail));
        }
    }
    void Refused(const textfile::RefusedLine& refused) override {
        ClearProgress();
        Error(ctx_, textfile::RefusedLineText(refused));
    }
    bool outputFailed() const { return outputFailed_; }

    // Progress of a large file on a terminal: the share read, on one line that is written
    // over. Nothing when the errors do not go to a terminal.
    textfile::ProgressCallback Progress() {
        if (::isatty(::fileno(ctx_.err)) == 0) return {};
        return [this](const textfile::ReadProgress& read) {
            if (read.totalBytes < kLargeFile) return true;
            const int percent = static_cast<int>(read.bytesRead * 100 / read.totalBytes);
            if (percent != shownPercent_) {
                shownPercent_ = percent;
                std::fprintf(ctx_.err, "\r読み込み中 %d%% (%lld 行)", percent,
                             static_cast<long long>(read.lines));
                std::fflush(ctx_.err);
            }
            return true;
        };
    }
    void ClearProgress() {
        if (shownPercent_ < 0) return;
        shownPercent_ = -1;
        std::fputs("\r\033[K", ctx_.err);
    }

  private:
    static constexpr std::uint64_t kLargeFile = 1 << 20;
    const Context& ctx_;
    bool outputFailed_ = false;
    int shownPercent_ = -1;
};

int Import(const Context& ctx) {
    if (ctx.operands.size() != 1) return Usage(ctx, u"import には ファイル を指定してください");
    auto ime = OpenIme(ctx);
    if (!ime) return kExitFailed;
    if (ReadOnlyStore(*ime)) return Error(ctx, msg::kCannotRegister, msg::kStoreNotWritable);
    Dictionary dictionary(*ime);
    dictionary.LoadPosTable();
    NullListDisplay display;
    CliMessages messages(ctx);
    const textfile::BulkResult bulk = textfile::BulkRegisterFile(
        ctx.operands[0], dictionary, display, messages, messages.Progress());
    messages.ClearProgress();
    if (bulk.counts.registered > 0) LeaveNote(ctx);
    // Words that were accepted and then not written make the import a failure.
    return bulk.result == 0 && bulk.lost == 0 && !messages.outputFailed() ? kExitOk : kExitFailed;
}

int Export(const Context& ctx) {
    if (ctx.operands.size() != 1) return Usage(ctx, u"export には ファイル を指定してください");
    textfile::OutputEncoding encoding = textfile::OutputEncoding::Cp932;
    if (ctx.encoding == "utf-8") encoding = textfile::OutputEncoding::Utf8;
    textfile::ExportFormat format = textfile::ExportFormat::Own;
    if (ctx.format == "msime") format = textfile::ExportFormat::MsIme;
    if (ctx.format == "mozc") format = textfile::ExportFormat::Mozc;
    auto ime = OpenIme(ctx);
    if (!ime) return kExitFailed;
    Dictionary dictionary(*ime);
    if (!LoadList(ctx, dictionary)) return kExitFailed;
    NullListDisplay display;
    CliMessages messages(ctx);
    const textfile::ExportResult exported =
        textfile::ExportFile(ctx.operands[0], dictionary, display, messages, encoding, format,
                             ime::KeptFilesOfEveryInputMethod());
    return exported.result == 0 && !messages.outputFailed() ? kExitOk : kExitFailed;
}

// Registers every word of one input method's dictionary with another, in one batch, each
// part of speech mapped onto the target's styles; the source is only read.
int Copy(const Context& ctx) {
    if (!ctx.operands.empty()) return Usage(ctx, u"copy に余分な引数があります");
    if (!ctx.from || !ctx.to) return Usage(ctx, u"copy には --from と --to を指定してください");
    if (*ctx.from == *ctx.to) return Usage(ctx, u"--from と --to に同じ入力方式は指定できません");
    auto source = OpenNamedIme(ctx, *ctx.from);
    if (!source) return kExitFailed;
    auto target = OpenNamedIme(ctx, *ctx.to);
    if (!target) return kExitFailed;
    if (ReadOnlyStore(*target)) return Error(ctx, msg::kCannotRegister, msg::kStoreNotWritable);
    Dictionary words(*source);
    if (!LoadList(ctx, words)) return kExitFailed;
    PosTable table;
    table.Load(*target);

    // The list does not change while it is copied: its views stay valid.
    struct Refused {
        WordEntryView entry;
        std::string reason;
    };
    std::vector<Refused> refused;
    std::size_t accepted = 0;
    std::u16string reading, word;
    std::size_t lost = 0;
    std::string lostReason;
    {
        std::unique_ptr<RegistrationBatch> batch = target->BeginBatch();
        for (int i = 0; i < words.wordCount; ++i) {
            const WordEntryView entry = *words.wordList.EntryAt(i);
            const std::uint32_t style = MapPosStyle(entry.posName, table);
            reading.assign(entry.reading);
            word.assign(entry.word);
            if (style == kNoStyle) {
                refused.push_back({entry, entry.posName.empty() ? std::string("品詞が分かりません")
                                                                : "この入力方式にない品詞です: " +
                                                                      Utf16ToUtf8(entry.posName)});
            } else if (target->RegisterWord(reading, style, word)) {
                ++accepted;
            } else {
                const std::string why = target->LastErrorDetail();
                refused.push_back({entry, why.empty() ? Utf16ToUtf8(msg::kCannotRegister) : why});
            }
        }
        if (batch) {
            lost = std::min(batch->Finish(), accepted);
            if (lost > 0) lostReason = target->LastErrorDetail();
        }
    }
    const auto registered = static_cast<std::int64_t>(accepted - lost);
    const auto notRegistered = static_cast<std::int64_t>(refused.size() + lost);
    Writer out(ctx.out);
    out.Text(textfile::FillNumbers(msg::kSummary, {words.wordCount, registered, notRegistered}));
    out.Raw("\n");
    const bool written = out.Flush();
    Writer err(ctx.err);
    // READING<TAB>WORD<TAB>POS, two spaces and the reason.
    for (const Refused& r : refused) {
        err.Text(r.entry.reading);
        err.Raw("\t");
        err.Text(r.entry.word);
        err.Raw("\t");
        err.Text(r.entry.posName);
        err.Raw("  ");
        err.Raw(r.reason);
        err.Raw("\n");
    }
    if (lost > 0) {
        err.Text(textfile::FillNumbers(msg::kLost, {static_cast<std::int64_t>(lost)}));
        if (!lostReason.empty()) err.Raw(" (" + lostReason + ")");
        err.Raw("\n");
    }
    err.Flush();
    if (registered > 0) LeaveNote(ctx);
    return written && lost == 0 ? kExitOk : kExitFailed;
}

// The options are read in order, each on its own: the index in `line` of the first that is
// help, version or not an option as `parser` takes it, or line.size(). An option's value
// (tried as "-") is passed over; "--" ends the options.
qsizetype FirstStop(QCommandLineParser& parser, const QStringList& line) {
    for (qsizetype i = 1; i < line.size() && line[i] != u"--"_s; ++i) {
        if (line[i].size() < 2 || line[i][0] != u'-') continue;
        if (!parser.parse({QString(), line[i], u"-"_s}) || parser.isSet(u"help"_s) ||
            parser.isSet(u"version"_s))
            return i;
        if (parser.positionalArguments().isEmpty()) ++i;
    }
    return line.size();
}

}  // namespace

int Run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    Context ctx{out, err, {}, false, {}, {}, {}, {}, {}, {}};
    const std::pair<const char*, std::optional<std::string> Context::*> valued[] = {
        {"ime", &Context::ime},       {"sort", &Context::sort}, {"encoding", &Context::encoding},
        {"format", &Context::format}, {"from", &Context::from}, {"to", &Context::to}};
    QCommandLineParser parser;
    parser.addOptions({QCommandLineOption(u"help"_s), QCommandLineOption(u"version"_s),
                       QCommandLineOption(u"descending"_s)});
    for (const auto& [name, field] : valued)
        parser.addOption(QCommandLineOption(QLatin1String(name), QString(), u"value"_s));
    // One character for each byte, so that every value comes back exactly as given.
    QStringList line{QString()};
    for (const std::string& arg : args)
        line << QString::fromLatin1(arg.data(), qsizetype(arg.size()));
    const auto bytes = [](const QString& text) { return text.toLatin1().toStdString(); };

    if (const qsizetype stop = FirstStop(parser, line); stop < line.size()) {
        if (line[stop] == u"--help"_s) {
            std::fputs((std::string(kUsage) + msg::kImeOptionHelp + kUsageNotes).c_str(), out);
            return kExitOk;
        }
        if (line[stop] == u"--version"_s) {
            std::fprintf(out, "wordkeeper-cli %s\n", kVersion);
            return kExitOk;
        }
        return Usage(ctx, u"不明なオプションです: " +
                              Utf8ToUtf16(args[std::size_t(stop - 1)]).value_or(u"?"));
    }
    // Each option was taken on its own: only the last one's value can be missing.
    if (!parser.parse(line)) return Usage(ctx, u"オプションに値がありません");
    for (const auto& [name, field] : valued) {
        if (parser.isSet(QLatin1String(name)))
            ctx.*field = bytes(parser.value(QLatin1String(name)));
    }
    ctx.descending = parser.isSet(u"descending"_s);
    QStringList positional = parser.positionalArguments();
    // Empty arguments in front of the command are passed over.
    while (!positional.isEmpty() && positional.first().isEmpty()) positional.removeFirst();
    if (positional.isEmpty()) return Usage(ctx, u"コマンドを指定してください");
    const std::string command = bytes(positional.takeFirst());
    for (const QString& operand : positional) ctx.operands.push_back(bytes(operand));

    const auto outside = [](const std::optional<std::string>& given,
                            std::initializer_list<std::string_view> allowed) {
        return given && std::find(allowed.begin(), allowed.end(), *given) == allowed.end();
    };
    const bool exporting = command == "export";
    const struct {
        bool broken;
        std::u16string_view message;
    } rules[] = {
        {(ctx.sort || ctx.descending) && command != "list" && !exporting,
         u"--sort と --descending は list と export でだけ使えます"},
        {ctx.encoding && !exporting, u"--encoding は export でだけ使えます"},
        {outside(ctx.encoding, {"cp932", "utf-8"}),
         u"--encoding には cp932 か utf-8 を指定してください"},
        {ctx.format && !exporting, u"--format は export でだけ使えます"},
        {outside(ctx.format, {"msime", "mozc"}), u"--format には msime か mozc を指定してください"},
        {ctx.format && ctx.encoding, u"--format と --encoding は一緒に使えません"},
        {(ctx.from || ctx.to) && command != "copy", u"--from と --to は copy でだけ使えます"},
        {!ctx.ime.value_or("").empty() && command == "copy",
         u"copy では --ime ではなく --from と --to を指定してください"},
        {outside(ctx.sort, {"reading", "word", "pos"}),
         u"--sort には reading, word, pos のどれかを指定してください"},
    };
    for (const auto& rule : rules) {
        if (rule.broken) return Usage(ctx, rule.message);
    }
    if (command == "info") return Info(ctx);
    if (command == "styles") return Styles(ctx);
    if (command == "list") return List(ctx);
    if (command == "add") return EditWord(ctx, Edit::Add);
    if (command == "remove") return EditWord(ctx, Edit::Remove);
    if (command == "change") return EditWord(ctx, Edit::Change);
    if (command == "find") return Find(ctx);
    if (command == "import") return Import(ctx);
    if (command == "export") return Export(ctx);
    if (command == "copy") return Copy(ctx);
    return Usage(ctx, u"不明なコマンドです: " + Utf8ToUtf16(command).value_or(u"?"));
}

}  // namespace wk::cli
