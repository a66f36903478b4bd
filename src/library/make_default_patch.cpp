// Writes the initial patch "default.syx" that ships beside the program: the
// basic patch as a patch SysEx file (one patch-to-memory message, number 0).
// Run by the build; the only argument is the file to write.
#include "library/InitPatch.h"
#include "protocol/Messages.h"

#include <cstdio>
#include <fstream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_default_patch <default.syx>\n");
        return 2;
    }
    const velmora::PatchBuffer patch = velmora::library::basicPatch();
    const velmora::Message message =
        velmora::blockMessage(velmora::opcode::patchToMemory, 0, velmora::recordOf(patch));
    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(message.data()),
               static_cast<std::streamsize>(message.size()));
    file.close();
    if (!file) {
        std::fprintf(stderr, "make_default_patch: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
