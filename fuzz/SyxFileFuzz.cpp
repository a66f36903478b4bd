// Feeds arbitrary bytes to everything velmora-syx does with a file it reads:
// the message listing, patch loading as each file type, the listing of raw
// files, conversion, and the assembly of banks.
#include "SyxFiles.h"

using namespace velmora;
using namespace velmora::syx;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const Byte> bytes(data, size);
    const FileReport report = InspectSysex(bytes, size % 2 == 0);
    (void)report.Problem();
    for (const auto& m : report.messages)
        if (m.name)
            (void)PrintableName(*m.name);
    for (const FileType type : {FileType::Sysex, FileType::RawPatch, FileType::RawBank})
        (void)LoadPatch(bytes, type, size % 3);
    (void)SysexToRawPatch(bytes, 0, size % 2 == 1);
    (void)SysexToRawBank(bytes, true);
    for (const FileType type : {FileType::RawPatch, FileType::RawBank}) {
        const RawReport raw = InspectRaw(bytes, type, size % 2 == 0);
        if (raw.entries.empty() != !raw.Problem().empty())
            __builtin_trap();
    }
    const FileType type = size % 3 == 0   ? FileType::Sysex
                          : size % 3 == 1 ? FileType::RawPatch
                                          : FileType::RawBank;
    const auto patches = CollectPatches(bytes, type, size % 2 == 0);
    if (patches.ok() && AssembleBank(patches.value, type).size() !=
                            (type == FileType::RawBank ? kRawBankSize : kBankSysexSize))
        __builtin_trap();
    if (const auto message = PatchMessage(bytes, size % 5, true);
        message.ok() && message.value.size() != kPatchMessageSize)
        __builtin_trap();
    return 0;
}
