// The command line of the MIDI transfers, and restore and put: files sent to
// the instrument the way Velmora's bank upload and patch upload send them.
#include "velmora-syx/SyxTransferCommands.h"

#include "velmora-syx/SyxCommand.h"
#include "velmora-syx/SyxFiles.h"
#include "velmora-syx/SyxTransfers.h"

#include "protocol/Detection.h"

#include <QTimer>

#include <charconv>
#include <exception>

namespace velmora::syx {

namespace {

bool parseInt(const std::string& text, int& value)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

// Fills `options` from the arguments after the command; "" or the complaint.
std::string parseTransferArgs(const std::vector<std::string>& args, TransferOptions& options)
{
    std::vector<std::string> files;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool takesValue = arg == "--in" || arg == "--out" || arg == "--model" ||
                                arg == "--bank" || arg == "--number" || arg == "--banks";
        if (arg == "--all" || arg == "--no-check" || arg == "--unprotect" || arg == "--master") {
            (arg == "--all"         ? options.all
             : arg == "--no-check"  ? options.check
             : arg == "--unprotect" ? options.unprotect
                                    : options.master) = arg != "--no-check";
            continue;
        }
        if (!takesValue) {
            if (arg.size() > 1 && arg[0] == '-')
                return "unknown option " + arg;
            files.push_back(arg);
            continue;
        }
        if (i + 1 >= args.size())
            return arg + " needs a value";
        const std::string& value = args[++i];
        int number = 0;
        if (arg == "--banks") {
            options.banks.clear();
            std::size_t from = 0;
            while (from <= value.size()) {
                const std::size_t comma = std::min(value.find(',', from), value.size());
                if (!parseInt(value.substr(from, comma - from), number) || number < 0 || number > 1)
                    return "--banks takes 0, 1 or 0,1 (the writable banks)";
                options.banks.push_back(number);
                from = comma + 1;
            }
        } else if (arg == "--in") {
            options.in = value;
        } else if (arg == "--out") {
            options.out = value;
        } else if (arg == "--model") {
            if (value != "1000" && value != "6")
                return "--model takes 1000 or 6";
            options.model = value == "6" ? SynthModel::Matrix6 : SynthModel::Matrix1000;
        } else if (!parseInt(value, number) || number < 0) {
            return arg + " needs a number of 0 or more";
        } else if (arg == "--bank") {
            if (number > 1)
                return "--bank takes 0 or 1";
            options.bank = number;
        } else {
            options.number = number;
        }
    }
    if (args.at(0) == "detect") {
        if (!files.empty())
            return "takes no file";
        return {};
    }
    if (files.size() != 1)
        return "name one file";
    options.file = files.front();
    return {};
}

// What the command needs beyond the file; "" or the complaint.
std::string checkNeeds(const std::string& command, const TransferOptions& options)
{
    const bool receives = command == "backup" || command == "get" || command == "detect" ||
                          (command == "restore" && options.all);
    if (receives && options.in.empty())
        return "--in names the MIDI input the instrument answers on";
    if (options.out.empty())
        return "--out names the MIDI output to the instrument";
    const int highest = options.model == SynthModel::Matrix1000 ? 199 : 99;
    if (command == "put" && (!options.number || *options.number > highest))
        return "--number takes the patch number to store into (0.." + std::to_string(highest) + ")";
    if (command == "get" && options.model == SynthModel::Matrix6 &&
        (!options.number || *options.number > 99))
        return "a Matrix-6 is asked for one patch by its number: --number 0..99";
    return {};
}

Result<Bytes> readForSending(const std::string& file)
{
    auto bytes = readFileBytes(file);
    if (!bytes.ok() || fileTypeOf(file) == FileType::RawPatch)
        return bytes;
    if (const std::string problem = inspectSysex(bytes.value).problem(); !problem.empty())
        return {{}, problem};
    return bytes;
}

} // namespace

bool isTransferCommand(const std::string& command)
{
    return command == "backup" || command == "restore" || command == "get" || command == "put" ||
           command == "detect";
}

int runTransferCommand(const midi::MidiDevices& devices, const std::vector<std::string>& args,
                       std::ostream& out, std::ostream& err)
{
    const std::string& command = args.at(0);
    TransferOptions options;
    std::string complaint = parseTransferArgs(args, options);
    if (complaint.empty())
        complaint = checkNeeds(command, options);
    if (!complaint.empty()) {
        err << "velmora-syx " << command << ": " << complaint << "\n" << kUsage;
        return kExitUsage;
    }
    try {
        if (command == "backup")
            return options.all ? runBackupAll(devices, options, out, err)
                               : runBackup(devices, options, out, err);
        if (command == "restore" && options.all)
            return runRestoreAll(devices, options, out, err);
        if (command == "get")
            return runGet(devices, options, out, err);
        if (command == "restore")
            return runRestore(devices, options, out, err);
        if (command == "detect")
            return runDetect(devices, options, out, err);
        return runPut(devices, options, out, err);
    } catch (const std::exception& e) {
        // Ports that cannot be found or opened, or fail while sending.
        err << "velmora-syx " << command << ": " << e.what() << '\n';
        return kExitBadData;
    }
}

