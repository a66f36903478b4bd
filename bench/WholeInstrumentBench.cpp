// How long a whole-instrument backup of a Matrix-1000 and a restore of its
// two writable banks with the read-back check take (velmora-syx backup --all
// and restore --all, Velmora's Back Up Instrument and Restore Instrument)
// when both directions run at MIDI cable pace, against the least they could
// take.
//
// Backup: the global request and its answer (351 bytes), then per bank a
// bank select, the store pause, the request and its answer: 100 patches, 80
// filler splits and the global record, 31,291 bytes at 3,125 bytes/s (10.0 s).
// The floor is the ten answers alone; the full floor adds what the
// instrument needs around them (requests on the cable, the pause after each
// bank select, the global answer). Restore: per bank the bank select, 100
// patches with the store pause after each once it crossed the cable, 0C,
// then the read-back (bank select, pause, request, the answer).
//
// Usage: velmora_whole_instrument_bench [RUNS]   (default 1, about 140 s a run)
#include "midi/VirtualBackend.h"
#include "protocol/Messages.h"
#include "protocol/SysexCodec.h"
#include "protocol/TransferContext.h"
#include "velmora-syx/SyxCommand.h"
#include "velmora-syx/SyxTransferCommands.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>

using namespace velmora;
using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

namespace {

constexpr std::size_t kAnswerBytes =
    kBankPatchCount * kPatchMessageSize + 80 * kSplitMessageSize + kGlobal1000MessageSize;
constexpr std::size_t kSelect = 6;
constexpr std::size_t kRequest = 7;
constexpr std::size_t kUnlock = 5;

Seconds cable(std::size_t bytes)
{
    return PacedLink::cableTime(bytes);
}

Seconds answersFloor()
{
    return cable(kAnswerBytes) * 10;
}

// One bank read: select, pause, request, answer.
Seconds bankRead()
{
    return cable(kSelect) + kStorePause + cable(kRequest) + cable(kAnswerBytes);
}

Seconds backupFloor()
{
    return cable(kRequest) + cable(kGlobal1000MessageSize) + bankRead() * 10 + cable(kUnlock);
}

Seconds restoreWriteFloor()
{
    return cable(kSelect) + kStorePause +
           (cable(kPatchMessageSize) + kStorePause) * static_cast<long long>(kBankPatchCount) +
           cable(kUnlock) + kStorePause;
}

Seconds restoreFloor()
{
    return cable(kRequest) + cable(kGlobal1000MessageSize) +
           (restoreWriteFloor() + bankRead()) * 2 + cable(kUnlock);
}

double over(Seconds measured, Seconds floor)
{
    return 100.0 * (measured.count() / floor.count() - 1.0);
}

bool runOnce(int run, const QString& dir)
{
    midi::MidiDevices devices;
    auto& backend = static_cast<midi::VirtualBackend&>(
        devices.addBackend(std::make_unique<midi::VirtualBackend>(
            SynthModel::Matrix1000, PacedLink::Pace::CableSpeed, PacedLink::Pace::CableSpeed)));
    const std::string file = QDir(dir).filePath("whole.syx").toStdString();

    std::ostringstream out;
    std::ostringstream err;
    auto start = Clock::now();
    const int backup = syx::runTransferCommand(
        devices, {"backup", "--all", "--in", "0", "--out", "0", file}, out, err);
    const Seconds backupTime = Clock::now() - start;
    if (backup != syx::kExitOk) {
        std::printf("run %d: backup failed: %s\n", run, err.str().c_str());
        return false;
    }
    backend.waitIdle();

    out.str({});
    start = Clock::now();
    const int restore = syx::runTransferCommand(
        devices, {"restore", "--all", "--in", "0", "--out", "0", file}, out, err);
    const Seconds restoreTime = Clock::now() - start;
    const bool verified = restore == syx::kExitOk;
    if (!verified)
        std::printf("run %d: restore not verified: %s%s\n", run, out.str().c_str(),
                    err.str().c_str());

    const Seconds answers = answersFloor();
    const Seconds backupFull = backupFloor();
    const Seconds restoreFull = restoreFloor();
    std::printf("run %d: whole-instrument backup (ten banks and the global) %.3f s\n", run,
                backupTime.count());
    std::printf("  floor: ten request-all answers of %zu bytes at 3,125 bytes/s = %.3f s: "
                "%+.2f %%\n",
                kAnswerBytes, answers.count(), over(backupTime, answers));
    std::printf("  floor with requests, bank-select pauses and the global = %.3f s: %+.2f %% "
                "(goal: within 3 %%)\n",
                backupFull.count(), over(backupTime, backupFull));
    std::printf("run %d: restore of banks 0 and 1 with read-back check %.3f s%s\n", run,
                restoreTime.count(), verified ? ", verified" : "");
    std::printf("  floor: global read, 2 x (select, 100 x (275 bytes + 12 ms), 0C, read-back "
                "of the bank) = %.3f s: %+.2f %%\n",
                restoreFull.count(), over(restoreTime, restoreFull));
    return verified;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    QTemporaryDir dir;
    bool ok = dir.isValid();
    for (int run = 1; ok && run <= runs; ++run)
        ok = runOnce(run, dir.path()) && ok;
    return ok ? 0 : 1;
}
