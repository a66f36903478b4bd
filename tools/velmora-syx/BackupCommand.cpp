// backup and get: ask the instrument, wait for the whole answer, and write it
// only when all of it arrived intact.
#include "Messages.h"
#include "SyxCommand.h"
#include "SyxFiles.h"
#include "SyxTransferCommands.h"
#include "SyxTransfers.h"

#include <algorithm>
#include <cctype>

namespace velmora::syx {

namespace {

constexpr int kPatches = static_cast<int>(kBankPatchCount);

bool WriteOrReport(const std::string& path, std::span<const Byte> bytes, std::ostream& out,
                   std::ostream& err)
{
    if (const std::string error = WriteFileAtomically(path, bytes); !error.empty()) {
        err << path << ": " << error << '\n';
        return false;
    }
    out << "wrote " << path << " (" << bytes.size() << " bytes)\n";
    return true;
}

} // namespace

std::string SideFileName(const std::string& file, const std::string& suffix)
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

int RunBackup(const midi::MidiDevices& devices, const TransferOptions& options, std::ostream& out,
              std::ostream& err)
{
    TransferSession session(devices, options.model);
    session.OpenInput(options.in);
    session.OpenOutput(options.out);
    Transfers& engine = session.Engine();
    const TransferFlags& flags = engine.Flags();
    const bool m1000 = options.model == Model::Matrix1000;
    const DumpKind globalKind = m1000 ? DumpKind::Global1000 : DumpKind::Master6;
    const int splitMessages = m1000 ? 80 : static_cast<int>(kSplitCount);

    ProgressLine progress(err);
    engine.StartBankDownload();
    const std::string problem = session.RunUntil([&] {
        // A Matrix-1000 global dump that fails its checksum is dropped without a word.
        if (m1000 && session.LastOf(globalKind) && !flags.GlobalReceived)
            session.Host().problems.push_back("Checksum error in Global dump");
        if (!flags.BankLoaded) {
            progress.Show("Receiving patches", std::min(flags.BankCount, kPatches), kPatches);
            return false;
        }
        progress.Show("Receiving patches", kPatches, kPatches);
        if (flags.SplitCount > 0)
            progress.Show("Receiving splits", flags.SplitCount, splitMessages);
        if (flags.SplitsReceived && flags.GlobalReceived)
            return true;
        return !engine.Receiving() &&
               TransferSession::Clock::now() - session.LastHeard() >= kGlobalGrace;
    });
    progress.End();
    if (!problem.empty()) {
        err << "velmora-syx backup: " << AsSentence(problem) << " Nothing was written.\n";
        return kExitBadData;
    }
    err << "Received 100 patches" << (flags.SplitsReceived ? ", the splits" : ", no splits")
        << (flags.GlobalReceived ? " and the global record" : " and no global record") << '\n';

    const SynthRecords& records = session.Records();
    Bytes bank;
    bank.reserve(kBankSysexSize);
    for (std::size_t n = 0; n < kBankPatchCount; ++n) {
        const Message message = PatchToMemory(static_cast<Byte>(n), RecordOf(records.Bank[n]));
        bank.insert(bank.end(), message.begin(), message.end());
    }
    if (!WriteOrReport(options.file, bank, out, err))
        return kExitBadData;
    if (flags.SplitsReceived) {
        Bytes splits;
        for (std::size_t n = 0; n < kSplitCount; ++n) {
            const Message message = SplitData(static_cast<Byte>(n), records.Splits[n]);
            splits.insert(splits.end(), message.begin(), message.end());
        }
        if (!WriteOrReport(SideFileName(options.file, "-splits"), splits, out, err))
            return kExitBadData;
    }
    if (flags.GlobalReceived && session.LastOf(globalKind) &&
        !WriteOrReport(SideFileName(options.file, "-global"), *session.LastOf(globalKind), out,
                       err))
        return kExitBadData;
    return kExitOk;
}

int RunGet(const midi::MidiDevices& devices, const TransferOptions& options, std::ostream& out,
           std::ostream& err)
{
    TransferSession session(devices, options.model);
    session.OpenInput(options.in);
    session.OpenOutput(options.out);
    session.Host().numberAnswer = options.number;
    Transfers& engine = session.Engine();
    engine.Download();
    const std::string problem = session.RunUntil([&] { return engine.Flags().PatchLoaded; });
    if (!problem.empty()) {
        err << "velmora-syx get: " << AsSentence(problem) << " Nothing was written.\n";
        return kExitBadData;
    }
    // The Matrix-1000 edit buffer comes numbered with the program it was
    // taken from.
    const Byte number = options.model == Model::Matrix6 ? static_cast<Byte>(*options.number)
                                                        : (*session.LastOf(DumpKind::Patch))[4];
    const Bytes patch = RawPatchToSysex(session.Records().CurrentPatch, number);
    session.Drain(); // a Matrix-6 gets the patch back in slot 99
    return WriteOrReport(options.file, patch, out, err) ? kExitOk : kExitBadData;
}

} // namespace velmora::syx
