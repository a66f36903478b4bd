#include "velmora-syx/SyxFiles.h"

#include "protocol/Messages.h"
#include "protocol/MidiFile.h"
#include "protocol/PatchName.h"
#include "protocol/SysexScanner.h"
#include "protocol/WholeInstrument.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

namespace velmora::syx {
namespace {

std::string systemError()
{
    return std::strerror(errno);
}

std::string plural(std::size_t n, std::string_view one, std::string_view many)
{
    return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

} // namespace

Result<Bytes> readFileBytes(const std::string& path)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return {{}, "is a folder, not a file"};
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {{}, "cannot be opened: " + systemError()};
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0)
        return {{}, "cannot be read: " + systemError()};
    if (static_cast<std::size_t>(size) > kMaxFileSize)
        return {{}, "is too large to be a patch or bank file (" + std::to_string(size) + " bytes)"};
    Bytes bytes(static_cast<std::size_t>(size));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), size);
    if (in.gcount() != size)
        return {{}, "cannot be read: " + systemError()};
    if (isMidiPath(path)) {
        // A Standard MIDI File stands for the SysEx messages it carries.
        MidiFileSysex midi = sysexFromMidiFile(bytes);
        if (!midi.ok())
            return {{}, midi.error};
        return {std::move(midi.messages), {}};
    }
    return {std::move(bytes), {}};
}

std::string writeFileAtomically(const std::string& path, std::span<const Byte> bytes)
{
    namespace fs = std::filesystem;
    const fs::path target(path);
    std::random_device entropy;
    const fs::path temp = target.string() + ".tmp" + std::to_string(entropy() % 1000000);
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return "cannot be written: " + systemError();
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            const std::string error = "cannot be written: " + systemError();
            std::error_code ignored;
            fs::remove(temp, ignored);
            return error;
        }
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return "cannot be written: " + ec.message();
    }
    return {};
}

namespace {

std::string extensionOf(std::string_view path)
{
    const auto dot = path.find_last_of('.');
    if (dot == std::string_view::npos)
        return {};
    std::string ext(path.substr(dot + 1));
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

} // namespace

bool isMidiPath(std::string_view path)
{
    const std::string ext = extensionOf(path);
    return ext == "mid" || ext == "midi";
}

FileType fileTypeOf(std::string_view path)
{
    const std::string ext = extensionOf(path);
    if (ext == "syx" || isMidiPath(path))
        return FileType::Sysex;
    if (ext == "vmp")
        return FileType::RawPatch;
    if (ext == "vmb")
        return FileType::RawBank;
    return FileType::Unknown;
}

std::string FileReport::problem() const
{
    if (messages.empty())
        return "holds no SysEx message";
    std::vector<std::string> parts;
    if (badChecksums > 0)
        parts.push_back(
            plural(badChecksums, "message fails its checksum", "messages fail their checksums"));
    if (incomplete > 0)
        parts.push_back(
            plural(incomplete, "message is cut short (no F7)", "messages are cut short (no F7)"));
    std::string text;
    for (const auto& part : parts)
        text += (text.empty() ? "" : "; ") + part;
    if (!text.empty()) {
        const auto first = std::find_if(messages.begin(), messages.end(), [](const auto& m) {
            return !m.complete || (m.checksum && *m.checksum != UnpackStatus::Ok);
        });
        text += " (first: message " + std::to_string(first->index) + " at byte " +
                std::to_string(first->offset) + ")";
    }
    return text;
}

FileReport inspectSysex(std::span<const Byte> data, bool matrix6Names)
{
    FileReport report;
    const SysexScan scan = scanSysex(data);
    report.strayBytes = scan.strayBytes;
    report.messages.reserve(scan.messages.size());
    for (std::size_t i = 0; i < scan.messages.size(); ++i) {
        const SysexSpan& span = scan.messages[i];
        const auto message = data.subspan(span.offset, span.length);
        MessageInfo info;
        info.index = i;
        info.offset = span.offset;
        info.length = span.length;
        info.complete = span.complete;
        info.kind = span.complete ? classifyDump(span.length) : DumpKind::Other;
        if (message.size() > 3 && message[3] < 0x80)
            info.opcode = message[3];
        if (message.size() > 4 && message[4] < 0x80)
            info.number = message[4];
        if (info.kind != DumpKind::Other) {
            UnpackResult unpacked =
                unpackBlock(message, dumpBlockLength(info.kind), dumpChecksumRule(info.kind));
            info.checksum = unpacked.status;
            const std::size_t nameLength = info.kind == DumpKind::Patch   ? kPatchNameLength
                                           : info.kind == DumpKind::Split ? kSplitNameLength
                                                                          : 0;
            if (nameLength > 0) {
                auto name = std::span<Byte>(unpacked.block).first(nameLength);
                if (matrix6Names)
                    raiseMatrix6Name(name);
                info.name = std::string(name.begin(), name.end());
            }
            if (unpacked.status != UnpackStatus::Ok)
                ++report.badChecksums;
        }
        if (!span.complete)
            ++report.incomplete;
        ++report.counts[static_cast<int>(info.kind)];
        report.messages.push_back(std::move(info));
    }
    // Bank selects before the banks, or a Matrix-6's patches, splits and
    // master together: a whole-instrument backup.
    if (const auto contents = readBackup(data)) {
        const bool banks = contents->banks.size() > 1;
        const bool whole6 = contents->model == SynthModel::Matrix6 && !contents->splits.empty() &&
                            !contents->global.empty();
        if (banks || whole6)
            report.backup = contents->describe();
    }
    return report;
}

std::string printableName(std::string_view raw)
{
    std::string out;
    for (const char ch : raw) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += ch;
        } else {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\x%02X", c);
            out += buffer;
        }
    }
    return out;
}

