#include "protocol/SysexScanner.h"

#include "protocol/SysexCodec.h"

namespace velmora {

SysexScan scanSysex(std::span<const Byte> data)
{
    SysexScan scan;
    bool inside = false;
    SysexSpan current;
    for (std::size_t i = 0; i < data.size(); ++i) {
        const Byte b = data[i];
        if (inside) {
            if (b < 0x80)
                continue;
            current.length = i - current.offset + (b == kSysexEnd ? 1 : 0);
            current.complete = b == kSysexEnd;
            scan.messages.push_back(current);
            inside = false;
            if (b == kSysexEnd)
                continue;
        }
        if (b == kSysexStart) {
            inside = true;
            current = SysexSpan{i, 0, false};
        } else {
            ++scan.strayBytes;
        }
    }
    if (inside) {
        current.length = data.size() - current.offset;
        scan.messages.push_back(current);
    }
    return scan;
}

} // namespace velmora
