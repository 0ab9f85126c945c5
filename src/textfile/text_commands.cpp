// SPDX-License-Identifier: MIT
#include "text_commands.h"

#include <algorithm>
#include <memory>

#include "core/pos_mapping.h"
#include "core/settings.h"
#include "core/text.h"
#include "core/word_checks.h"

namespace wk::textfile {

namespace {

std::u16string SystemText(const std::string& text) {
    return Utf8ToUtf16(text).value_or(std::u16string());
}

std::u16string_view DetailOf(ReadOutcome outcome) {
    switch (outcome) {
        case ReadOutcome::TooLarge:
            return msg::kTooLarge;
        case ReadOutcome::ReadError:
            return msg::kReadFailed;
        case ReadOutcome::NoConverter:
            return msg::kNoConverter;
        case ReadOutcome::Stopped:
            return msg::kNoStorage;
        default:
            return {};
    }
}

// Why the input method refused a word: its own words, or the field check's, or the bare
// refusal.
std::u16string RefusalReason(const InputMethod& ime, const std::u16string& reading,
                             const std::u16string& word) {
    if (std::u16string why = ErrorDetailOf(ime); !why.empty()) return why;
    if (const FieldCheck check = CheckWordFields(reading, word); check != FieldCheck::Ok)
        return std::u16string(MessageOf(check));
    return std::u16string(wk::msg::kCannotRegister);
}

}  // namespace

std::u16string RefusedLineText(const RefusedLine& refused) {
    return FillNumbers(u"%d 行目", {refused.line}) + u"\t" + refused.reading + u"\t" +
           refused.word + u"\t" + refused.reason;
}

std::u16string FillNumbers(std::u16string_view pattern,
                           std::initializer_list<std::int64_t> numbers) {
    std::u16string out;
    auto next = numbers.begin();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == u'%' && i + 1 < pattern.size() && pattern[i + 1] == u'd' &&
            next != numbers.end()) {
            for (char c : std::to_string(*next++)) out.push_back(static_cast<char16_t>(c));
            ++i;
        } else {
            out.push_back(pattern[i]);
        }
    }
    return out;
}

BulkResult ReadDictionaryText(OpenFile& file, Dictionary& dictionary, ListDisplay& display,
                              MessageSink& messages, const ProgressCallback& onProgress) {
    BulkResult bulk;
    BulkCounts& counts = bulk.counts;
    InputMethod& ime = dictionary.ime();
    const PosTable& table = dictionary.posTable();

    bool cursorShown = false;
    std::unique_ptr<RegistrationBatch> batch;
    bool batchAsked = false;
    std::u16string reading, word, lastName;
    std::uint32_t lastStyle = kNoStyle;
    bool haveStyle = false;
    // The reason every refused word shares (a full store refuses each one alike), told once.
    std::int32_t refusals = 0;
    std::u16string sharedReason;

    ReadHooks hooks;
    hooks.onStart = [&] {
        display.ShowWaitCursor();
        cursorShown = true;
    };
    hooks.onProgress = onProgress;
    const RecordAction onRecord = [&](const DictionaryRecord& record) {
        if (!batchAsked) {
            batchAsked = true;
            batch = ime.BeginBatch();
        }
        // Files mostly hold runs of one part of speech.
        if (!haveStyle || record.posName != lastName) {
            lastName.assign(record.posName);
            lastStyle = MapPosStyle(record.posName, table);
            haveStyle = true;
        }
        reading.assign(record.reading);
        word.assign(record.word);
        if (ime.RegisterWord(reading, lastStyle, word)) {
            ++counts.registered;
        } else {
            ++counts.notRegistered;
            RefusedLine refused{record.line, reading, word, RefusalReason(ime, reading, word)};
            // Only a reason of the input method's own can hold for every word alike.
            if (refusals == 0 && !ime.LastErrorDetail().empty()) sharedReason = refused.reason;
            if (refused.reason != sharedReason) sharedReason.clear();
            ++refusals;
            messages.Refused(refused);
        }
        ++counts.words;
    };
    bulk.read = ReadDictionaryLines(file, onRecord, hooks);

    // Words the input method accepted but could not keep count as not registered.
    std::u16string lostDetail;
    if (batch) {
        const auto lost = static_cast<std::int32_t>(
            std::min<std::size_t>(batch->Finish(), static_cast<std::size_t>(counts.registered)));
        batch.reset();
        if (lost > 0) {
            counts.registered -= lost;
            counts.notRegistered += lost;
            bulk.lost = lost;
            lostDetail = FillNumbers(msg::kLost, {lost});
            const std::string why = ime.LastErrorDetail();
            if (!why.empty()) lostDetail += u" (" + SystemText(why) + u")";
        }
    }

    if (refusals >= 2 && !sharedReason.empty()) {
        if (!lostDetail.empty()) lostDetail += u"\n";
        lostDetail += FillNumbers(msg::kRefusedFor, {refusals}) + u": " + sharedReason;
    }

    switch (bulk.read.outcome) {
        case ReadOutcome::Finished:
        case ReadOutcome::Cancelled:
            display.RestoreCursor();
            {
                const bool listComplete = !display.ShowsWords() || dictionary.RefreshWords(display);
                messages.Show(MessageKind::Info,
                              FillNumbers(msg::kSummary,
                                          {counts.words, counts.registered, counts.notRegistered}),
                              lostDetail);
                // The words are registered; only the list shown may lack some of them.
                if (!listComplete)
                    messages.Show(MessageKind::Error, wk::msg::kIncompleteRead, ErrorDetailOf(ime));
            }
            bulk.result = 0;
            break;
        case ReadOutcome::Unreadable:
            messages.Show(MessageKind::Error, FillNumbers(msg::kUnreadableLine, {bulk.read.line}),
                          lostDetail);
            display.RestoreCursor();
            break;
        case ReadOutcome::OutOfMemory:
            messages.Show(MessageKind::Memory, msg::kOutOfMemoryInFile, {});
            break;
        case ReadOutcome::Stopped:
        case ReadOutcome::TooLarge:
        case ReadOutcome::ReadError:
        case ReadOutcome::NoConverter: {
            if (cursorShown) display.RestoreCursor();
            std::u16string detail(DetailOf(bulk.read.outcome));
            const std::string why = file.LastErrorDetail();
            if (bulk.read.outcome == ReadOutcome::ReadError && !why.empty()) {
                detail += u" (" + SystemText(why) + u")";
            }
            // Words registered before the reading stopped stay registered: say how many.
            if (counts.words > 0) {
                detail += u"\n" + FillNumbers(msg::kRegisteredSoFar, {counts.registered});
            }
            if (!lostDetail.empty()) detail += u"\n" + lostDetail;
            messages.Show(MessageKind::Error, msg::kCannotOpen, detail);
            break;
        }
    }
    return bulk;
}

