// SPDX-License-Identifier: MIT
// The Mozc back end on large dictionaries, each beside a baseline run in the same process
// on the same data: the least any program must do with Mozc's format.
//   import: 100,000 words registered in one batch (one rewrite)   target 2 s
//           baseline: building the same entries in memory, serializing and writing them
//   enum:   every entry of a 1,000,000-entry file through EnumRegisterWord
//           baseline: parsing and serializing the same file with protobuf
//   list:   `wordkeeper-cli --ime mozc list` of that file to /dev/null   target 1.5 s
//           baseline: the same parse and serialize
// Prints the best of three runs of each. Usage: ./build/bin/mozc_bench
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "bench_words.h"
#include "core/text.h"
#include "ime/mozc_backend.h"
#include "mozc_dictionary.pb.h"

namespace {

namespace fs = std::filesystem;
using wk::mozcfile::UserDictionaryStorage;

double Best(const std::function<bool()>& run, const std::function<void()>& prepare = {}) {
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        if (prepare) prepare();
        const auto start = std::chrono::steady_clock::now();
        if (!run()) {
            std::fprintf(stderr, "a run failed\n");
            std::exit(1);
        }
        best = std::min(
            best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

void Report(const char* what, double seconds, double baseline, double target) {
    std::printf("%-34s %7.3f s   baseline %7.3f s   ratio %5.2f", what, seconds, baseline,
                seconds / baseline);
    if (target > 0)
        std::printf("   target %.1f s %s", target, seconds <= target ? "met" : "MISSED");
    std::printf("\n");
}

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

int main() {
    const fs::path dir = fs::temp_directory_path() / "wordkeeper-bench" / "mozc";
    fs::remove_all(dir);
    fs::create_directories(dir);

    // Bulk registration.
    const auto words = wk::bench::MakeWords(100'000, 44);
    const fs::path importProfile = dir / "import";
    const double import = Best(
        [&] {
            std::string error;
            auto ime = wk::ime::MozcBackend::Open(importProfile.string(), &error);
            if (!ime) return false;
            auto batch = ime->BeginBatch();
            for (const auto& w : words) {
                if (!ime->RegisterWord(w.reading, w.style, w.word)) return false;
            }
            return batch->Finish() == 0;
        },
        [&] { fs::remove_all(importProfile); });
    const double importBase = Best([&] {
        UserDictionaryStorage storage;
        auto* d = storage.add_dictionaries();
        for (const auto& w : words) {
            auto* e = d->add_entries();
            e->set_key(wk::Utf16ToUtf8(w.reading));
            e->set_value(wk::Utf16ToUtf8(w.word));
            e->set_pos(static_cast<int>(w.style));
        }
        std::ofstream out(dir / "baseline.db", std::ios::binary);
        return storage.SerializeToOstream(&out);
    });
    Report("import 100,000 words", import, importBase, 2.0);

    // A file of a million entries.
    const fs::path listProfile = dir / "list";
    fs::create_directories(listProfile);
    {
        UserDictionaryStorage storage;
        auto* d = storage.add_dictionaries();
        for (const auto& w : wk::bench::MakeWords(1'000'000, 44)) {
            auto* e = d->add_entries();
            e->set_key(wk::Utf16ToUtf8(w.reading));
            e->set_value(wk::Utf16ToUtf8(w.word));
            e->set_pos(static_cast<int>(w.style));
        }
        std::ofstream out(listProfile / "user_dictionary.db", std::ios::binary);
        storage.SerializeToOstream(&out);
    }
    const double parseBase = Best([&] {
        UserDictionaryStorage storage;
        std::string bytes;
        return storage.ParseFromString(Slurp(listProfile / "user_dictionary.db")) &&
               storage.SerializeToString(&bytes);
    });
    const double enumerate = Best([&] {
        std::string error;
        auto ime = wk::ime::MozcBackend::Open(listProfile.string(), &error);
        std::size_t count = 0;
        return ime && ime->EnumRegisterWord([&](const char16_t*, std::uint32_t, const char16_t*) {
            ++count;
            return 1;
        }) && count == 1'000'000;
    });
    Report("enumerate 1,000,000 entries", enumerate, parseBase, 0);
    const std::string home = (dir / "home").string();
    fs::create_directories(dir / "home");
    fs::create_symlink(listProfile, dir / "home" / ".mozc");
    double listCpu = 1e9;  // user and system time of the child, apart from the machine's load
    const double list = Best([&] {
        std::fflush(stdout);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("HOME", home.c_str(), 1);
            if (!std::freopen("/dev/null", "w", stdout)) ::_exit(126);
            ::execl(WORDKEEPER_CLI, WORDKEEPER_CLI, "--ime", "mozc", "list", nullptr);
            ::_exit(127);
        }
        int status = 0;
        rusage usage{};
        ::wait4(pid, &status, 0, &usage);
        listCpu = std::min(listCpu, usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                                        (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    });
    Report("wordkeeper-cli list, 1,000,000", list, parseBase, 1.5);
    Report("  the same, processor time", listCpu, parseBase, 1.5);
    fs::remove_all(dir);
    return 0;
}
