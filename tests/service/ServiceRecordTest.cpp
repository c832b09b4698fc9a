// Targets as the command line names them.
#include <gtest/gtest.h>

#include "service/platform/ServiceRecord.h"

namespace wendlock {
namespace {

TEST(ServiceRecord, ParsesTargets) {
  using Kind = ServiceRecord::Kind;
  struct Case {
    const char* text;
    Kind kind;
    const char* where;  // host or address
    unsigned number;    // port or channel
    const char* described;
  };
  const Case cases[] = {
      {"tcp:127.0.0.1", Kind::Tcp, "127.0.0.1", 650, "tcp:127.0.0.1:650"},
      {"tcp:127.0.0.1:9650", Kind::Tcp, "127.0.0.1", 9650, "tcp:127.0.0.1:9650"},
      {"tcp:localhost:65535", Kind::Tcp, "localhost", 65535, "tcp:localhost:65535"},
      {"tcp:[::1]", Kind::Tcp, "::1", 650, "tcp:[::1]:650"},
      {"tcp:[fe80::1]:1", Kind::Tcp, "fe80::1", 1, "tcp:[fe80::1]:1"},
      {"bt:00:1a:7d:da:71:13", Kind::Bluetooth, "00:1A:7D:DA:71:13", 0, "bt:00:1A:7D:DA:71:13"},
      {"bt:00:1A:7D:DA:71:13@30", Kind::Bluetooth, "00:1A:7D:DA:71:13", 30,
       "bt:00:1A:7D:DA:71:13@30"},
  };
  for (const Case& c : cases) {
    std::string error;
    const auto r = ServiceRecord::parse(c.text, &error);
    ASSERT_TRUE(r.has_value()) << c.text << ": " << error;
    EXPECT_EQ(r->kind, c.kind);
    EXPECT_EQ(c.kind == Kind::Tcp ? r->host : r->address, c.where);
    EXPECT_EQ(c.kind == Kind::Tcp ? r->port : r->channel, c.number);
    EXPECT_EQ(r->describe(), c.described);
    EXPECT_EQ(r->name, c.described);
    // What describe() writes parses to the same target.
    EXPECT_EQ(ServiceRecord::parse(r->describe())->describe(), c.described);
  }
}

TEST(ServiceRecord, RefusesBadTargets) {
  const char* const cases[] = {
      "",
      "tcp:",
      "127.0.0.1",
      "udp:127.0.0.1",
      "TCP:127.0.0.1",
      "tcp::650",
      "tcp:127.0.0.1:",
      "tcp:127.0.0.1:0",
      "tcp:127.0.0.1:65536",
      "tcp:127.0.0.1:+1",
      "tcp:127.0.0.1:99999999999999999999",
      "tcp:127.0.0.1:6a",
      "tcp:::1",
      "tcp:[::1",
      "tcp:[::1]:",
      "tcp:[::1]650",
      "tcp:[]:650",
      "tcp:example.org",
      "tcp:256.0.0.1",
      "bt:",
      "bt:00:1A:7D:DA:71",
      "bt:00-1A-7D-DA-71-13",
      "bt:00:1A:7D:DA:71:1G",
      "bt:00:1A:7D:DA:71:13@0",
      "bt:00:1A:7D:DA:71:13@31",
      "bt:00:1A:7D:DA:71:13@",
      "bt:00:1A:7D:DA:71:13:",
  };
  for (const char* text : cases) {
    std::string error;
    EXPECT_FALSE(ServiceRecord::parse(text, &error).has_value()) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
  EXPECT_FALSE(ServiceRecord::parse("tcp:", nullptr).has_value());
}

}  // namespace
}  // namespace wendlock
