// backup --all and restore --all: the whole instrument into one file and
// back, by the same step machines Velmora's Back Up Instrument and Restore
// Instrument use.
#include "velmora-syx/SyxCommand.h"
#include "velmora-syx/SyxFiles.h"
#include "velmora-syx/SyxTransferCommands.h"
#include "velmora-syx/SyxTransfers.h"

#include "protocol/WholeInstrument.h"

#include <algorithm>

namespace velmora::syx {

namespace {

// The session's own problem (a lost input) or the machine's.
std::string failureOf(TransferSession& session, const WholeMachine& machine)
{
    if (!session.host().problems.empty())
        return asSentence(session.host().problems.front());
    return machine.problem();
}

} // namespace

int runBackupAll(const midi::MidiDevices& devices, const TransferOptions& options,
                 std::ostream& out, std::ostream& err)
{
    TransferSession session(devices, options.model);
    session.openInput(options.in);
    session.openOutput(options.out);
    InstrumentBackup backup(options.model, session.output());
    ProgressLine progress(err);
    backup.start(TransferSession::Clock::now());
    session.runMachine(backup,
                       [&] { progress.show("Backing up", backup.position(), backup.maximum()); });
    progress.end();
    if (backup.status() != WholeStatus::Done) {
        err << "velmora-syx backup: " << failureOf(session, backup) << " Nothing was written.\n";
        return kExitBadData;
    }
    const std::vector<Byte> file = backup.file();
    if (const std::string error = writeFileAtomically(options.file, file); !error.empty()) {
        err << options.file << ": " << error << '\n';
        return kExitBadData;
    }
    out << "wrote " << options.file << " (" << file.size() << " bytes)\n"
        << backup.summary() << '\n';
    return kExitOk;
}

int runRestoreAll(const midi::MidiDevices& devices, const TransferOptions& options,
                  std::ostream& out, std::ostream& err)
{
    const auto bytes = readFileBytes(options.file);
    if (!bytes.ok()) {
        err << options.file << ": " << asSentence(bytes.error) << " Nothing was sent.\n";
        return kExitBadData;
    }
    const auto contents = readBackup(bytes.value);
    if (!contents) {
        err << options.file << ": holds no whole bank of 100 patches. Nothing was sent.\n";
        return kExitBadData;
    }
    RestoreChoice choice;
    choice.check = options.check;
    choice.master = options.master;
    if (contents->model == SynthModel::Matrix1000) {
        choice.banks = options.banks;
        if (choice.banks.empty()) {
            for (int b : {0, 1})
                if (contents->hasBank(b))
                    choice.banks.push_back(b);
        }
        for (int b : choice.banks) {
            if (!contents->hasBank(b)) {
                err << options.file << ": holds no whole bank " << b << ". Nothing was sent.\n";
                return kExitBadData;
            }
        }
        if (choice.banks.empty()) {
            err << options.file
                << ": holds neither bank 0 nor bank 1, the banks a Matrix-1000 can store. "
                   "Nothing was sent.\n";
            return kExitBadData;
        }
    }

    TransferSession session(devices, contents->model);
    session.openInput(options.in);
    session.openOutput(options.out);
    InstrumentRestore restore(*contents, choice, session.output());
    ProgressLine progress(err);
    bool refused = false;
    restore.start(TransferSession::Clock::now());
    session.runMachine(restore, [&] {
        if (restore.needsDecision()) {
            if (options.unprotect) {
                restore.proceed(true, TransferSession::Clock::now());
            } else {
                refused = true;
                restore.cancel(TransferSession::Clock::now());
            }
        }
        progress.show("Restoring", restore.position(), restore.maximum());
    });
    progress.end();
    if (refused) {
        err << "velmora-syx restore: memory protect is on in the instrument, so it would "
               "ignore the patches. Nothing was written. Run again with --unprotect to switch "
               "it off for the restore (and on again after), or switch it off on the "
               "instrument.\n";
        return kExitBadData;
    }
    if (restore.status() != WholeStatus::Done) {
        err << "velmora-syx restore: " << failureOf(session, restore) << '\n';
        return kExitBadData;
    }
    out << restore.summary() << '\n';
    return !options.check || restore.verified() ? kExitOk : kExitBadData;
}

} // namespace velmora::syx
