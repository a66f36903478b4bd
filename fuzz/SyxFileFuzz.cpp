// Feeds arbitrary bytes to everything velmora-syx does with a file it reads:
// the message listing, patch loading as each file type, and conversion.
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
    return 0;
}
