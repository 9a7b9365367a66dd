#include "tools/sim/instrument_model.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velmar::sim {

namespace {

constexpr double kKelvinOffset = 273.15;
constexpr double kThermistorR25Kohm = 10.0;
constexpr double kThermistorReferenceK = 25.0 + kKelvinOffset;
constexpr double kThermistorBetaK = 3950.0;
constexpr double kLaserSwingMa = 0.4;
constexpr double kLaserPeriodS = 90.0;
constexpr double kTecSwingC = 0.004;
constexpr double kTecPeriodS = 300.0;
// Photodiode current per laser current: a typical back-facet monitor ratio.
constexpr double kMonitorUaPerMa = 0.82;
// The TEC pushes harder the further the sensor is from its set point.
constexpr double kTecBaseCurrentA = 0.5;
constexpr double kTecGainAPerC = 5.0;
// About 2 Ohm of module resistance plus a small junction offset.
constexpr double kTecOffsetV = 0.2;
constexpr double kTecOhms = 2.0;

double Wave(double seconds, double period, double phase) {
  return std::sin(2.0 * std::numbers::pi * seconds / period + phase);
}

}  // namespace

InstrumentModel::InstrumentModel(std::uint64_t seed) : rng_(seed) {
  std::uniform_real_distribution<double> phase(0.0, 2.0 * std::numbers::pi);
  laser_phase_ = phase(rng_);
  tec_phase_ = phase(rng_);
}

void InstrumentModel::Step(Walk& walk, double dt) {
  const double keep = std::exp(-dt / walk.time_constant_s);
  std::normal_distribution<double> noise(0.0, 1.0);
  walk.value = walk.value * keep + walk.spread * std::sqrt(1.0 - keep * keep) * noise(rng_);
  // The tails of a Gaussian would now and then produce implausible readings.
  walk.value = std::clamp(walk.value, -4.0 * walk.spread, 4.0 * walk.spread);
}

void InstrumentModel::AdvanceTo(double seconds) {
  if (!(seconds > now_s_)) return;
  const double dt = seconds - now_s_;
  now_s_ = seconds;
  for (Walk* walk : {&laser_walk_, &voltage_walk_, &photodiode_walk_, &tec_walk_, &tec_current_walk_})
    Step(*walk, dt);
}

LaserReadings InstrumentModel::Laser() const {
  const double current =
      kLaserSetPointMa + kLaserSwingMa * Wave(now_s_, kLaserPeriodS, laser_phase_) + laser_walk_.value;
  LaserReadings r{};
  r.current_ma = current;
  r.voltage_v = 1.85 + 0.0015 * (current - kLaserSetPointMa) + voltage_walk_.value;
  r.photodiode_ua = current * kMonitorUaPerMa * (1.0 + photodiode_walk_.value);
  r.output = 1;
  r.event = 0;
  r.condition = 1;  // bit 0: output on
  return r;
}

TecReadings InstrumentModel::Tec() const {
  const double deviation = kTecSwingC * Wave(now_s_, kTecPeriodS, tec_phase_) + tec_walk_.value;
  TecReadings r{};
  r.temperature_c = kTecSetPointC + deviation;
  r.resistance_kohm = ThermistorKohm(r.temperature_c);
  r.current_a = kTecBaseCurrentA + kTecGainAPerC * deviation + tec_current_walk_.value;
  r.voltage_v = kTecOffsetV + kTecOhms * r.current_a;
  r.output = 1;
  r.event = 0;
  r.condition = 1;  // bit 0: output on
  return r;
}

double InstrumentModel::ThermistorKohm(double celsius) {
  return kThermistorR25Kohm *
         std::exp(kThermistorBetaK * (1.0 / (celsius + kKelvinOffset) - 1.0 / kThermistorReferenceK));
}

}  // namespace velmar::sim
