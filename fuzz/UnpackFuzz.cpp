// Feeds arbitrary bytes to the dump unpacker under every block length and
// checksum rule the program uses, and checks that a good checksum means the
// block re-packs to the same message body.
#include "protocol/Messages.h"
#include "protocol/SysexCodec.h"

#include <cstdlib>
#include <cstring>
#include <vector>

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const Byte> message(data, size);
    const DumpKind kind = classifyDump(size);
    for (const DumpKind k :
         {DumpKind::Patch, DumpKind::Split, DumpKind::Global1000, DumpKind::Master6}) {
        const UnpackResult result = unpackBlock(message, dumpBlockLength(k), dumpChecksumRule(k));
        if (result.status == UnpackStatus::TooShort && !result.block.empty())
            std::abort();
        if (k == kind && result.status == UnpackStatus::Ok) {
            // Nibbles above 0F do not survive a round trip; only check clean data.
            bool clean = true;
            for (std::size_t i = kDumpHeaderSize; i < size - 2; ++i)
                clean = clean && data[i] < 0x10;
            if (clean) {
                std::vector<Byte> again(size);
                writeBlockMessage(data[3], data[4], result.block, again.data());
                // Global records are taken with either checksum rule and
                // written with the plain sum: their checksum byte may differ.
                const std::size_t compared =
                    size - kDumpHeaderSize - (dumpChecksumRule(k) == ChecksumRule::Global ? 2 : 1);
                if (std::memcmp(again.data() + kDumpHeaderSize, data + kDumpHeaderSize, compared) !=
                    0)
                    std::abort();
            }
        }
    }
    return 0;
}
