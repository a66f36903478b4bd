// The editor's full refresh: every control of the three pages set from the
// record, as after every received patch.
#include "editor/PatchEditorView.h"
#include "editor/TrackGenPresets.h"
#include "support/DemoPatches.h"
#include "support/RecordingSink.h"

#include <QApplication>
#include <benchmark/benchmark.h>

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
