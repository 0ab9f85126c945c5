// SPDX-License-Identifier: MIT
// The manager's window from start to the first painted rows, a reload, and a scroll to the
// end, on an embedded store of 100,000 and 1,000,000 words; deleting every word of a store
// of 100,000 and 1,000,000 (offscreen platform). Targets at 1,000,000 words: start-up and
// reload 0.4 s, deleting 3 s (0.5 s at 100,000).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QScrollBar>
#include <QTemporaryDir>

#include <map>
#include <memory>
#include <string>

#include "ime/backend.h"
#include "manager/commands.h"
#include "manager/manager_window.h"
#include "skeleton/application.h"
#include "skeleton/message_box.h"
#include "skeleton/qt_settings_store.h"

namespace {

// Readings and words built from the index, so that every word is different.
std::u16string Kana(std::uint32_t n, std::size_t minimum) {
    std::u16string text;
    do {
        text.push_back(static_cast<char16_t>(u'あ' + n % 80));
        n /= 80;
    } while (n != 0 || text.size() < minimum);
    return text;
}

std::u16string Kanji(std::uint32_t n) {
    std::u16string text;
    do {
        text.push_back(static_cast<char16_t>(0x4E00 + n % 2000));
        n /= 2000;
    } while (n != 0);
    return text;
}

QTemporaryDir& Folder() {
    static QTemporaryDir folder;
    return folder;
}

// An embedded store with `words` words, made once per size.
std::string StoreWith(int words) {
    static std::map<int, std::string> made;
    if (const auto found = made.find(words); found != made.end()) return found->second;
    const std::string storeName =
        "embedded:" +
        (Folder().path() + QStringLiteral("/words-%1.sqlite").arg(words)).toStdString();
    auto opened = wk::ime::OpenInputMethod(storeName);
    if (!opened.ime) return {};
    {
        auto batch = opened.ime->BeginBatch();
        for (int i = 0; i < words; ++i) {
            const auto n = static_cast<std::uint32_t>(i) * 2654435761u % 4000000000u;
            opened.ime->RegisterWord(Kana(n, 3), static_cast<std::uint32_t>(1 + i % 45),
                                     Kanji(static_cast<std::uint32_t>(i)));
        }
        if (batch) batch->Finish();
    }
    made[words] = storeName;
    return storeName;
}

// Notes the first paint of the list that shows rows.
class PaintProbe final : public QObject {
  public:
    explicit PaintProbe(wk::CWordkeeperView& view) : view_(view) {
        view.viewport()->installEventFilter(this);
    }
    bool painted = false;

  protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Paint && view_.model()->rowCount() > 0) painted = true;
        return QObject::eventFilter(object, event);
    }

  private:
    wk::CWordkeeperView& view_;
};

bool WaitFor(const bool& flag) {
    QElapsedTimer clock;
    clock.start();
    while (!flag && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return flag;
}

void BM_StartupToFirstPaintedRows(benchmark::State& state) {
    const std::string storeName = StoreWith(static_cast<int>(state.range(0)));
    if (storeName.empty()) {
        state.SkipWithError("store could not be made");
        return;
    }
    for (auto _ : state) {
        auto opened = wk::ime::OpenInputMethod(storeName);
        wk::QtSettingsStore settings;
        wk::Dictionary dictionary(*opened.ime);
        auto window = std::make_unique<wk::ManagerWindow>(dictionary, settings);
        PaintProbe probe(window->view());
        window->Start();
        if (!WaitFor(probe.painted)) state.SkipWithError("no rows painted");
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
        state.counters["words"] = dictionary.wordCount;
    }
}

// The reload command, to the next painted rows.
void BM_Reload(benchmark::State& state) {
    const std::string storeName = StoreWith(static_cast<int>(state.range(0)));
    auto opened = wk::ime::OpenInputMethod(storeName);
    wk::QtSettingsStore settings;
    wk::Dictionary dictionary(*opened.ime);
    wk::ManagerWindow window(dictionary, settings);
    PaintProbe probe(window.view());
    window.Start();
    if (!WaitFor(probe.painted)) state.SkipWithError("no rows painted");
    for (auto _ : state) {
        probe.painted = false;
        window.frame().action(wk::cmd::kRefresh)->trigger();
        if (!WaitFor(probe.painted)) state.SkipWithError("no rows painted");
    }
    state.counters["words"] = dictionary.wordCount;
}

void BM_ScrollToTheEnd(benchmark::State& state) {
    const std::string storeName = StoreWith(static_cast<int>(state.range(0)));
    auto opened = wk::ime::OpenInputMethod(storeName);
    wk::QtSettingsStore settings;
    wk::Dictionary dictionary(*opened.ime);
    wk::ManagerWindow window(dictionary, settings);
    window.Start();
    QCoreApplication::processEvents();
    wk::CWordkeeperView& view = window.view();
    for (auto _ : state) {
        view.scrollToBottom();
        view.viewport()->repaint();
        view.scrollToTop();
        view.viewport()->repaint();
    }
    state.counters["words"] = dictionary.wordCount;
}

// Select all, then delete, the question answered Yes. Each round deletes from a fresh
// copy of the store.
void BM_DeleteEverySelectedWord(benchmark::State& state) {
    const std::string storeName = StoreWith(static_cast<int>(state.range(0)));
    const QString file = QString::fromStdString(storeName.substr(sizeof "embedded:" - 1));
    const QString copy = Folder().path() + QStringLiteral("/deleting.sqlite");
    wk::SetMessageHook([](const wk::MessageRequest&) { return true; });
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(copy);
        QFile::copy(file, copy);
        auto opened = wk::ime::OpenInputMethod("embedded:" + copy.toStdString());
        wk::QtSettingsStore settings;
        wk::Dictionary dictionary(*opened.ime);
        wk::ManagerWindow window(dictionary, settings);
        window.Start();
        window.frame().action(wk::cmd::kSelectAll)->trigger();
        state.ResumeTiming();
        window.frame().action(wk::cmd::kDeleteWords)->trigger();
        state.PauseTiming();
        if (dictionary.wordCount != 0) state.SkipWithError("words left");
        state.ResumeTiming();
    }
    wk::SetMessageHook({});
}

}  // namespace

BENCHMARK(BM_DeleteEverySelectedWord)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();
BENCHMARK(BM_StartupToFirstPaintedRows)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
BENCHMARK(BM_Reload)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
BENCHMARK(BM_ScrollToTheEnd)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_CONFIG_HOME", (Folder().path() + QStringLiteral("/config")).toLocal8Bit());
    wk::CWordkeeperApp app(argc, argv, wk::ManagerProgramInfo());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
