#pragma once
#include "core/broker_options.h"

namespace velmar {

// The broker's options as named values of a settings section, all but the password (which the
// caller keeps encrypted). Values: anything that reads and writes numbers and texts by section
// and name as Profile does; a missing or out-of-range value takes its default.
template <class Values>
void ReadBrokerValues(const Values& values, const wchar_t* section, BrokerOptions& broker) {
  broker.host = values.ReadText(section, L"BrokerHost");
  broker.tls = values.ReadInt(section, L"BrokerTls", 0) == 1;
  const int port = values.ReadInt(section, L"BrokerPort", DefaultBrokerPort(broker.tls));
  broker.port = port >= 1 && port <= kHighestBrokerPort ? port : DefaultBrokerPort(broker.tls);
  broker.topicPrefix = values.ReadText(section, L"TopicPrefix");
  broker.user = values.ReadText(section, L"BrokerUser");
  broker.caFile = values.ReadText(section, L"BrokerCaFile");
  broker.certFile = values.ReadText(section, L"BrokerCertFile");
  broker.keyFile = values.ReadText(section, L"BrokerKeyFile");
}

template <class Values>
void WriteBrokerValues(const Values& values, const wchar_t* section, const BrokerOptions& broker) {
  values.WriteText(section, L"BrokerHost", broker.host);
  values.WriteInt(section, L"BrokerPort", broker.port);
  values.WriteText(section, L"TopicPrefix", broker.topicPrefix);
  values.WriteText(section, L"BrokerUser", broker.user);
  values.WriteInt(section, L"BrokerTls", broker.tls ? 1 : 0);
  values.WriteText(section, L"BrokerCaFile", broker.caFile);
  values.WriteText(section, L"BrokerCertFile", broker.certFile);
  values.WriteText(section, L"BrokerKeyFile", broker.keyFile);
}

}  // namespace velmar
