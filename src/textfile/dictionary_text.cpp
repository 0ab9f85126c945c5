// SPDX-License-Identifier: MIT
#include "dictionary_text.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "buffered_file.h"
#include "core/text.h"
#include "foreign_formats.h"

namespace wk::textfile {

LineKind ParseDictionaryLine(std::u16string_view line, DictionaryRecord& record) {
    if (!line.empty() && (line[0] == u'!' || line[0] == u'\r')) return LineKind::Skip;
    if (line.empty()) return LineKind::Unreadable;
    std::u16string_view fields[3];
    int field = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char16_t c = line[i];
        if (c == u'\t' || c == u'\r') {
            fields[field++] = line.substr(start, i - start);
            if (field == 3) {
                record = {fields[0], fields[1], fields[2]};
                return LineKind::Record;
            }
            start = i + 1;
        } else if (i - start >= kMaxTextFieldLength) {
            // A longer field would have to be cut into a different word.
            return LineKind::Unreadable;
        }
    }
    return LineKind::Unreadable;
}

namespace {

// Gathers bytes into lines and hands each line on as soon as it is complete.
class LineGatherer {
  public:
    LineGatherer(std::uint8_t* buffer, TextEncoding encoding, Cp932Codec* codec,
                 const RecordAction& onRecord, const ReadHooks& hooks, ReadProgress& progress)
        : buffer_(buffer),
          encoding_(encoding),
          codec_(codec),
          onRecord_(onRecord),
          hooks_(hooks),
          progress_(progress) {}

    // False when reading ends here; outcome() says why.
    bool Feed(const std::uint8_t* bytes, std::size_t size) {
        while (size > 0) {
            const auto* lf = static_cast<const std::uint8_t*>(std::memchr(bytes, '\n', size));
            std::size_t segment = lf ? static_cast<std::size_t>(lf - bytes) : size;
            while (segment > 0) {
                const std::size_t n = std::min(segment, kLineBufferSize - gathered_);
                std::memcpy(buffer_ + gathered_, bytes, n);
                gathered_ += n;
                bytes += n;
                size -= n;
                segment -= n;
                if (gathered_ == kLineBufferSize) {
                    // A full buffer is a line of its own; its first byte stays in front
                    // of the next one.
                    if (!Line(gathered_, false, false)) return false;
                    gathered_ = 1;
                }
            }
            if (lf) {
                ++bytes;
                --size;
                if (!Line(gathered_, false, true)) return false;
                gathered_ = 0;
            }
        }
        return true;
    }

    // The end of the file: what is gathered, with a CR behind it, is the last line.
    bool Finish() {
        buffer_[gathered_++] = '\r';
        return Line(gathered_, true, false);
    }

    ReadOutcome outcome() const { return outcome_; }
    std::int64_t lines() const { return lines_; }

  private:
    // `atLf`: the line ended at an LF, which ends it as CR LF does (its last field ends
    // there) unless a 0 byte cut it before.
    bool Line(std::size_t length, bool last, bool atLf) {
        ++lines_;
        if (const void* zero = std::memchr(buffer_, 0, length)) {
            length = static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - buffer_);
            atLf = false;
        }
        const std::string_view bytes(reinterpret_cast<const char*>(buffer_), length);
        text_.clear();
        if (encoding_ == TextEncoding::Cp932) {
            codec_->Decode(bytes, text_);
        } else {
            DecodeUtf8(bytes, text_);
        }
        if (atLf && (text_.empty() || text_.back() != u'\r')) text_.push_back(u'\r');
        DictionaryRecord record;
        LineKind kind = ParseDictionaryLine(text_, record);
        if (kind == LineKind::Unreadable) kind = parser_.ParseUnreadable(text_, record);
        switch (kind) {
            case LineKind::Unreadable:
                outcome_ = ReadOutcome::Unreadable;
                return false;
            case LineKind::Record:
                record.line = lines_;
                onRecord_(record);
                break;
            case LineKind::Skip:
                break;
        }
        if (!last && hooks_.onProgress) {
            progress_.lines = lines_;
            if (!hooks_.onProgress(progress_)) {
                outcome_ = ReadOutcome::Cancelled;
                return false;
            }
        }
        return true;
    }

    std::uint8_t* buffer_;  // kLineBufferSize bytes and one for the CR of the last line
    std::size_t gathered_ = 0;
    std::int64_t lines_ = 0;
    TextEncoding encoding_;
    Cp932Codec* codec_;
    const RecordAction& onRecord_;
    const ReadHooks& hooks_;
    ReadProgress& progress_;
    std::u16string text_;
    ForeignLineParser parser_;
    ReadOutcome outcome_ = ReadOutcome::Finished;
};

struct Detection {
    ReadOutcome outcome = ReadOutcome::Finished;  // Finished or ReadError
    TextEncoding encoding = TextEncoding::Cp932;
    std::size_t markLength = 0;
};