ExportResult WriteDictionaryText(OpenFile& file, const Dictionary& dictionary, ListDisplay& display,
                                 MessageSink& messages, OutputEncoding encoding,
                                 ExportFormat format) {
    ExportResult exported;
    WriteHooks hooks;
    hooks.onStart = [&] { display.ShowWaitCursor(); };
    exported.write =
        format == ExportFormat::Own
            ? WriteDictionaryLines(file, dictionary.wordList, dictionary.wordCount, encoding, hooks)
            : WriteForeignLines(file, dictionary.wordList, dictionary.wordCount, format, hooks);
    const WriteResult& write = exported.write;
    switch (write.outcome) {
        case WriteOutcome::Written: {
            display.RestoreCursor();
            std::u16string text = FillNumbers(msg::kExported, {write.lines});
            if (write.replacedWords > 0) {
                text += u"\n" + FillNumbers(msg::kReplaced, {write.replacedWords});
            }
            messages.Show(MessageKind::Info, text, {});
            exported.result = 0;
            break;
        }
        case WriteOutcome::NoWriter:
            messages.Show(MessageKind::Memory, msg::kAllocationFailed, {});
            break;
        case WriteOutcome::NoConverter:
            messages.Show(MessageKind::Error, msg::kCannotCreate, msg::kNoConverter);
            break;
        case WriteOutcome::OutOfMemory:
            messages.Show(MessageKind::Memory, msg::kAllocationFailed, {});
            display.RestoreCursor();
            exported.result = -1;
            break;
        case WriteOutcome::WriteFailed:
            display.RestoreCursor();
            messages.Show(MessageKind::Error, msg::kCannotCreate,
                          SystemText(file.LastErrorDetail()));
            break;
    }
    return exported;
}

BulkResult BulkRegisterFile(const std::string& path, Dictionary& dictionary, ListDisplay& display,
                            MessageSink& messages, const ProgressCallback& onProgress) {
    std::string why;
    const std::unique_ptr<InputFile> file = InputFile::Open(path, &why);
    if (!file) {
        messages.Show(MessageKind::Error, msg::kCannotOpen, SystemText(why));
        BulkResult bulk;
        bulk.read.outcome = ReadOutcome::ReadError;
        return bulk;
    }
    return ReadDictionaryText(*file, dictionary, display, messages, onProgress);
}

ExportResult ExportFile(const std::string& path, const Dictionary& dictionary, ListDisplay& display,
                        MessageSink& messages, OutputEncoding encoding, ExportFormat format,
                        const std::vector<std::string>& keptFiles) {
    // The programs' own files (the dictionary, its companions and locks, the settings) are
    // never an export's target, whichever name leads to them.
    SafeWriteOptions options;
    options.keptFiles = dictionary.ime().KeptFiles();
    options.keptFiles.push_back(SettingsFilePath());
    options.keptFiles.push_back(SettingsFilePath() + ".lock");  // the settings writer's lock
    options.keptFiles.insert(options.keptFiles.end(), keptFiles.begin(), keptFiles.end());
    std::string why;
    const std::unique_ptr<ReplacingFile> file = ReplacingFile::Create(path, &why, options);
    if (!file) {
        messages.Show(MessageKind::Error, msg::kCannotCreate, SystemText(why));
        ExportResult exported;
        exported.write.outcome = WriteOutcome::WriteFailed;
        return exported;
    }
    return WriteDictionaryText(*file, dictionary, display, messages, encoding, format);
}

}  // namespace wk::textfile
