// Feeds arbitrary bytes to everything velmora-syx does with a file it reads:
// the message listing, patch loading as each file type, the listing of raw
// files, conversion, and the assembly of banks.
#include "velmora-syx/SyxFiles.h"

using namespace velmora;
using namespace velmora::syx;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const Byte> bytes(data, size);
    const FileReport report = inspectSysex(bytes, size % 2 == 0);
    (void)report.problem();
    for (const auto& m : report.messages)
        if (m.name)
            (void)printableName(*m.name);
    for (const FileType type : {FileType::Sysex, FileType::RawPatch, FileType::RawBank})
        (void)loadPatch(bytes, type, size % 3);
    (void)sysexToRawPatch(bytes, 0, size % 2 == 1);
    (void)sysexToRawBank(bytes, true);
    for (const FileType type : {FileType::RawPatch, FileType::RawBank}) {
        const RawReport raw = inspectRaw(bytes, type, size % 2 == 0);
        if (raw.entries.empty() != !raw.problem().empty())
            __builtin_trap();
    }
    const FileType type = size % 3 == 0   ? FileType::Sysex
                          : size % 3 == 1 ? FileType::RawPatch
                                          : FileType::RawBank;
    const auto patches = collectPatches(bytes, type, size % 2 == 0);
    if (patches.ok() && assembleBank(patches.value, type).size() !=
                            (type == FileType::RawBank ? kRawBankSize : kBankSysexSize))
        __builtin_trap();
    if (const auto message = patchMessage(bytes, size % 5, true);
        message.ok() && message.value.size() != kPatchMessageSize)
        __builtin_trap();
    return 0;
}