// Decides the encoding from the file's bytes. Without a byte-order mark the file is read
// until it can no longer be UTF-8, which for a code page 932 file is mostly its first block.
Detection DetectEncoding(CBufferedFile& in, std::uint64_t length, std::uint8_t* chunk) {
    Detection found;
    if (length == 0) return found;
    const auto want = static_cast<std::int32_t>(std::min<std::uint64_t>(kBlockSize, length));
    const std::int32_t first = in.GetBytes(chunk, want);
    if (first < want) {
        found.outcome = ReadOutcome::ReadError;
        return found;
    }
    const ByteOrderMark mark =
        DetectByteOrderMark(std::string_view(reinterpret_cast<const char*>(chunk), first));
    if (mark.length > 0) {
        found.encoding = mark.encoding;
        found.markLength = mark.length;
        return found;
    }
    Utf8Validator validator;
    std::uint64_t taken = static_cast<std::uint64_t>(first);
    bool possible = validator.Feed(chunk, static_cast<std::size_t>(first));
    while (possible && taken < length) {
        const auto n =
            static_cast<std::int32_t>(std::min<std::uint64_t>(kBlockSize, length - taken));
        const std::int32_t got = in.GetBytes(chunk, n);
        if (got == 0) {
            found.outcome = ReadOutcome::ReadError;
            return found;
        }
        taken += static_cast<std::uint64_t>(got);
        possible = validator.Feed(chunk, static_cast<std::size_t>(got));
    }
    if (possible && validator.valid() && validator.sawNonAscii()) {
        found.encoding = TextEncoding::Utf8;
    }
    return found;
}

ReadResult ReadFile(OpenFile& file, const RecordAction& onRecord, const ReadHooks& hooks) {
    ReadResult result;
    const auto end = [&](ReadOutcome outcome, std::int64_t line = 0) {
        result.outcome = outcome;
        result.line = line;
        return result;
    };
    if (!file.Rewind()) return end(ReadOutcome::ReadError);
    const std::optional<std::uint64_t> length = file.Length();
    if (!length) return end(ReadOutcome::ReadError);
    if (*length > kMaxFileLength) return end(ReadOutcome::TooLarge);

    auto in = std::make_unique<CBufferedFile>();
    if (!in->OpenRead(&file, kBlockSize)) return end(ReadOutcome::Stopped);
    std::unique_ptr<std::uint8_t[]> lineBuffer(new (std::nothrow)
                                                   std::uint8_t[kLineBufferSize + 1]);
    if (!lineBuffer) return end(ReadOutcome::OutOfMemory);
    if (hooks.onStart) hooks.onStart();

    std::unique_ptr<std::uint8_t[]> chunk(new (std::nothrow) std::uint8_t[kBlockSize]);
    if (!chunk) return end(ReadOutcome::Stopped);
    const Detection detection = DetectEncoding(*in, *length, chunk.get());
    if (detection.outcome != ReadOutcome::Finished) return end(detection.outcome);
    result.encoding = detection.encoding;

    // Read again from the start, this time line by line.
    in = std::make_unique<CBufferedFile>();
    if (!file.Rewind()) return end(ReadOutcome::ReadError);
    if (!in->OpenRead(&file, kBlockSize)) return end(ReadOutcome::Stopped);
    std::unique_ptr<Cp932Codec> codec;
    if (detection.encoding == TextEncoding::Cp932) {
        codec = Cp932Codec::Open();
        if (!codec) return end(ReadOutcome::NoConverter);
    }
    const bool utf16 =
        detection.encoding == TextEncoding::Utf16Le || detection.encoding == TextEncoding::Utf16Be;
    Utf16Transcoder transcoder(detection.encoding == TextEncoding::Utf16Be);
    std::string converted;

    ReadProgress progress;
    progress.totalBytes = *length;
    LineGatherer gatherer(lineBuffer.get(), detection.encoding, codec.get(), onRecord, hooks,
                          progress);
    std::size_t markLeft = detection.markLength;
    std::uint64_t taken = 0;
    while (taken < *length) {
        const auto want =
            static_cast<std::int32_t>(std::min<std::uint64_t>(kBlockSize, *length - taken));
        const std::int32_t got = in->GetBytes(chunk.get(), want);
        // A read error, or a file that became shorter while it was read.
        if (got == 0) return end(ReadOutcome::ReadError, gatherer.lines());
        taken += static_cast<std::uint64_t>(got);
        progress.bytesRead = taken;
        const std::uint8_t* bytes = chunk.get();
        auto size = static_cast<std::size_t>(got);
        const std::size_t mark = std::min(markLeft, size);
        bytes += mark;
        size -= mark;
        markLeft -= mark;
        if (utf16) {
            converted.clear();
            transcoder.Feed(bytes, size, converted);
            bytes = reinterpret_cast<const std::uint8_t*>(converted.data());
            size = converted.size();
        }
        if (!gatherer.Feed(bytes, size)) return end(gatherer.outcome(), gatherer.lines());
    }
    if (utf16) {
        converted.clear();
        transcoder.Finish(converted);
        if (!gatherer.Feed(reinterpret_cast<const std::uint8_t*>(converted.data()),
                           converted.size())) {
            return end(gatherer.outcome(), gatherer.lines());
        }
    }
    gatherer.Finish();
    return end(gatherer.outcome(), gatherer.lines());
}

}  // namespace

