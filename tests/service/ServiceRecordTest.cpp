// Targets as the command line names them.
#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "service/platform/ServiceRecord.h"

namespace wendlock {
namespace {

TEST(ServiceRecord, ParsesTargets) {
  // The target, its host or address, its port or channel, as described.
  const std::tuple<std::string, const char*, unsigned, const char*> cases[] = {
      {"tcp:127.0.0.1", "127.0.0.1", 650, "tcp:127.0.0.1:650"},
      {"tcp:127.0.0.1:9650", "127.0.0.1", 9650, "tcp:127.0.0.1:9650"},
      {"tcp:localhost:65535", "localhost", 65535, "tcp:localhost:65535"},
      {"tcp:[::1]", "::1", 650, "tcp:[::1]:650"},
      {"tcp:[fe80::1]:1", "fe80::1", 1, "tcp:[fe80::1]:1"},
      {"bt:00:1a:7d:da:71:13", "00:1A:7D:DA:71:13", 0, "bt:00:1A:7D:DA:71:13"},
      {"bt:00:1A:7D:DA:71:13@30", "00:1A:7D:DA:71:13", 30, "bt:00:1A:7D:DA:71:13@30"},
  };
  for (const auto& [text, where, number, described] : cases) {
    std::string error;
    const auto r = ServiceRecord::parse(text, &error);
    ASSERT_TRUE(r.has_value()) << text << ": " << error;
    const bool tcp = text.starts_with("tcp:");
    EXPECT_EQ(r->kind, tcp ? ServiceRecord::Kind::Tcp : ServiceRecord::Kind::Bluetooth);
    EXPECT_EQ(tcp ? r->host : r->address, where);
    EXPECT_EQ(tcp ? r->port : r->channel, number);
    EXPECT_EQ(r->describe(), described);
    EXPECT_EQ(r->name, described);
    // What describe() writes parses to the same target.
    EXPECT_EQ(ServiceRecord::parse(r->describe())->describe(), described);
  }
}

TEST(ServiceRecord, RefusesBadTargets) {
  // No scheme or another, a host or port missing, empty or out of range, an
  // IPv6 address without or with broken brackets, a host name; a Bluetooth
  // address short or malformed, a channel outside 1 to 30 or empty.
  std::istringstream cases(
      "tcp: udp:127.0.0.1 TCP:127.0.0.1 tcp::650 tcp:127.0.0.1: tcp:127.0.0.1:0 "
      "tcp:127.0.0.1:65536 tcp:127.0.0.1:+1 tcp:127.0.0.1:99999999999999999999 tcp:127.0.0.1:6a "
      "tcp:::1 tcp:[::1 tcp:[::1]: tcp:[::1]650 tcp:[]:650 tcp:example.org bt:00:1A:7D:DA:71 "
      "bt:00-1A-7D-DA-71-13 bt:00:1A:7D:DA:71:1G bt:00:1A:7D:DA:71:13@0 "
      "bt:00:1A:7D:DA:71:13@31 bt:00:1A:7D:DA:71:13@");
  for (std::string text; cases >> text;) {
    std::string error;
    EXPECT_FALSE(ServiceRecord::parse(text, &error).has_value()) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
  EXPECT_FALSE(ServiceRecord::parse("tcp:", nullptr).has_value());
}

}  // namespace
}  // namespace wendlock
