// The MIDI path's costs: one single-parameter send from the sender to the
// backend, and a whole request-all answer (181 messages) taken from the
// input and routed on the user-interface thread.
#include "Messages.h"
#include "MidiDevices.h"
#include "MidiInput.h"
#include "MidiOutput.h"
#include "MidiSetup.h"
#include "ParameterSender.h"
#include "SysexCodec.h"
#include "VirtualBackend.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

#include <ctime>

using namespace velmora;
using namespace velmora::midi;

namespace {

// A port that takes messages and does nothing, so only our side is measured.
class NullBackend : public MidiBackend
{
    struct Out : MidiOutputPort
    {
        void Send(std::span<const Byte> message) override
        {
            benchmark::DoNotOptimize(message.data());
        }
    };

public:
    std::vector<std::string> InputNames() override { return {}; }
    std::vector<std::string> OutputNames() override { return {"Null"}; }
    std::unique_ptr<MidiInputPort> OpenInput(int, MidiReceiver) override { return nullptr; }
    std::unique_ptr<MidiOutputPort> OpenOutput(int) override { return std::make_unique<Out>(); }
};

void SingleParameterSend(benchmark::State& state)
{
    MidiDevices devices;
    devices.AddBackend(std::make_unique<NullBackend>());
    TMidiOutput output(devices);
    output.Open();
    PatchBuffer patch{};
    ParameterSender sender(output, patch);
    int value = 0;
    for (auto _ : state) {
        patch[10] = static_cast<Byte>(value++ & 63);
        sender.SendByte(1);
    }
}
BENCHMARK(SingleParameterSend)->Repetitions(9)->ReportAggregatesOnly(true);

double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The answer is delivered into the input first; then the time the user
// interface thread spends taking, routing and unpacking it is measured.
void RequestAllRouted(benchmark::State& state)
{
    MidiDevices devices;
    auto owned = std::make_unique<VirtualBackend>();
    VirtualBackend& backend = *owned;
    devices.AddBackend(std::move(owned));
    std::size_t dumps = 0;
    std::vector<Byte> block(kMaster6Size);
    MidiRouter::Targets targets;
    targets.sysex = [&](const TMyMidiEvent& event) {
        const DumpKind kind = ClassifyDump(event.SysexSize);
        if (kind == DumpKind::Other)
            return;
        UnpackBlock(event.SysexData, std::span<Byte>(block.data(), DumpBlockLength(kind)),
                    DumpChecksumRule(kind));
        ++dumps;
    };
    MidiSetup setup(devices, targets);
    setup.InitMidiControls();
    setup.Input().SetSysexBufferCount(256);
    if (setup.OpenAtStartup()) {
        state.SkipWithError("the virtual ports did not open");
        return;
    }
    const Message request = Request(RequestType::All);
    for (auto _ : state) {
        dumps = 0;
        setup.Output().SendLong(request);
        backend.WaitIdle();
        const double start = ThreadCpuSeconds();
        while (dumps < 181 && setup.Input().PendingCount() > 0)
            QCoreApplication::processEvents();
        state.SetIterationTime(ThreadCpuSeconds() - start);
        if (dumps != 181)
            state.SkipWithError("the answer did not arrive whole");
    }
}
BENCHMARK(RequestAllRouted)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
