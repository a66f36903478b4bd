// How long a bank upload (velmora-syx restore, Velmora's bank upload) takes
// to reach the built-in virtual instrument when both directions are paced
// like a MIDI cable, against the least it could take.
//
// The program sends a bank select, pauses 12 ms, then sends 100 patches with
// a 12 ms pause after each. A send returns as soon as the port has the
// message; the cable then carries it at 3,125 bytes/s (88 ms for a patch).
// So the pauses overlap the cable time of the message before, and the plain
// sum 100 x (88 ms + 12 ms) = 10.0 s is not the floor: the cable is the
// bottleneck and runs without a gap from the first patch on, which leaves
// the program's sends at 12 ms. The true floor is computed here from the
// same rules, message by message.
//
// Usage: velmora_bank_upload_bench [RUNS]   (default 1, about 9 s a run)
#include "midi/VirtualBackend.h"
#include "protocol/Messages.h"
#include "protocol/UploadCheck.h"
#include "velmora-syx/SyxTransfers.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace velmora;
using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

namespace {

// When the last byte of the upload arrives if every message leaves the
// program on time and the cable never waits for anything but the program.
Seconds cableFloor()
{
    const auto pause = kStorePause;
    Clock::duration sentAt{};
    Clock::duration cableFree = PacedLink::cableTime(bankSelect(0).size());
    sentAt += pause;
    for (std::size_t n = 0; n < kBankPatchCount; ++n) {
        cableFree = std::max(sentAt, cableFree) + PacedLink::cableTime(kPatchMessageSize);
        sentAt += pause;
    }
    return cableFree;
}

Seconds naiveFloor()
{
    return (PacedLink::cableTime(kPatchMessageSize) + kStorePause) *
           static_cast<long long>(kBankPatchCount);
}

double over(Seconds measured, Seconds floor)
{
    return 100.0 * (measured.count() / floor.count() - 1.0);
}

bool uploadOnce(int run)
{
    midi::MidiDevices devices;
    auto& backend = static_cast<midi::VirtualBackend&>(
        devices.addBackend(std::make_unique<midi::VirtualBackend>(
            SynthModel::Matrix1000, PacedLink::Pace::CableSpeed, PacedLink::Pace::CableSpeed)));
    syx::TransferSession session(devices, SynthModel::Matrix1000);
    SynthRecords& records = session.records();
    backend.withInstrument([&](VirtualInstrument& instrument) {
        for (int n = 0; n < 100; ++n) {
            const PatchRecord patch = instrument.patch(0, n);
            std::copy(patch.begin(), patch.end(), records.bank[std::size_t(n)].begin());
            const std::string name = "BENCH " + std::to_string(10 + n).substr(1);
            std::copy(name.begin(), name.end(), records.bank[std::size_t(n)].begin());
        }
    });
    session.engine().flags().bankLoaded = true;
    session.host().bankAnswer = 1;
    session.openOutput("0");

    const auto start = Clock::now();
    session.engine().sendBank();
    const Seconds sent = Clock::now() - start;
    backend.waitIdle();
    const Seconds arrived = Clock::now() - start;

    bool whole = true;
    backend.withInstrument([&](VirtualInstrument& instrument) {
        for (std::size_t n = 0; n < kBankPatchCount; ++n)
            whole = whole && samePatchAsSent(SynthModel::Matrix1000, recordOf(records.bank[n]),
                                             instrument.patch(1, int(n)));
    });
    const Seconds naive = naiveFloor();
    const Seconds floor = cableFloor();
    std::printf("run %d: program done sending after %.3f s; instrument holds all 100 patches "
                "after %.3f s%s\n",
                run, sent.count(), arrived.count(), whole ? "" : " (BANK DIFFERS)");
    std::printf("  plain sum 100 x (275 bytes at 3,125 bytes/s + 12 ms) = %.3f s: %+.1f %%\n",
                naive.count(), over(arrived, naive));
    std::printf("  floor with pauses overlapping cable time (12 ms + 100 x 88 ms) = %.3f s: "
                "%+.1f %%\n",
                floor.count(), over(arrived, floor));
    return whole;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    bool ok = true;
    for (int run = 1; run <= runs; ++run)
        ok = uploadOnce(run) && ok;
    return ok ? 0 : 1;
}