ReadResult ReadDictionaryLines(OpenFile& file, const RecordAction& onRecord,
                               const ReadHooks& hooks) {
    try {
        return ReadFile(file, onRecord, hooks);
    } catch (const std::bad_alloc&) {
        ReadResult result;
        result.outcome = ReadOutcome::Stopped;
        return result;
    }
}

// ---- writing

bool LineFormatter::Open(OutputEncoding encoding) {
    encoding_ = encoding;
    codec_.reset();
    if (encoding == OutputEncoding::Cp932) {
        codec_ = Cp932Codec::Open();
        return codec_ != nullptr;
    }
    return true;
}

char* LineFormatter::Field(std::u16string_view text, char* out, std::size_t& replaced) const {
    return encoding_ == OutputEncoding::Cp932 ? codec_->EncodeInto(text, out, replaced)
                                              : WriteUtf8(text, out, &replaced);
}

// The fields are encoded one by one: a TAB between them is a character of its own, so
// nothing pairs across it.
char* LineFormatter::FormatInto(std::u16string_view reading, std::u16string_view word,
                                std::u16string_view posName, char* out,
                                std::size_t& replaced) const {
    out = Field(reading, out, replaced);
    *out++ = '\t';
    out = Field(word, out, replaced);
    *out++ = '\t';
    return Field(posName, out, replaced);
}

WriteResult WriteThroughBuffer(
    OpenFile& file,
    const std::function<WriteOutcome(CBufferedFile& out, WriteResult& result)>& body) {
    WriteResult result;
    const auto end = [&](WriteOutcome outcome) {
        result.outcome = outcome;
        return result;
    };
    if (!file.Rewind()) return end(WriteOutcome::WriteFailed);
    bool failed;
    {
        CBufferedFile out;
        if (!out.OpenWrite(&file, kBlockSize)) return end(WriteOutcome::NoWriter);
        if (const WriteOutcome stop = body(out, result); stop != WriteOutcome::Written) {
            return end(stop);
        }
        out.Flush();
        failed = out.writeFailed();
    }
    if (failed || !file.Commit()) return end(WriteOutcome::WriteFailed);
    return end(WriteOutcome::Written);
}

WriteResult WriteDictionaryLines(OpenFile& file, const WordEntryList& list, std::int32_t count,
                                 OutputEncoding encoding, const WriteHooks& hooks) {
    return WriteThroughBuffer(file, [&](CBufferedFile& out, WriteResult& result) {
        LineFormatter formatter;
        if (!formatter.Open(encoding)) return WriteOutcome::NoConverter;
        if (hooks.onStart) hooks.onStart();

        out.PutBytes(kHeader.data(), static_cast<std::int32_t>(kHeader.size()));
        out.PutBytes("\r\n", 2);
        // Lines are encoded straight into a large piece, which goes out whenever the next
        // line might not fit.
        constexpr std::size_t kPiece = std::size_t{1} << 20;
        std::unique_ptr<char[]> piece(new (std::nothrow) char[kPiece]);
        if (!piece) return WriteOutcome::OutOfMemory;
        char* at = piece.get();
        const auto spill = [&] {
            out.PutBytes(piece.get(), static_cast<std::int32_t>(at - piece.get()));
            at = piece.get();
        };
        const std::int32_t last = std::min(count, static_cast<std::int32_t>(list.Count()));
        for (std::int32_t i = 0; i < last && !out.writeFailed(); ++i) {
            list.PrefetchAhead(i);  // after a sort the entries lie scattered
            const WordEntryView entry = *list.EntryAt(i);
            const std::size_t most =
                LineFormatter::MaxLineBytes(entry.reading.size() + entry.word.size() +
                                            entry.posName.size()) +
                2;
            if (static_cast<std::size_t>(piece.get() + kPiece - at) < most) {
                spill();
                if (most > kPiece) return WriteOutcome::OutOfMemory;
            }
            std::size_t replaced = 0;
            at = formatter.FormatInto(entry.reading, entry.word, entry.posName, at, replaced);
            *at++ = '\r';
            *at++ = '\n';
            ++result.lines;
            if (replaced > 0) ++result.replacedWords;
        }
        spill();
        return WriteOutcome::Written;
    });
}

}  // namespace wk::textfile
