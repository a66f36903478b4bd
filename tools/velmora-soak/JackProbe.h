// Whether a JACK server runs: asked by the programs that need one and skip
// without it (the end-to-end tests, the benchmarks over JACK).
#pragma once

namespace velmora::soak {

// Silences libjack's error and information messages; a client that finds no
// server would print several lines.
void quietenJack();

// True when a JACK client can be opened without starting a server. The probe
// client is closed again at once.
bool jackServerRuns();

} // namespace velmora::soak
