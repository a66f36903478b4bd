// The editor's full refresh: every control of the three pages set from the
// record, as after every received patch; Undo and Redo of a whole-patch step
// with that refresh, and what 1,000 steps of the history hold in memory.
#include "editor/PatchEditorView.h"
#include "editor/PatchHistory.h"
#include "editor/TrackGenPresets.h"
#include "support/DemoPatches.h"
#include "support/RecordingSink.h"

#include <QApplication>
#include <QUndoStack>
#include <benchmark/benchmark.h>

#include <malloc.h>

using namespace velmora;

static void BM_InitControls(benchmark::State& state)
{
    test::RecordingSink sink;
    PatchBuffer patch = demo::demoPatch(1);
    ParameterSender sender(sink, patch);
    editor::TrackGenPresets presets(QStringLiteral("/nonexistent/trackgen.ini"));
    editor::PatchEditorView view(patch, sender, presets);
    view.show();
    std::uint32_t seed = 0;
    for (auto _ : state) {
        // A different patch each time, so every control really moves.
        patch = demo::demoPatch(++seed);
        view.initControls();
    }
    state.SetLabel("goal: under 2 ms");
}
BENCHMARK(BM_InitControls)->Unit(benchmark::kMicrosecond);

// The editor with its history, as the main window has them; applying a step
// refreshes all three pages (the send of the whole patch goes to the
// pacer's queue in the program and is left out here).
struct EditorWithHistory
{
    EditorWithHistory()
    {
        view.show();
        patch = demo::demoPatch(1);
        view.initControls();
        // Two whole-patch steps, as after a Randomize and an Open.
        for (std::uint32_t seed : {2u, 3u}) {
            patch = demo::demoPatch(seed);
            history.record(QStringLiteral("Randomize"));
        }
    }
    test::RecordingSink sink;
    PatchBuffer patch{};
    ParameterSender sender{sink, patch};
    editor::TrackGenPresets presets{QStringLiteral("/nonexistent/trackgen.ini")};
    editor::PatchEditorView view{patch, sender, presets};
    editor::PatchHistory history{patch, [this](bool) { view.initControls(); }};
};

static void BM_UndoWholePatch(benchmark::State& state)
{
    EditorWithHistory editor;
    for (auto _ : state) {
        editor.history.stack().undo();
        state.PauseTiming();
        editor.history.stack().redo();
        state.ResumeTiming();
    }
    state.SetLabel("goal: under 2 ms");
}
BENCHMARK(BM_UndoWholePatch)->Unit(benchmark::kMicrosecond);

static void BM_RedoWholePatch(benchmark::State& state)
{
    EditorWithHistory editor;
    for (auto _ : state) {
        state.PauseTiming();
        editor.history.stack().undo();
        state.ResumeTiming();
        editor.history.stack().redo();
    }
    state.SetLabel("goal: under 2 ms");
}
BENCHMARK(BM_RedoWholePatch)->Unit(benchmark::kMicrosecond);

// A full history: 1,000 whole-patch steps. "steps_bytes" is what the steps
// count of themselves (two patches, the name); "heap_bytes" is what the heap
// grew by while they were made, Qt's part of each command included.
static void BM_HistoryMemory(benchmark::State& state)
{
    for (auto _ : state) {
        PatchBuffer patch{};
        const std::size_t heapBefore = mallinfo2().uordblks;
        auto history = std::make_unique<editor::PatchHistory>(patch, [](bool) {});
        for (int step = 0; step < editor::PatchHistory::kUndoLimit; ++step) {
            patch = demo::demoPatch(static_cast<std::uint32_t>(step + 1));
            history->record(QStringLiteral("Randomize"));
        }
        const std::size_t heapAfter = mallinfo2().uordblks;
        state.counters["steps"] = static_cast<double>(history->stack().count());
        state.counters["steps_bytes"] = static_cast<double>(history->memoryBytes());
        state.counters["heap_bytes"] = static_cast<double>(heapAfter - heapBefore);
        state.counters["heap_bytes_per_step"] =
            static_cast<double>(heapAfter - heapBefore) / history->stack().count();
    }
}
BENCHMARK(BM_HistoryMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
