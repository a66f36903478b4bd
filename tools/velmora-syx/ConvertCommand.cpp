// velmora-syx convert: between the raw formats and SysEx, one patch out of a
// bank, and many patches into one bank.
#include "velmora-syx/SyxCommand.h"
#include "velmora-syx/SyxFiles.h"

namespace velmora::syx {
namespace {

// One file's work: the bytes to write, or why there are none.
using Converted = Result<Bytes>;

bool isPatchFile(FileType type)
{
    return type == FileType::Sysex || type == FileType::RawPatch || type == FileType::RawBank;
}

int usage(std::ostream& err, const std::string& text)
{
    err << "velmora-syx convert: " << text << '\n';
    return kExitUsage;
}

Converted fromPatch(const Result<LoadedPatch>& patch, FileType to, Byte number)
{
    if (!patch.ok())
        return {{}, patch.error};
    const PatchBuffer& p = patch.value.buffer;
    if (to == FileType::RawPatch)
        return {Bytes(p.begin(), p.end()), {}};
    return {rawPatchToSysex(p, number), {}};
}

// One input, one output: the conversions of the two formats' kinds.
Converted convertOne(const Options& options, const Bytes& data, FileType from, FileType to)
{
    const auto index = static_cast<std::size_t>(options.index);
    const auto number = static_cast<Byte>(options.number);
    switch (from) {
    case FileType::RawPatch:
        return fromPatch(loadPatch(data, from, 0), to, number);
    case FileType::RawBank:
        if (to == FileType::Sysex && !options.indexGiven) {
            if (data.size() < kRawBankSize)
                return {{}, inspectRaw(data, from).problem()};
            return {rawBankToSysex(data), {}};
        }
        // Entry N: as a bank message would carry it unless --number says.
        return fromPatch(loadPatch(data, from, index), to,
                         options.numberGiven ? number : static_cast<Byte>(index));
    case FileType::Sysex:
        if (to == FileType::RawPatch)
            return sysexToRawPatch(data, index, options.ignoreChecksum);
        if (to == FileType::RawBank)
            return sysexToRawBank(data, options.ignoreChecksum);
        {
            // The message as it stands; only its number may change.
            Converted message = patchMessage(data, index, options.ignoreChecksum);
            if (message.ok() && options.numberGiven)
                message.value[4] = number;
            return message;
        }
    case FileType::Unknown:
        break;
    }
    return {{}, "is not a patch or bank file"};
}

} // namespace

int runConvert(const Options& options, std::ostream& out, std::ostream& err)
{
    if (options.files.size() < 2)
        return usage(err, "name the file to read and the file to write");
    const std::vector<std::string> inputs(options.files.begin(), options.files.end() - 1);
    const std::string& outFile = options.files.back();
    const FileType to = fileTypeOf(outFile);
    if (isMidiPath(outFile))
        return usage(err, "writes .syx, .vmp and .vmb files; cannot write " + outFile);
    const bool assemble = options.assemble || inputs.size() > 1;
    if (options.number > 99)
        return usage(err, "--number takes a patch number from 0 to 99");

    std::vector<FileType> types;
    for (const std::string& in : inputs) {
        types.push_back(fileTypeOf(in));
        if (!isPatchFile(types.back()))
            return usage(err, "reads .syx, .mid, .vmp and .vmb files; cannot read " + in);
    }
    if (assemble) {
        if (to != FileType::Sysex && to != FileType::RawBank)
            return usage(err, "a bank is written as .syx or .vmb; cannot write " + outFile);
        if (options.indexGiven || options.numberGiven)
            return usage(err, "--index and --number do not go with --assemble");
    } else {
        const FileType from = types.front();
        const bool sameKind = from == to && from != FileType::Sysex;
        const bool raws = from == FileType::RawPatch && to == FileType::RawBank;
        if (!isPatchFile(to) || sameKind || raws ||
            (from == FileType::Sysex && to == FileType::Sysex && !options.indexGiven))
            return usage(err,
                         "cannot convert " + inputs.front() + " to " + outFile +
                             " (see --help: --index N takes one patch, --assemble makes a bank)");
    }

    std::vector<PatchBuffer> patches;
    Converted converted;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const auto bytes = readFileBytes(inputs[i]);
        if (!bytes.ok()) {
            err << inputs[i] << ": " << bytes.error << '\n';
            return kExitBadData;
        }
        if (!assemble) {
            converted = convertOne(options, bytes.value, types[i], to);
        } else if (auto found = collectPatches(bytes.value, types[i], options.ignoreChecksum);
                   found.ok()) {
            patches.insert(patches.end(), found.value.begin(), found.value.end());
        } else {
            converted.error = found.error;
        }
        if (!converted.ok()) {
            err << inputs[i] << ": " << converted.error << "; " << outFile << " was not written\n";
            return kExitBadData;
        }
    }
    if (assemble) {
        if (patches.size() > kBankPatchCount) {
            err << "velmora-syx convert: the inputs hold " << patches.size()
                << " patches; a bank holds 100; " << outFile << " was not written\n";
            return kExitBadData;
        }
        converted.value = assembleBank(patches, to);
    }
    if (const std::string error = writeFileAtomically(outFile, converted.value); !error.empty()) {
        err << outFile << ": " << error << '\n';
        return kExitBadData;
    }
    out << "wrote " << outFile << " (" << converted.value.size() << " bytes";
    if (assemble)
        out << ", " << patches.size() << (patches.size() == 1 ? " patch" : " patches");
    out << ")\n";
    return kExitOk;
}

} // namespace velmora::syx
