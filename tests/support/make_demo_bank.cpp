// Writes a demonstration bank in both forms the tools read: DIR/demo-bank.vmb
// (raw) and DIR/demo-bank.syx (100 patch messages).
#include "support/DemoPatches.h"
#include "velmora-syx/SyxFiles.h"

#include <filesystem>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: make_demo_bank DIR\n";
        return 2;
    }
    const std::filesystem::path dir(argv[1]);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    const auto raw = velmora::demo::demoRawBank();
    const auto sysex = velmora::syx::rawBankToSysex(
        std::span<const velmora::Byte, velmora::syx::kRawBankSize>(raw.data(), raw.size()));
    for (const auto& [name, bytes] :
         {std::pair{"demo-bank.vmb", &raw}, {"demo-bank.syx", &sysex}}) {
        const auto path = (dir / name).string();
        if (const auto error = velmora::syx::writeFileAtomically(path, *bytes); !error.empty()) {
            std::cerr << path << ": " << error << '\n';
            return 1;
        }
        std::cout << "wrote " << path << '\n';
    }
    return 0;
}
