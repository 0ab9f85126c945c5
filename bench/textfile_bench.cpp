// SPDX-License-Identifier: MIT
// Dictionary text file speed, each beside a baseline measured in the same run: reading a code
// page 932 file against iconv decoding it, writing one against iconv encoding the same text,
// and wordkeeper-cli import of a file into a fresh embedded store.
#include <fcntl.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <random>
#include <string>

#include "textfile/dictionary_text.h"

using namespace wk::textfile;

namespace {

// A plain file written in place, without the sync of an export, like iconv's output.
class PlainOutput final : public OpenFile {
  public:
    explicit PlainOutput(const std::string& path)
        : fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) {}
    ~PlainOutput() override { ::close(fd_); }
    bool Rewind() override { return ::lseek(fd_, 0, SEEK_SET) == 0; }
    std::optional<std::uint64_t> Length() override { return std::nullopt; }
    std::int64_t Read(void*, std::size_t) override { return -1; }
    bool Write(const void* block, std::size_t size) override {
        return ::write(fd_, block, size) == static_cast<ssize_t>(size);
    }

  private:
    int fd_;
};

std::string Folder() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/wk-textfile-bench-XXXXXX";
        return std::string(::mkdtemp(pattern));
    }();
    return folder;
}

// Kanji that code page 932 has: the first level of JIS, taken from the decoder itself.
const std::u16string& KanjiPool() {
    static const std::u16string pool = [] {
        std::u16string kanji;
        auto codec = Cp932Codec::Open();
        for (int lead = 0x89; lead <= 0x97; ++lead) {
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                if (trail == 0x7F) continue;
                const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                std::u16string one;
                codec->Decode(std::string_view(pair, 2), one);
                if (one.size() == 1 && one[0] != kCp932Invalid) kanji += one;
            }
        }
        return kanji;
    }();
    return pool;
}

// Words shaped like a user dictionary: kana readings, kanji and katakana words, and the
// part-of-speech names of the embedded store.
wk::WordEntryList MakeWords(int count) {
    static const char16_t* const kPos[] = {u"名詞",   u"人名", u"地名", u"固有名詞", u"動詞一段",
                                           u"形容詞", u"副詞", u"記号", u"顔文字",   u"短縮よみ"};
    std::mt19937 random(12345);
    wk::WordEntryList list;
    for (int i = 0; i < count; ++i) {
        auto entry = std::make_unique<wk::WordEntry>();
        const int readingLength = 3 + static_cast<int>(random() % 6);
        for (int k = 0; k < readingLength; ++k)
            entry->reading.push_back(static_cast<char16_t>(u'ぁ' + random() % 83));
        const int wordLength = 1 + static_cast<int>(random() % 4);
        for (int k = 0; k < wordLength; ++k) {
            entry->word.push_back(random() % 3 == 0 ? static_cast<char16_t>(u'ァ' + random() % 86)
                                                    : KanjiPool()[random() % KanjiPool().size()]);
        }
        entry->posName = kPos[random() % 10];
        list.PushFront(entry->reading, entry->word, entry->posName, 0, 0);
    }
    return list;
}

struct Files {
    std::string cp932, utf8;
};

const Files& FilesFor(int count) {
    static std::map<int, Files> cache;
    auto found = cache.find(count);
    if (found != cache.end()) return found->second;
    const wk::WordEntryList list = MakeWords(count);
    Files files{Folder() + "/words-" + std::to_string(count) + ".txt",
                Folder() + "/words-" + std::to_string(count) + ".utf8.txt"};
    PlainOutput cp932(files.cp932), utf8(files.utf8);
    WriteDictionaryLines(cp932, list, list.Count(), OutputEncoding::Cp932);
    WriteDictionaryLines(utf8, list, list.Count(), OutputEncoding::Utf8);
    return cache.emplace(count, files).first->second;
}

void Run(benchmark::State& state, const std::string& command) {
    if (std::system(command.c_str()) != 0) state.SkipWithError(("failed: " + command).c_str());
}

void BM_ReadCp932(benchmark::State& state) {
    const Files& files = FilesFor(static_cast<int>(state.range(0)));
    std::int64_t records = 0;
    for (auto _ : state) {
        auto file = InputFile::Open(files.cp932);
        const ReadResult result = ReadDictionaryLines(*file, [&](const DictionaryRecord& r) {
            records += static_cast<std::int64_t>(r.reading.size() > 0);
        });
        if (result.outcome != ReadOutcome::Finished) state.SkipWithError("not read to the end");
    }
    benchmark::DoNotOptimize(records);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_IconvDecodeBaseline(benchmark::State& state) {
    const Files& files = FilesFor(static_cast<int>(state.range(0)));
    for (auto _ : state) Run(state, "iconv -f CP932 -t UTF-8 " + files.cp932 + " > /dev/null");
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_WriteCp932(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    FilesFor(count);
    const wk::WordEntryList list = MakeWords(count);
    const std::string path = Folder() + "/written.txt";
    for (auto _ : state) {
        PlainOutput out(path);
        if (WriteDictionaryLines(out, list, list.Count()).outcome != WriteOutcome::Written)
            state.SkipWithError("not written");
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void BM_IconvEncodeBaseline(benchmark::State& state) {
    const Files& files = FilesFor(static_cast<int>(state.range(0)));
    const std::string out = Folder() + "/iconv-out.txt";
    for (auto _ : state) Run(state, "iconv -f UTF-8 -t CP932 " + files.utf8 + " > " + out);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_CliImport(benchmark::State& state) {
    const Files& files = FilesFor(static_cast<int>(state.range(0)));
    const std::string store = Folder() + "/store.sqlite";
    const std::string config = Folder() + "/config";
    for (auto _ : state) {
        state.PauseTiming();
        std::system(("rm -f " + store + "*").c_str());
        state.ResumeTiming();
        Run(state, "XDG_CONFIG_HOME=" + config + " " WK_CLI_BINARY " --ime embedded:" + store +
                       " import " + files.cp932 + " > /dev/null");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

// Real time throughout: the baselines' work happens in child processes.
BENCHMARK(BM_ReadCp932)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_IconvDecodeBaseline)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_WriteCp932)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_IconvEncodeBaseline)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_CliImport)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::system(("rm -rf " + Folder()).c_str());
    return 0;
}
