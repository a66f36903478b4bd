// The velmora-syx commands that move patches to and from the instrument over
// MIDI (backup, restore, get and put) and detect, which asks what answers.
// They take the device list so that tests can hand them one with the
// built-in virtual instrument alone.
#pragma once

#include "midi/MidiDevices.h"
#include "protocol/SynthModel.h"

#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace velmora::syx {

struct TransferOptions
{
    std::string in;  // MIDI input port: number or part of the name
    std::string out; // MIDI output port
    SynthModel model = SynthModel::Matrix1000;
    int bank = 0;
    std::optional<int> number;
    std::string file;
    // Whole-instrument backup and restore (--all), the banks restore writes
    // (--banks; none given: every writable bank the backup holds), whether
    // uploads are read back and compared (--no-check turns it off), whether
    // memory protect may be switched off for the restore (--unprotect), and
    // whether a Matrix-6 restore writes the master record (--master).
    bool all = false;
    std::vector<int> banks;
    bool check = true;
    bool unprotect = false;
    bool master = false;
};

// After the bank and the splits, the global dump is waited for this long
// past the last message heard.
inline constexpr std::chrono::milliseconds kGlobalGrace{1000};
// detect waits this long at most for the answers.
inline constexpr std::chrono::milliseconds kDetectTimeout{1500};

bool isTransferCommand(const std::string& command);
// `args` starts with the command name. Exit codes as runSyx.
int runTransferCommand(const midi::MidiDevices& devices, const std::vector<std::string>& args,
                       std::ostream& out, std::ostream& err);

int runBackup(const midi::MidiDevices& devices, const TransferOptions& options, std::ostream& out,
              std::ostream& err);
int runGet(const midi::MidiDevices& devices, const TransferOptions& options, std::ostream& out,
           std::ostream& err);
int runRestore(const midi::MidiDevices& devices, const TransferOptions& options, std::ostream& out,
               std::ostream& err);
// What answers on the ports: model, MIDI channel, inquiry revision bytes.
int runDetect(const midi::MidiDevices& devices, const TransferOptions& options, std::ostream& out,
              std::ostream& err);
// backup --all and restore --all.
int runBackupAll(const midi::MidiDevices& devices, const TransferOptions& options,
                 std::ostream& out, std::ostream& err);
int runRestoreAll(const midi::MidiDevices& devices, const TransferOptions& options,
                  std::ostream& out, std::ostream& err);
int runPut(const midi::MidiDevices& devices, const TransferOptions& options, std::ostream& out,
           std::ostream& err);

// The side files of a backup: FILE without its .syx, then "-splits.syx" or
// "-global.syx".
std::string sideFileName(const std::string& file, const std::string& suffix);

} // namespace velmora::syx
