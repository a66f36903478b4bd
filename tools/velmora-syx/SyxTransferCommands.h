// The velmora-syx commands that move patches to and from the instrument over
// MIDI: backup, restore, get and put. They take the device list so that tests
// can hand them one with the built-in virtual instrument alone.
#pragma once

#include "MidiDevices.h"
#include "Model.h"

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
    Model model = Model::Matrix1000;
    int bank = 0;
    std::optional<int> number;
    std::string file;
};

// After the bank and the splits, the global dump is waited for this long
// past the last message heard.
inline constexpr std::chrono::milliseconds kGlobalGrace{1000};

bool IsTransferCommand(const std::string& command);
// `args` starts with the command name. Exit codes as RunSyx.
int RunTransferCommand(const midi::MidiDevices& devices, const std::vector<std::string>& args,
                       std::ostream& out, std::ostream& err);

int RunBackup(const midi::MidiDevices& devices, const TransferOptions& options, std::ostream& out,
              std::ostream& err);
int RunGet(const midi::MidiDevices& devices, const TransferOptions& options, std::ostream& out,
           std::ostream& err);
int RunRestore(const midi::MidiDevices& devices, const TransferOptions& options, std::ostream& out,
               std::ostream& err);
int RunPut(const midi::MidiDevices& devices, const TransferOptions& options, std::ostream& out,
           std::ostream& err);

// The side files of a backup: FILE without its .syx, then "-splits.syx" or
// "-global.syx".
std::string SideFileName(const std::string& file, const std::string& suffix);

} // namespace velmora::syx
