// Patch and split names: eight (or six) bytes, no terminator, filled up with
// blanks, drawn from the instrument's 55-character set.
#pragma once

#include "protocol/PatchRecord.h"

#include <span>
#include <string>
#include <string_view>

namespace velmora {

// True for the 55 characters a name may hold: A..Z, 0..9, the blank,
// ! ? $ = - + / \ * . , < > _ " & ^ @.
bool isNameCharacter(char32_t c);

// A typed name as the instrument can hold it: cut to `length` characters,
// turned to capitals, every character outside the set made a blank, filled
// up with blanks to `length`.
std::string normaliseName(std::u32string_view typed, std::size_t length = kPatchNameLength);
// The same for text whose bytes are Latin-1 characters.
std::string normaliseName(std::string_view typed, std::size_t length = kPatchNameLength);

// A Matrix-6 sends names in a 6-bit form: every byte below 32 is raised by 64
// on reception (1 becomes 'A', 0 becomes '@'). Names are sent back as held.
void raiseMatrix6Name(std::span<Byte> name);

// The name bytes of a record as they stand, one byte per character, untrimmed.
std::string patchNameOf(std::span<const Byte> record);

// The Matrix-1000 keeps no names: every patch it sends carries "BNKb: nn"
// (bank digit, colon, blank, two digits) in its eight name bytes. True for
// such a name (or a record whose first eight bytes are one), which tells
// nothing about the sound.
bool isPlaceholderName(std::span<const Byte> name);

} // namespace velmora
