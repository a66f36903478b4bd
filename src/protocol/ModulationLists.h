// The modulation sources and destinations as the instrument numbers them and
// as the program shows them. The texts are used as they stand, trailing
// blanks included, because lists are matched and shown by them.
#pragma once

#include <array>
#include <string_view>

namespace velmora {

inline constexpr int kModSourceCount = 20;
inline constexpr int kModDestinationCount = 32;

// Sources 1..20 (value = position + 1), as the sample-source, tracking-input
// and bus 2..10 lists show them.
extern const std::array<std::string_view, kModSourceCount> kModSources;
// Bus 1's list differs only in its last item: "Lever 3" without the blank.
extern const std::array<std::string_view, kModSourceCount> kBus1ModSources;
// Destinations 1..32 (value = position + 1).
extern const std::array<std::string_view, kModDestinationCount> kModDestinations;

// The text for a source or destination value, or an empty view when the value
// is 0 (none) or outside the list.
std::string_view modSourceText(int value);
std::string_view modDestinationText(int value);

} // namespace velmora
