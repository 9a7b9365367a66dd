#pragma once
#include <cstdint>
#include <random>

namespace velmar::sim {

struct LaserReadings {
  double current_ma;
  double voltage_v;
  double photodiode_ua;
  int output;
  int event;
  int condition;
};

struct TecReadings {
  double current_a;
  double voltage_v;
  double temperature_c;
  double resistance_kohm;
  int output;
  int event;
  int condition;
};

// A laser driver and TEC controller whose readings wander smoothly around their set points:
// a slow sinusoid plus a bounded random walk, so logs look alive but stay plausible.
class InstrumentModel {
 public:
  static constexpr double kLaserSetPointMa = 150.0;
  static constexpr double kTecSetPointC = 25.0;

  explicit InstrumentModel(std::uint64_t seed);

  // Moves the drift forward to the given time since start; earlier times change nothing.
  void AdvanceTo(double seconds);

  LaserReadings Laser() const;
  TecReadings Tec() const;
  int ErrorCode() const { return 0; }

  // 10 kOhm NTC thermistor (beta 3950 K), the sensor a TEC controller typically reads.
  static double ThermistorKohm(double celsius);

 private:
  // Mean-reverting walk with a fixed spread: exact for any step, so irregular polling is fine.
  struct Walk {
    double spread;
    double time_constant_s;
    double value = 0.0;
  };
  void Step(Walk& walk, double dt);

  std::mt19937_64 rng_;
  double now_s_ = 0.0;
  double laser_phase_;
  double tec_phase_;
  Walk laser_walk_{0.05, 20.0};
  Walk voltage_walk_{0.0005, 30.0};
  Walk photodiode_walk_{0.002, 40.0};
  Walk tec_walk_{0.002, 60.0};
  Walk tec_current_walk_{0.004, 15.0};
};

}  // namespace velmar::sim
