// The librarian's formats as collections of patches: listing the entries of
// raw files, gathering the patches of any file, and building a bank of them.
#include "Messages.h"
#include "PatchName.h"
#include "SysexScanner.h"
#include "SyxFiles.h"

#include <algorithm>

namespace velmora::syx {
namespace {

std::string Count(std::size_t n, std::string_view one, std::string_view many)
{
    return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

std::string NoPatches(const SysexScan& scan)
{
    return scan.messages.empty() ? "holds no SysEx message" : "holds no patch message";
}

bool IsPatchMessage(const SysexSpan& span)
{
    return span.complete && ClassifyDump(span.length) == DumpKind::Patch;
}

std::string ChecksumFault(std::size_t index, std::size_t offset)
{
    return "patch message " + std::to_string(index) + " at byte " + std::to_string(offset) +
           " fails its checksum (use --ignore-checksum to convert it anyway)";
}

} // namespace

std::string RawReport::Problem() const
{
    if (size >= expected)
        return {};
    return "is " + Count(size, "byte", "bytes") + "; a raw " +
           (expected == kPatchBufferSize ? "patch file is 135" : "bank file is 13500") + " bytes";
}

RawReport InspectRaw(std::span<const Byte> data, FileType type, bool matrix6Names)
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
            RaiseMatrix6Name(std::span<Byte>(entry).first(kPatchNameLength));
        report.entries.push_back(
            {report.entries.size(), offset, PatchNameOf(entry), entry[kPatchRecordSize]});
    }
    return report;
}

Result<std::vector<PatchBuffer>> CollectPatches(std::span<const Byte> data, FileType type,
                                                bool ignoreChecksums)
{
    std::vector<PatchBuffer> patches;
    if (type == FileType::RawPatch || type == FileType::RawBank) {
        const RawReport raw = InspectRaw(data, type);
        if (const std::string problem = raw.Problem(); !problem.empty())
            return {{}, problem};
        for (const RawEntry& entry : raw.entries) {
            PatchBuffer& p = patches.emplace_back();
            std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(entry.offset), p.size(),
                        p.begin());
        }
        return {std::move(patches), {}};
    }
    const SysexScan scan = ScanSysex(data);
    for (const SysexSpan& span : scan.messages) {
        if (!IsPatchMessage(span))
            continue;
        PatchBuffer buffer{};
        const auto status = UnpackBlock(data.subspan(span.offset, span.length), RecordOf(buffer));
        if (status != UnpackStatus::Ok && !ignoreChecksums)
            return {{}, ChecksumFault(patches.size(), span.offset)};
        patches.push_back(buffer);
    }
    if (patches.empty())
        return {{}, NoPatches(scan)};
    return {std::move(patches), {}};
}

Bytes AssembleBank(std::span<const PatchBuffer> patches, FileType type)
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
        WriteBlockMessage(opcode::PatchToMemory, static_cast<Byte>(k), RecordOf(bank[k]),
                          sysex.data() + k * kPatchMessageSize);
    return sysex;
}

Result<Bytes> PatchMessage(std::span<const Byte> data, std::size_t index, bool ignoreChecksums)
{
    const SysexScan scan = ScanSysex(data);
    std::size_t seen = 0;
    for (const SysexSpan& span : scan.messages) {
        if (!IsPatchMessage(span) || seen++ != index)
            continue;
        const auto message = data.subspan(span.offset, span.length);
        PatchRecord record{};
        if (UnpackBlock(message, record) != UnpackStatus::Ok && !ignoreChecksums)
            return {{}, ChecksumFault(index, span.offset)};
        return {Bytes(message.begin(), message.end()), {}};
    }
    if (seen == 0)
        return {{}, NoPatches(scan)};
    return {{},
            "holds " + Count(seen, "patch message", "patch messages") + "; there is no patch " +
                std::to_string(index)};
}

} // namespace velmora::syx
