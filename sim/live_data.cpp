#include "sim/live_data.h"

#include <cmath>
#include <numbers>

namespace tarn::sim {
namespace {

constexpr double kPedalPeriod = 8.0;  // seconds for one sweep up and down
constexpr double kPedalRest = 25.0;
constexpr double kPedalTravel = 200.0;
constexpr double kBrakeFrom = 7.0;  // brake pressed in the last second of a sweep
constexpr std::uint8_t kBrakeReleased = 10;
constexpr std::uint8_t kBrakePressed = 180;
constexpr double kFootSwitchFrom = 40.0;
constexpr double kMaxSpeed = 3000.0;  // rpm at full pedal
constexpr double kPolePairs = 4.0;
constexpr int kHallSectors = 6;
constexpr std::uint8_t kHallPattern[kHallSectors][3] = {{1, 0, 1}, {1, 0, 0}, {1, 1, 0},
                                                        {0, 1, 0}, {0, 1, 1}, {0, 0, 1}};
constexpr double kBatteryRest = 51.0;
constexpr double kBatterySag = 3.0;
constexpr double kMotorTemp = 35.0, kMotorTempSwing = 10.0, kMotorTempPeriod = 120.0;
constexpr double kBoardTemp = 32.0, kBoardTempSwing = 6.0, kBoardTempPeriod = 90.0;
constexpr double kCurrentIdle = 20.0, kCurrentLoad = 180.0;

// Error bits: "High Pedel" for 3 s of every 20 s, "Низкое напряжение" for 4 s
// of every 45 s.
constexpr std::uint16_t kErrorHighPedal = 1u << 7;
constexpr std::uint16_t kErrorLowVoltage = 1u << 2;

enum Offset : std::size_t {
  kTps = 0,
  kBrake = 1,
  kBrakeSwitch1 = 2,
  kFootSwitch = 3,
  kForward = 4,
  kReverse = 5,
  kHallA = 6,
  kBatteryVoltage = 9,
  kMotorTemperature = 10,
  kBoardTemperature = 11,
  kBrakeSwitch2 = 14,
  kErrorWord = 16,
  kMotorSpeed = 18,
  kPhaseCurrent = 20,
};

void PutWord(LiveData& data, std::size_t offset, unsigned value) {
  data[offset] = static_cast<std::uint8_t>(value >> 8);
  data[offset + 1] = static_cast<std::uint8_t>(value);
}

double Wave(double seconds, double period) {
  return std::sin(2.0 * std::numbers::pi * seconds / period);
}

// 0 at rest, 1 at full pedal, up and down once per period.
double PedalPosition(double seconds) {
  double phase = std::fmod(seconds, kPedalPeriod) / kPedalPeriod;
  return phase < 0.5 ? phase * 2.0 : 2.0 - phase * 2.0;
}

}  // namespace

LiveData MovingLiveData(double seconds) {
  LiveData data{};
  const double pedal = PedalPosition(seconds);
  const bool braking = std::fmod(seconds, kPedalPeriod) >= kBrakeFrom;
  const double tps = kPedalRest + pedal * kPedalTravel;
  const double rpm = pedal * kMaxSpeed;
  data[kTps] = static_cast<std::uint8_t>(tps);
  data[kBrake] = braking ? kBrakePressed : kBrakeReleased;
  data[kBrakeSwitch1] = braking ? 1 : 0;
  data[kBrakeSwitch2] = data[kBrakeSwitch1];
  data[kFootSwitch] = tps > kFootSwitchFrom ? 1 : 0;
  data[kForward] = 1;
  data[kReverse] = 0;
  const double turns = seconds * rpm / 60.0 * kPolePairs * kHallSectors;
  const int sector = static_cast<int>(std::fmod(turns, kHallSectors));
  for (int k = 0; k < 3; ++k) data[kHallA + k] = kHallPattern[sector][k];
  data[kBatteryVoltage] = static_cast<std::uint8_t>(kBatteryRest - kBatterySag * pedal);
  data[kMotorTemperature] =
      static_cast<std::uint8_t>(kMotorTemp + kMotorTempSwing * Wave(seconds, kMotorTempPeriod));
  data[kBoardTemperature] =
      static_cast<std::uint8_t>(kBoardTemp + kBoardTempSwing * Wave(seconds, kBoardTempPeriod));
  unsigned errors = 0;
  if (std::fmod(seconds, 20.0) < 3.0) errors |= kErrorHighPedal;
  if (std::fmod(seconds, 45.0) >= 10.0 && std::fmod(seconds, 45.0) < 14.0) {
    errors |= kErrorLowVoltage;
  }
  PutWord(data, kErrorWord, errors);
  PutWord(data, kMotorSpeed, static_cast<unsigned>(rpm));
  PutWord(data, kPhaseCurrent, static_cast<unsigned>(kCurrentIdle + kCurrentLoad * pedal));
  return data;
}

ZeroPointReading NoisyZeroPoints(std::uint32_t& noiseState) {
  constexpr ZeroPointReading kZero = {2048, 2046, 1985, 1992, 1989};
  constexpr std::uint32_t kMultiplier = 1664525u, kIncrement = 1013904223u;
  constexpr int kNoiseSpan = 5;  // -2 .. +2
  ZeroPointReading reading{};
  for (std::size_t i = 0; i < kZeroPointCount; ++i) {
    noiseState = noiseState * kMultiplier + kIncrement;
    const int noise = static_cast<int>((noiseState >> 16) % kNoiseSpan) - kNoiseSpan / 2;
    reading[i] = static_cast<std::uint16_t>(kZero[i] + noise);
  }
  return reading;
}

}  // namespace tarn::sim
