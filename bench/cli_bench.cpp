// SPDX-License-Identifier: MIT
// wordkeeper-cli on a store of a million words, each figure beside its baseline measured in
// the same run: list and find beside the sqlite3 shell reading a plain table, export beside
// iconv encoding the same text, import beside the sqlite3 shell inserting the same rows into
// a table of the store's layout in one transaction. Runs alternate between the tool and its
// baseline; the counters are medians of the child processes' CPU time, their ratio, and the
// tool's peak memory per word.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench_words.h"
#include "core/text.h"
#include "ime/embedded_store.h"

namespace {

namespace fs = std::filesystem;

const fs::path& Folder() {
    static const fs::path folder = [] {
        char pattern[] = "/tmp/wk-cli-bench-XXXXXX";
        return fs::path(::mkdtemp(pattern));
    }();
    return folder;
}

std::string In(const std::string& name) { return (Folder() / name).string(); }

struct Usage {
    double cpuMs = 0;
    long peakBytes = 0;
    bool ok = false;
};

// Runs a program with its input and output files; CPU time and peak memory of the child.
Usage RunChild(const std::vector<std::string>& args, const std::string& input = "/dev/null",
               const std::string& output = "/dev/null") {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (!std::freopen(input.c_str(), "r", stdin) ||
            !std::freopen(output.c_str(), "w", stdout)) {
            std::_Exit(126);
        }
        ::setenv("XDG_CONFIG_HOME", In("config").c_str(), 1);
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        std::_Exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return {ms(usage.ru_utime) + ms(usage.ru_stime), usage.ru_maxrss * 1024L,
            WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

struct Job {
    Job(std::vector<std::string> a, std::string in = "/dev/null", std::string out = "/dev/null",
        std::function<void()> b = {})
        : args(std::move(a)), input(std::move(in)), output(std::move(out)), before(std::move(b)) {}
    std::vector<std::string> args;
    std::string input;
    std::string output;
    std::function<void()> before;  // not timed: removes what the last run made
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Alternating runs of the tool and the baseline, the first of each pair switching sides.
void Pair(benchmark::State& state, const Job& ours, const Job& base, double words) {
    std::vector<double> oursMs, baseMs, peaks;
    bool first = true;
    for (auto _ : state) {
        for (int side = 0; side < 2; ++side) {
            const bool runOurs = (side == 0) == first;
            const Job& job = runOurs ? ours : base;
            if (job.before) job.before();
            const Usage usage = RunChild(job.args, job.input, job.output);
            if (!usage.ok) {
                const std::string what = (runOurs ? "tool failed: " : "baseline failed: ") +
                                         job.args[0] + " " + job.args.back();
                state.SkipWithError(what.c_str());
                return;
            }
            (runOurs ? oursMs : baseMs).push_back(usage.cpuMs);
            if (runOurs) peaks.push_back(static_cast<double>(usage.peakBytes));
        }
        first = !first;
    }
    const double o = Median(oursMs), b = Median(baseMs);
    state.counters["ours_ms"] = o;
    state.counters["base_ms"] = b;
    state.counters["ratio"] = b > 0 ? o / b : 0;
    state.counters["peak_B_per_word"] = Median(peaks) / words;
}

const auto& Words() {
    static const auto words = wk::bench::MakeWords(1'000'000);
    return words;
}

std::u16string PosOf(std::uint32_t style) {
    return wk::ime::EmbeddedStyles()[style - 1].description;
}

std::string Store() { return In("store.sqlite"); }

// The store, built through the store's own batch.
void MakeStore() {
    std::string error;
    auto store = wk::ime::EmbeddedStore::Open(Store(), &error);
    if (!store) std::abort();
    auto batch = store->BeginBatch();
    for (const auto& w : Words()) store->RegisterWord(w.reading, w.style, w.word);
    if (batch->Finish() != 0) std::abort();
}

std::string Ime() { return "embedded:" + Store(); }

std::string PlainTable() { return In("plain.sqlite"); }

// The same rows in a plain table, for the sqlite3 shell.
void MakePlainTable() {
    {
        const std::string file = PlainTable();
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        sqlite3_exec(db, "CREATE TABLE words(reading TEXT, word TEXT, pos TEXT); BEGIN", nullptr,
                     nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO words VALUES(?,?,?)", -1, &insert, nullptr);
        for (const auto& w : Words()) {
            const std::string r = wk::Utf16ToUtf8(w.reading), x = wk::Utf16ToUtf8(w.word),
                              p = wk::Utf16ToUtf8(PosOf(w.style));
            sqlite3_bind_text(insert, 1, r.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 2, x.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 3, p.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
}

// WK_CLI names another build of the tool to measure, an older one for instance.
const std::string kCli = std::getenv("WK_CLI") ? std::getenv("WK_CLI") : WORDKEEPER_CLI;

void BM_List(benchmark::State& state) {
    std::vector<std::string> ours{kCli, "--ime", Ime(), "list"};
    if (state.range(0)) ours.insert(ours.end(), {"--sort", "word"});
    Pair(state, {ours},
         {{"sqlite3", "-separator", "\t", PlainTable(), "SELECT reading, word, pos FROM words"}},
         1e6);
}

void BM_Find(benchmark::State& state) {
    // The last word stored: the plain table's scan finds it at its end.
    std::ifstream in(In("last-reading.txt"));
    std::string reading;
    std::getline(in, reading);
    Pair(state, {{kCli, "--ime", Ime(), "find", reading}},
         {{"sqlite3", "-separator", "\t", PlainTable(),
           "SELECT reading, word, pos FROM words WHERE reading = '" + reading + "' LIMIT 1"}},
         1e6);
}

// The export's own text in UTF-8 and UTF-16, for iconv to encode.
std::string ExportedText(const char* encoding) {
    return In(std::string(encoding) == "UTF-8" ? "exported.utf8.txt" : "exported.utf16.txt");
}

void MakeExportedTexts() {
    RunChild({kCli, "--ime", Ime(), "export", ExportedText("UTF-8"), "--encoding", "utf-8"});
    RunChild({"iconv", "-f", "UTF-8", "-t", "UTF-16LE", ExportedText("UTF-8")}, "/dev/null",
             ExportedText("UTF-16LE"));
}

void BM_Export(benchmark::State& state) {
    const bool cp932 = state.range(0) == 0;
    const std::string out = In("export.txt");
    const std::string source = ExportedText(cp932 ? "UTF-8" : "UTF-16LE");
    Pair(state, {{kCli, "--ime", Ime(), "export", out, "--encoding", cp932 ? "cp932" : "utf-8"}},
         // -c: iconv leaves out what code page 932 cannot hold, where the export writes "?".
         {{"iconv", "-c", "-f", cp932 ? "UTF-8" : "UTF-16LE", "-t", cp932 ? "CP932" : "UTF-8",
           source},
          "/dev/null",
          In("iconv-out.txt")},
         1e6);
}

std::string Quoted(const std::u16string& text) {
    std::string out = "'";
    for (char c : wk::Utf16ToUtf8(text)) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}

// The first `count` words as a dictionary text file, and as an SQL script that lays out
// the store's table and inserts them in one transaction.
void MakeImportFiles(std::size_t count) {
    const std::string text = In("import-" + std::to_string(count) + ".txt");
    const std::string script = In("import-" + std::to_string(count) + ".sql");
    {
        std::ofstream lines(text, std::ios::binary), sql(script, std::ios::binary);
        lines << "!Wordkeeper out-put text file\r\n";
        sql << "PRAGMA encoding = 'UTF-16le';\n"
               "CREATE TABLE words(id INTEGER PRIMARY KEY, reading TEXT NOT NULL,"
               " word TEXT NOT NULL, style INTEGER NOT NULL);\n"
               "CREATE UNIQUE INDEX words_key ON words(reading, word, style);\n"
               "CREATE TABLE word_count(n INTEGER NOT NULL);\n"
               "INSERT INTO word_count VALUES(0);\n"
               "CREATE TRIGGER words_added AFTER INSERT ON words"
               " BEGIN UPDATE word_count SET n = n + 1; END;\n"
               "BEGIN;\n";
        for (std::size_t i = 0; i < count; ++i) {
            const auto& w = Words()[i];
            lines << wk::Utf16ToUtf8(w.reading) << '\t' << wk::Utf16ToUtf8(w.word) << '\t'
                  << wk::Utf16ToUtf8(PosOf(w.style)) << "\r\n";
            sql << "INSERT OR IGNORE INTO words(reading, word, style) VALUES(" << Quoted(w.reading)
                << "," << Quoted(w.word) << "," << w.style << ");\n";
        }
        sql << "COMMIT;\n";
    }
}

void BM_Import(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const std::string text = In("import-" + std::to_string(count) + ".txt");
    const std::string script = In("import-" + std::to_string(count) + ".sql");
    const std::string store = In("imported.sqlite"), plain = In("baseline.sqlite");
    const auto clear = [](const std::string& file) {
        return [file] {
            for (const char* tail : {"", "-wal", "-shm", "-journal"}) fs::remove(file + tail);
        };
    };
    Pair(state,
         {{kCli, "--ime", "embedded:" + store, "import", text},
          "/dev/null",
          "/dev/null",
          clear(store)},
         {{"sqlite3", plain}, script, "/dev/null", clear(plain)}, static_cast<double>(count));
}

}  // namespace

BENCHMARK(BM_List)
    ->ArgName("sort_word")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Export)->ArgName("utf8")->Arg(0)->Arg(1)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Find)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Import)->Arg(100'000)->Arg(1'000'000)->Iterations(3)->Unit(benchmark::kMillisecond);

// Everything the runs read is made by a child process, so that this process stays small:
// a child forked from it would otherwise count its memory as the child's own peak.
bool Prepare() {
    Folder();  // one folder for both processes
    const pid_t pid = ::fork();
    if (pid == 0) {
        MakeStore();
        MakePlainTable();
        MakeExportedTexts();
        for (std::size_t count : {100'000u, 1'000'000u}) MakeImportFiles(count);
        std::ofstream(In("last-reading.txt")) << wk::Utf16ToUtf8(Words().back().reading) << '\n';
        std::_Exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (!Prepare()) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(Folder());
    return 0;
}
