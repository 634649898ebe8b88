// What the simulated controller measures: live data that moves with time and
// zero-point readings with a little noise.
#pragma once

#include <cstdint>

#include "sim/simulator.h"

namespace tarn::sim {

// The 48-byte live-data block `seconds` after start: a pedal that sweeps up
// and down, motor speed and phase current following it, Hall states turning,
// battery voltage sagging under load, slowly drifting temperatures, and a few
// error bits that come and go.
LiveData MovingLiveData(double seconds);

// A zero-point reading around a fixed zero, each value off by up to ±2.
ZeroPointReading NoisyZeroPoints(std::uint32_t& noiseState);

}  // namespace tarn::sim
