// backup and get: ask the instrument, wait for the whole answer, and write it
// only when all of it arrived intact.
#include "protocol/Messages.h"
#include "velmora-syx/SyxCommand.h"
#include "velmora-syx/SyxFiles.h"
#include "velmora-syx/SyxTransferCommands.h"
#include "velmora-syx/SyxTransfers.h"

#include <algorithm>
#include <cctype>

namespace velmora::syx {

namespace {

constexpr int kPatches = static_cast<int>(kBankPatchCount);

bool writeOrReport(const std::string& path, std::span<const Byte> bytes, std::ostream& out,
                   std::ostream& err)
{
    if (const std::string error = writeFileAtomically(path, bytes); !error.empty()) {
        err << path << ": " << error << '\n';
        return false;
    }
    out << "wrote " << path << " (" << bytes.size() << " bytes)\n";
    return true;
}

} // namespace

std::string sideFileName(const std::string& file, const std::string& suffix)
{
    std::string stem = file;
    if (stem.size() > 4) {
        std::string extension = stem.substr(stem.size() - 4);
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (extension == ".syx")
            stem.resize(stem.size() - 4);
    }
    return stem + suffix + ".syx";
}

int runBackup(const midi::MidiDevices& devices, const TransferOptions& options, std::ostream& out,
              std::ostream& err)
{
    TransferSession session(devices, options.model);
    session.openInput(options.in);
    session.openOutput(options.out);
    Transfers& engine = session.engine();
    const TransferFlags& flags = engine.flags();
    const bool m1000 = options.model == SynthModel::Matrix1000;
    const DumpKind globalKind = m1000 ? DumpKind::Global1000 : DumpKind::Master6;
    const int splitMessages = m1000 ? 80 : static_cast<int>(kSplitCount);

    ProgressLine progress(err);
    engine.startBankDownload();
    const std::string problem = session.runUntil([&] {
        // A Matrix-1000 global dump that fails its checksum is dropped without a word.
        if (m1000 && session.lastOf(globalKind) && !flags.globalReceived)
            session.host().problems.push_back("Checksum error in Global dump");
        if (!flags.bankLoaded) {
            progress.show("Receiving patches", std::min(flags.bankCount, kPatches), kPatches);
            return false;
        }
        progress.show("Receiving patches", kPatches, kPatches);
        if (flags.splitCount > 0)
            progress.show("Receiving splits", flags.splitCount, splitMessages);
        if (flags.splitsReceived && flags.globalReceived)
            return true;
        return !engine.receiving() &&
               TransferSession::Clock::now() - session.lastHeard() >= kGlobalGrace;
    });
    progress.end();
    if (!problem.empty()) {
        err << "velmora-syx backup: " << asSentence(problem) << " Nothing was written.\n";
        return kExitBadData;
    }
    err << "Received 100 patches" << (flags.splitsReceived ? ", the splits" : ", no splits")
        << (flags.globalReceived ? " and the global record" : " and no global record") << '\n';

    const SynthRecords& records = session.records();
    Bytes bank;
    bank.reserve(kBankSysexSize);
    for (std::size_t n = 0; n < kBankPatchCount; ++n) {
        const Message message = patchToMemory(static_cast<Byte>(n), recordOf(records.bank[n]));
        bank.insert(bank.end(), message.begin(), message.end());
    }
    if (!writeOrReport(options.file, bank, out, err))
        return kExitBadData;
    if (flags.splitsReceived) {
        Bytes splits;
        for (std::size_t n = 0; n < kSplitCount; ++n) {
            const Message message = splitData(static_cast<Byte>(n), records.splits[n]);
            splits.insert(splits.end(), message.begin(), message.end());
        }
        if (!writeOrReport(sideFileName(options.file, "-splits"), splits, out, err))
            return kExitBadData;
    }
    if (flags.globalReceived && session.lastOf(globalKind) &&
        !writeOrReport(sideFileName(options.file, "-global"), *session.lastOf(globalKind), out,
                       err))
        return kExitBadData;
    return kExitOk;
}

int runGet(const midi::MidiDevices& devices, const TransferOptions& options, std::ostream& out,
           std::ostream& err)
{
    TransferSession session(devices, options.model);
    session.openInput(options.in);
    session.openOutput(options.out);
    session.host().numberAnswer = options.number;
    Transfers& engine = session.engine();
    engine.download();
    const std::string problem = session.runUntil([&] { return engine.flags().patchLoaded; });
    if (!problem.empty()) {
        err << "velmora-syx get: " << asSentence(problem) << " Nothing was written.\n";
        return kExitBadData;
    }
    // The Matrix-1000 edit buffer comes numbered with the program it was
    // taken from.
    const Byte number = options.model == SynthModel::Matrix6
                            ? static_cast<Byte>(*options.number)
                            : (*session.lastOf(DumpKind::Patch))[4];
    const Bytes patch = rawPatchToSysex(session.records().currentPatch, number);
    session.drain(); // a Matrix-6 gets the patch back in slot 99
    return writeOrReport(options.file, patch, out, err) ? kExitOk : kExitBadData;
}

} // namespace velmora::syx
