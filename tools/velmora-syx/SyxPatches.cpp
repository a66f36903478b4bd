// The librarian's formats as collections of patches: listing the entries of
// raw files, gathering the patches of any file, and building a bank of them.
#include "protocol/Messages.h"
#include "protocol/PatchName.h"
#include "protocol/SysexScanner.h"
#include "velmora-syx/SyxFiles.h"

#include <algorithm>

namespace velmora::syx {
namespace {

std::string count(std::size_t n, std::string_view one, std::string_view many)
{
    return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

std::string noPatches(const SysexScan& scan)
{
    return scan.messages.empty() ? "holds no SysEx message" : "holds no patch message";
}

bool isPatchMessage(const SysexSpan& span)
{
    return span.complete && classifyDump(span.length) == DumpKind::Patch;
}

std::string checksumFault(std::size_t index, std::size_t offset)
{
    return "patch message " + std::to_string(index) + " at byte " + std::to_string(offset) +
           " fails its checksum (use --ignore-checksum to convert it anyway)";
}

} // namespace

std::string RawReport::problem() const
{
    if (size >= expected)
        return {};
    return "is " + count(size, "byte", "bytes") + "; a raw " +
           (expected == kPatchBufferSize ? "patch file is 135" : "bank file is 13500") + " bytes";
}

RawReport inspectRaw(std::span<const Byte> data, FileType type, bool matrix6Names)
{
    RawReport report;
    report.expected = type == FileType::RawBank ? kRawBankSize : kPatchBufferSize;
    report.size = data.size();
    if (data.size() < report.expected)
        return report;
    for (std::size_t offset = 0; offset < report.expected; offset += kPatchBufferSize) {
        PatchBuffer entry{};
        std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(offset), kPatchBufferSize,
                    entry.begin());
        if (matrix6Names)
            raiseMatrix6Name(std::span<Byte>(entry).first(kPatchNameLength));
        report.entries.push_back(
            {report.entries.size(), offset, patchNameOf(entry), entry[kPatchRecordSize]});
    }
    return report;
}

Result<std::vector<PatchBuffer>> collectPatches(std::span<const Byte> data, FileType type,
                                                bool ignoreChecksums)
{
    std::vector<PatchBuffer> patches;
    if (type == FileType::RawPatch || type == FileType::RawBank) {
        const RawReport raw = inspectRaw(data, type);
        if (const std::string problem = raw.problem(); !problem.empty())
            return {{}, problem};
        for (const RawEntry& entry : raw.entries) {
            PatchBuffer& p = patches.emplace_back();
            std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(entry.offset), p.size(),
                        p.begin());
        }
        return {std::move(patches), {}};
    }
    const SysexScan scan = scanSysex(data);
    for (const SysexSpan& span : scan.messages) {
        if (!isPatchMessage(span))
            continue;
        PatchBuffer buffer{};
        const auto status = unpackBlock(data.subspan(span.offset, span.length), recordOf(buffer));
        if (status != UnpackStatus::Ok && !ignoreChecksums)
            return {{}, checksumFault(patches.size(), span.offset)};
        patches.push_back(buffer);
    }
    if (patches.empty())
        return {{}, noPatches(scan)};
    return {std::move(patches), {}};
}

Bytes assembleBank(std::span<const PatchBuffer> patches, FileType type)
{
    std::array<PatchBuffer, kBankPatchCount> bank{};
    std::copy_n(patches.begin(), std::min(patches.size(), bank.size()), bank.begin());
    if (type == FileType::RawBank) {
        Bytes raw;
        raw.reserve(kRawBankSize);
        for (const PatchBuffer& entry : bank)
            raw.insert(raw.end(), entry.begin(), entry.end());
        return raw;
    }
    Bytes sysex(kBankSysexSize);
    for (std::size_t k = 0; k < bank.size(); ++k)
        writeBlockMessage(opcode::patchToMemory, static_cast<Byte>(k), recordOf(bank[k]),
                          sysex.data() + k * kPatchMessageSize);
    return sysex;
}

Result<Bytes> patchMessage(std::span<const Byte> data, std::size_t index, bool ignoreChecksums)
{
    const SysexScan scan = scanSysex(data);
    std::size_t seen = 0;
    for (const SysexSpan& span : scan.messages) {
        if (!isPatchMessage(span) || seen++ != index)
            continue;
        const auto message = data.subspan(span.offset, span.length);
        PatchRecord record{};
        if (unpackBlock(message, record) != UnpackStatus::Ok && !ignoreChecksums)
            return {{}, checksumFault(index, span.offset)};
        return {Bytes(message.begin(), message.end()), {}};
    }
    if (seen == 0)
        return {{}, noPatches(scan)};
    return {{},
            "holds " + count(seen, "patch message", "patch messages") + "; there is no patch " +
                std::to_string(index)};
}

} // namespace velmora::syx
