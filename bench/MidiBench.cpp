// The MIDI path's costs: one single-parameter send from the sender to the
// backend, and a whole request-all answer (181 messages) taken from the
// input and routed on the user-interface thread.
#include "midi/MidiDevices.h"
#include "midi/MidiInput.h"
#include "midi/MidiOutput.h"
#include "midi/MidiSetup.h"
#include "midi/VirtualBackend.h"
#include "protocol/Messages.h"
#include "protocol/ParameterSender.h"
#include "protocol/SysexCodec.h"

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
        void send(std::span<const Byte> message) override
        {
            benchmark::DoNotOptimize(message.data());
        }
    };

public:
    std::vector<std::string> inputNames() override { return {}; }
    std::vector<std::string> outputNames() override { return {"Null"}; }
    std::unique_ptr<MidiInputPort> openInput(int, MidiReceiver) override { return nullptr; }
    std::unique_ptr<MidiOutputPort> openOutput(int) override { return std::make_unique<Out>(); }
};

void singleParameterSend(benchmark::State& state)
{
    MidiDevices devices;
    devices.addBackend(std::make_unique<NullBackend>());
    MidiOutput output(devices);
    output.open();
    PatchBuffer patch{};
    ParameterSender sender(output, patch);
    int value = 0;
    for (auto _ : state) {
        patch[10] = static_cast<Byte>(value++ & 63);
        sender.sendByte(1);
    }
}
BENCHMARK(singleParameterSend)->Repetitions(9)->ReportAggregatesOnly(true);

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The answer is delivered into the input first; then the time the user
// interface thread spends taking, routing and unpacking it is measured.
void requestAllRouted(benchmark::State& state)
{
    MidiDevices devices;
    auto owned = std::make_unique<VirtualBackend>();
    VirtualBackend& backend = *owned;
    devices.addBackend(std::move(owned));
    std::size_t dumps = 0;
    std::vector<Byte> block(kMaster6Size);
    MidiRouter::Targets targets;
    targets.sysex = [&](const MidiEvent& event) {
        const DumpKind kind = classifyDump(event.sysexSize);
        if (kind == DumpKind::Other)
            return;
        unpackBlock(event.sysexData, std::span<Byte>(block.data(), dumpBlockLength(kind)),
                    dumpChecksumRule(kind));
        ++dumps;
    };
    MidiSetup setup(devices, targets);
    setup.initMidiControls();
    setup.input().setSysexBufferCount(256);
    if (setup.openAtStartup()) {
        state.SkipWithError("the virtual ports did not open");
        return;
    }
    const Message requestAll = request(RequestType::All);
    for (auto _ : state) {
        dumps = 0;
        setup.output().sendLong(requestAll);
        backend.waitIdle();
        const double start = threadCpuSeconds();
        while (dumps < 181 && setup.input().pendingCount() > 0)
            QCoreApplication::processEvents();
        state.SetIterationTime(threadCpuSeconds() - start);
        if (dumps != 181)
            state.SkipWithError("the answer did not arrive whole");
    }
}
BENCHMARK(requestAllRouted)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