Result<LoadedPatch> loadPatch(std::span<const Byte> data, FileType type, std::size_t index)
{
    LoadedPatch patch;
    switch (type) {
    case FileType::RawPatch:
        if (data.size() < kPatchBufferSize)
            return {{},
                    "is " + plural(data.size(), "byte", "bytes") +
                        "; a raw patch file is 135 bytes"};
        if (index != 0)
            return {{}, "is a single patch; there is no patch " + std::to_string(index)};
        std::copy_n(data.begin(), kPatchBufferSize, patch.buffer.begin());
        patch.hasCarriedByte = true;
        return {patch, {}};
    case FileType::RawBank:
        if (data.size() < kRawBankSize)
            return {{},
                    "is " + plural(data.size(), "byte", "bytes") +
                        "; a raw bank file is 13500 bytes"};
        if (index >= kBankPatchCount)
            return {{}, "holds patches 0 to 99; there is no patch " + std::to_string(index)};
        std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(index * kPatchBufferSize),
                    kPatchBufferSize, patch.buffer.begin());
        patch.hasCarriedByte = true;
        return {patch, {}};
    case FileType::Sysex:
    case FileType::Unknown:
        break;
    }

    const SysexScan scan = scanSysex(data);
    std::size_t seen = 0;
    for (const SysexSpan& span : scan.messages) {
        if (!span.complete || classifyDump(span.length) != DumpKind::Patch)
            continue;
        if (seen++ != index)
            continue;
        const auto message = data.subspan(span.offset, span.length);
        patch.checksum = unpackBlock(message, recordOf(patch.buffer));
        patch.number = message[4];
        return {patch, {}};
    }
    if (seen == 0)
        return {{}, scan.messages.empty() ? "holds no SysEx message" : "holds no patch message"};
    return {{},
            "holds " + plural(seen, "patch message", "patch messages") + "; there is no patch " +
                std::to_string(index)};
}

Bytes rawPatchToSysex(std::span<const Byte, kPatchBufferSize> raw, Byte number)
{
    return patchToMemory(number, raw.first<kPatchRecordSize>());
}

Bytes rawBankToSysex(std::span<const Byte> raw)
{
    raw = raw.first(kRawBankSize);
    Bytes out(kBankSysexSize);
    for (std::size_t k = 0; k < kBankPatchCount; ++k) {
        const auto entry = raw.subspan(k * kPatchBufferSize, kPatchRecordSize);
        writeBlockMessage(opcode::patchToMemory, static_cast<Byte>(k), entry,
                          out.data() + k * kPatchMessageSize);
    }
    return out;
}

Result<Bytes> sysexToRawPatch(std::span<const Byte> data, std::size_t index, bool ignoreChecksums)
{
    auto patches = collectPatches(data, FileType::Sysex, ignoreChecksums);
    if (!patches.ok())
        return {{}, patches.error};
    if (index >= patches.value.size())
        return {{},
                "holds " + plural(patches.value.size(), "patch message", "patch messages") +
                    "; there is no patch " + std::to_string(index)};
    const PatchBuffer& p = patches.value[index];
    return {Bytes(p.begin(), p.end()), {}};
}

Result<Bytes> sysexToRawBank(std::span<const Byte> data, bool ignoreChecksums)
{
    auto patches = collectPatches(data, FileType::Sysex, ignoreChecksums);
    if (!patches.ok())
        return {{}, patches.error};
    if (patches.value.size() != kBankPatchCount)
        return {{},
                "holds " + plural(patches.value.size(), "patch message", "patch messages") +
                    "; a bank needs 100"};
    Bytes out;
    out.reserve(kRawBankSize);
    for (const PatchBuffer& p : patches.value)
        out.insert(out.end(), p.begin(), p.end());
    return {std::move(out), {}};
}

} // namespace velmora::syx
