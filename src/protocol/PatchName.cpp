#include "protocol/PatchName.h"

#include <algorithm>

namespace velmora {

bool isNameCharacter(char32_t c)
{
    if ((c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9'))
        return true;
    constexpr std::u32string_view signs = U" !?$=-+/\\*.,<>_\"&^@";
    return signs.find(c) != std::u32string_view::npos;
}

std::string normaliseName(std::u32string_view typed, std::size_t length)
{
    std::string name(length, ' ');
    const std::size_t count = std::min(length, typed.size());
    for (std::size_t i = 0; i < count; ++i) {
        char32_t c = typed[i];
        if (c >= U'a' && c <= U'z')
            c = c - U'a' + U'A';
        name[i] = isNameCharacter(c) ? static_cast<char>(c) : ' ';
    }
    return name;
}

std::string normaliseName(std::string_view typed, std::size_t length)
{
    std::u32string wide(typed.size(), U'\0');
    std::transform(typed.begin(), typed.end(), wide.begin(),
                   [](char c) { return static_cast<char32_t>(static_cast<unsigned char>(c)); });
    return normaliseName(std::u32string_view(wide), length);
}

void raiseMatrix6Name(std::span<Byte> name)
{
    for (Byte& b : name) {
        if (b < 32)
            b = static_cast<Byte>(b + 64);
    }
}

std::string patchNameOf(std::span<const Byte> record)
{
    const std::size_t count = std::min(record.size(), kPatchNameLength);
    return std::string(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(count));
}

bool isPlaceholderName(std::span<const Byte> name)
{
    auto digit = [](Byte b) { return b >= '0' && b <= '9'; };
    return name.size() == kPatchNameLength && name[0] == 'B' && name[1] == 'N' && name[2] == 'K' &&
           digit(name[3]) && name[4] == ':' && name[5] == ' ' && digit(name[6]) && digit(name[7]);
}

} // namespace velmora
