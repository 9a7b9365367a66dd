#pragma once
#include "core/broker_options.h"
#include "core/split_options.h"

namespace velmar {

// The options of the "Log Options" dialog, kept in their own "Options" key beside "Settings":
// none of them changes what the program does until it is chosen.
struct LogOptions {
  SplitOptions split;
  BrokerOptions broker;
  // A sound with each new alarm.
  bool alarmSound = false;

  bool operator==(const LogOptions&) const = default;
};

}  // namespace velmar
