// SPDX-License-Identifier: MIT
// Refresh (enumerate, build, sort) and sorting of a large store. The command-line tool beside
// its baselines is in cli_bench.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

#include "bench_words.h"
#include "core/dictionary.h"
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
    std::string error;
    auto store = wk::ime::EmbeddedStore::Open(path.string(), &error);
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

void Refresh(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    std::string error;
    auto store = wk::ime::EmbeddedStore::Open(StoreOf(count), &error);
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
        list.PushFront(w.reading, w.word, wk::ime::EmbeddedStyles()[w.style - 1].description, 0, 0);
    }
    bool ascending = true;
    for (auto _ : state) {
        list.Sort(field, ascending);
        ascending = !ascending;
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(count));
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
BENCHMARK_MAIN();
