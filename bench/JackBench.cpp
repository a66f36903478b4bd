// Figures over a real MIDI transport: the cost of one send to a JACK port
// and the round trip of an edit buffer request to its whole 275-byte answer,
// against velmora-instrument. Needs a running JACK server; says so otherwise.
#include "e2e/InstrumentProcess.h"
#include "midi/MidiBackend.h"
#include "protocol/Messages.h"
#include "protocol/SysexCodec.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>

using namespace velmora;
using namespace velmora::midi;
using namespace velmora::test;

namespace {

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

} // namespace

int main()
{
    if (!jackServerRuns()) {
        std::printf("jack bench: no JACK server runs; skipped\n");
        return 0;
    }
    const std::string name = "Velmora Bench " + std::to_string(getpid());
    const auto instrument = startInstrument(name);
    if (!instrument) {
        std::printf("jack bench: velmora-instrument did not start\n");
        return 1;
    }
    auto backend = createRtMidiBackend();
    const int in = indexOfJackPort(backend->inputNames(), name + " out");
    const int out = indexOfJackPort(backend->outputNames(), name + " in");
    if (in < 0 || out < 0) {
        std::printf("jack bench: the instrument's ports are not listed\n");
        return 1;
    }

    std::mutex mutex;
    std::condition_variable arrived;
    std::size_t answerSize = 0;
    auto input = backend->openInput(in, [&](std::span<const Byte> message, std::uint32_t) {
        std::lock_guard lock(mutex);
        answerSize = message.size();
        arrived.notify_all();
    });
    auto output = backend->openOutput(out);
    input->start();

    const Message edit = parameterEdit(1, 10);
    std::vector<double> sendUs;
    for (int i = 0; i < 5000; ++i) {
        const auto start = Clock::now();
        output->send(edit);
        sendUs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        if (i % 200 == 199)
            std::this_thread::sleep_for(20ms); // let JACK's buffer drain
    }
    std::printf("send of a 7-byte message to JACK: median %.2f us, 99th percentile %.2f us\n",
                percentile(sendUs, 0.5), percentile(sendUs, 0.99));

    std::this_thread::sleep_for(100ms);
    const Message editBufferRequest = request(RequestType::EditBuffer);
    std::vector<double> tripMs;
    int lost = 0;
    for (int i = 0; i < 1000; ++i) {
        std::unique_lock lock(mutex);
        answerSize = 0;
        const auto start = Clock::now();
        output->send(editBufferRequest);
        if (!arrived.wait_for(lock, 1s, [&] { return answerSize != 0; }) ||
            answerSize != kPatchMessageSize) {
            ++lost;
            continue;
        }
        tripMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    if (tripMs.empty()) {
        std::printf("jack bench: no answer arrived\n");
        return 1;
    }
    std::printf("edit buffer request to whole answer over JACK: median %.2f ms, 99th percentile "
                "%.2f ms, %d of 1000 lost\n",
                percentile(tripMs, 0.5), percentile(tripMs, 0.99), lost);
    return 0;
}