int runDetect(const midi::MidiDevices& devices, const TransferOptions& options, std::ostream& out,
              std::ostream& err)
{
    TransferSession session(devices, options.model);
    session.openInput(options.in);
    session.openOutput(options.out);
    InstrumentDetector detector;
    session.onSysex = [&](std::span<const Byte> message) { detector.take(message); };
    bool timedOut = false;
    QTimer::singleShot(kDetectTimeout, [&] { timedOut = true; });
    for (const Message& message : detectionRequests())
        session.output().sendLong(message);
    session.runUntil([&] { return detector.complete() || timedOut; });
    const DetectionResult found = detector.result();
    if (!found.found()) {
        err << "velmora-syx detect: nothing answered on " << session.outputName()
            << " (output) and " << session.inputName()
            << " (input). Check the cables and the ports (velmora-syx ports lists them).\n";
        return kExitBadData;
    }
    out << describeFound(found) << '\n';
    return kExitOk;
}

int runRestore(const midi::MidiDevices& devices, const TransferOptions& options, std::ostream& out,
               std::ostream& err)
{
    const auto bytes = readForSending(options.file);
    const std::size_t patches = bytes.ok() ? inspectSysex(bytes.value).count(DumpKind::Patch) : 0;
    if (bytes.ok() && patches != kBankPatchCount) {
        err << options.file << ": holds " << patches
            << " patch messages; a bank is 100. Nothing was sent.\n";
        return kExitBadData;
    }
    if (!bytes.ok()) {
        err << options.file << ": " << asSentence(bytes.error) << " Nothing was sent.\n";
        return kExitBadData;
    }

    TransferSession session(devices, options.model);
    SynthRecords& records = session.records();
    for (std::size_t n = 0; n < kBankPatchCount; ++n)
        records.bank[n] = loadPatch(bytes.value, FileType::Sysex, n).value.buffer;
    session.engine().flags().bankLoaded = true;
    const bool check = options.check && !options.in.empty();
    if (check)
        session.openInput(options.in);
    session.openOutput(options.out);

    ProgressLine progress(err);
    ConsoleHost& host = session.host();
    host.bankAnswer = options.bank;
    host.onProgress = [&](int position, int maximum) {
        progress.show("Sending patches", position + 1, maximum + 1);
    };
    session.engine().sendBank();
    progress.end();
    session.drain();
    const int bank = options.model == SynthModel::Matrix1000 ? options.bank : 0;
    out << "sent " << options.file << " to bank " << bank << " (100 patches)\n";
    if (!check) {
        if (options.check)
            out << "Not read back: give --in to have the upload checked.\n";
        return kExitOk;
    }
    std::vector<std::vector<Byte>> sent;
    for (const PatchBuffer& entry : records.bank)
        sent.emplace_back(entry.begin(), entry.begin() + kPatchRecordSize);
    BankReadBack readBack(options.model, bank, std::move(sent), session.output());
    readBack.start(TransferSession::Clock::now());
    session.runMachine(readBack,
                       [&] { progress.show("Checking", readBack.position(), readBack.maximum()); });
    progress.end();
    if (readBack.status() != WholeStatus::Done) {
        err << "velmora-syx restore: the check failed: "
            << asSentence(session.host().problems.empty() ? readBack.problem()
                                                          : session.host().problems.front())
            << '\n';
        return kExitBadData;
    }
    out << describeCheck(readBack.check()) << '\n';
    return readBack.check().passed() ? kExitOk : kExitBadData;
}

int runPut(const midi::MidiDevices& devices, const TransferOptions& options, std::ostream& out,
           std::ostream& err)
{
    const FileType type = fileTypeOf(options.file);
    auto bytes = readForSending(options.file);
    if (bytes.ok() && type == FileType::RawBank)
        bytes.error = "is a bank; put takes one patch (.syx or .vmp)";
    if (bytes.ok() && type != FileType::RawPatch) {
        const std::size_t patches = inspectSysex(bytes.value).count(DumpKind::Patch);
        if (patches != 1)
            bytes.error = "holds " + std::to_string(patches) +
                          " patch messages; put takes a file with one patch";
    }
    const auto patch = bytes.ok() ? loadPatch(bytes.value, type, 0) : Result<LoadedPatch>{};
    if (!bytes.ok() || !patch.ok()) {
        err << options.file << ": " << asSentence(bytes.ok() ? patch.error : bytes.error)
            << " Nothing was sent.\n";
        return kExitBadData;
    }

    TransferSession session(devices, options.model);
    session.records().currentPatch = patch.value.buffer;
    session.engine().flags().patchLoaded = true;
    session.host().numberAnswer = options.number;
    session.openOutput(options.out);
    session.engine().storePatch();
    session.drain();
    out << "stored " << options.file << " as patch " << *options.number << '\n';
    return kExitOk;
}

} // namespace velmora::syx
