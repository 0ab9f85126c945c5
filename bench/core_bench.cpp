// Refresh (enumerate, build, sort), sorting, and the command-line list of a large store
// beside the sqlite3 shell printing the same rows from a plain table.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include "bench_words.h"
#include "core/dictionary.h"
#include "core/text.h"
#include "ime/embedded_store.h"

namespace {

namespace fs = std::filesystem;
using wk::bench::MakeWords;

fs::path BenchDir() {
    fs::path dir = fs::temp_directory_path() / "wordkeeper-bench";
    fs::create_directories(dir);
    return dir;
}

// A store of `count` words, built once and kept between runs.
std::string StoreOf(std::size_t count) {
    const fs::path path = BenchDir() / ("store-" + std::to_string(count) + ".sqlite");
    const fs::path done = path.string() + ".complete";
    if (fs::exists(done)) return path.string();
    fs::remove(path);
    std::u16string error;
    auto store = wk::ime::EmbeddedStore::Open(path.string(), error);
    if (!store) std::abort();
    {
        auto batch = store->BeginBatch();
        for (const auto& w : MakeWords(count)) store->RegisterWord(w.reading, w.style, w.word);
        if (batch->Finish() != 0) std::abort();
    }
    std::FILE* f = std::fopen(done.c_str(), "w");
    if (f) std::fclose(f);
    return path.string();
}

// The same rows in a plain table, for the sqlite3 shell.
std::string PlainTableOf(std::size_t count) {
    const fs::path path = BenchDir() / ("plain-" + std::to_string(count) + ".sqlite");
    const fs::path done = path.string() + ".complete";
    if (fs::exists(done)) return path.string();
    fs::remove(path);
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE words(reading TEXT, word TEXT, pos TEXT); BEGIN", nullptr,
                 nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO words VALUES(?,?,?)", -1, &insert, nullptr);
    const auto& styles = wk::ime::EmbeddedStyles();
    for (const auto& w : MakeWords(count)) {
        const std::string r = wk::Utf16ToUtf8(w.reading), x = wk::Utf16ToUtf8(w.word),
                          p = wk::Utf16ToUtf8(styles[w.style - 1].description);
        sqlite3_bind_text(insert, 1, r.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, x.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, p.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    std::FILE* f = std::fopen(done.c_str(), "w");
    if (f) std::fclose(f);
    return path.string();
}

void Refresh(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    std::u16string error;
    auto store = wk::ime::EmbeddedStore::Open(StoreOf(count), error);
    wk::Dictionary dictionary(*store);
    dictionary.LoadPosTable();
    wk::NullListDisplay display;
    for (auto _ : state) {
        dictionary.RefreshWords(display);
        benchmark::DoNotOptimize(dictionary.wordCount);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(count));
}

void SortList(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const auto field = static_cast<wk::SortField>(state.range(1));
    wk::WordEntryList list;
    for (auto& w : MakeWords(count)) {
        auto e = std::make_unique<wk::WordEntry>();
        e->reading = std::move(w.reading);
        e->word = std::move(w.word);
        e->posName = wk::ime::EmbeddedStyles()[w.style - 1].description;
        list.PushFront(std::move(e));
    }
    bool ascending = true;
    for (auto _ : state) {
        list.Sort(field, ascending);
        ascending = !ascending;
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(count));
}

// Runs a command with stdout to /dev/null under /usr/bin/time; returns the command's own
// peak resident memory in bytes, or -1 when it failed.
long RunQuiet(const std::vector<std::string>& args) {
    const std::string report = (BenchDir() / "peak.txt").string();
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::vector<std::string> full{"/usr/bin/time", "-f", "%M", "-o", report};
        full.insert(full.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (const auto& a : full) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        std::_Exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    long kilobytes = -1;
    if (std::FILE* f = std::fopen(report.c_str(), "r")) {
        if (std::fscanf(f, "%ld", &kilobytes) != 1) kilobytes = -1;
        std::fclose(f);
    }
    return kilobytes * 1024L;
}

void CliList(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const std::string store = "embedded:" + StoreOf(count);
    long peak = 0;
    for (auto _ : state) peak = RunQuiet({WORDKEEPER_CLI, "--ime", store, "list"});
    if (peak < 0) state.SkipWithError("wordkeeper-cli list failed");
    state.counters["peak_bytes_per_word"] = static_cast<double>(peak) / static_cast<double>(count);
}

void Sqlite3ShellList(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const std::string path = PlainTableOf(count);
    const std::string query = state.range(1)
                                  ? "SELECT reading, word, pos FROM words ORDER BY reading"
                                  : "SELECT reading, word, pos FROM words";
    long peak = 0;
    for (auto _ : state) peak = RunQuiet({"sqlite3", "-separator", "\t", path, query});
    if (peak < 0) state.SkipWithError("sqlite3 shell failed (is package sqlite3 installed?)");
    state.counters["peak_bytes_per_word"] = static_cast<double>(peak) / static_cast<double>(count);
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (long n : {10'000L, 100'000L, 1'000'000L}) b->Arg(n);
}

}  // namespace

BENCHMARK(Refresh)->Apply(Sizes)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(SortList)
    ->ArgsProduct({{10'000, 100'000, 1'000'000}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5);
BENCHMARK(CliList)->Apply(Sizes)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();
// Second argument: 0 prints the rows as stored, 1 in reading order as the list does.
BENCHMARK(Sqlite3ShellList)
    ->ArgsProduct({{10'000, 100'000, 1'000'000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5)
    ->UseRealTime();

BENCHMARK_MAIN();
