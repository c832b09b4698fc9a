#include "E2ETest.h"

#include <set>
#include <sstream>

namespace wendlock::e2e {

std::size_t utf16Length(const std::string& utf8) {
  std::size_t units = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    if ((byte & 0xC0) == 0x80) continue;  // a continuation byte
    units += byte >= 0xF0 ? 2 : 1;        // four-byte sequences need a surrogate pair
  }
  return units;
}

std::vector<std::string> namesBetween(std::time_t from, std::time_t to) {
  std::set<std::string> names;
  for (std::time_t t = from; t <= to; ++t) {
    std::tm utc{};
    gmtime_r(&t, &utc);
    char date[64];
    char dayPeriod[8];
    std::strftime(date, sizeof date, "%-m-%-d-%y, %-I-%M-%S", &utc);
    std::strftime(dayPeriod, sizeof dayPeriod, "%p", &utc);
    // Newer CLDR data puts a narrow no-break space before AM/PM.
    for (const char* space : {" ", "\u202F"}) {
      names.insert(std::string(date) + space + dayPeriod + ".txt");
    }
  }
  return {names.begin(), names.end()};
}

std::vector<std::string> alertsIn(const std::string& err) {
  std::vector<std::string> alerts;
  std::istringstream lines(err);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("Wendlock: ")) alerts.push_back(line);
  }
  return alerts;
}

std::string describe(const Child& child) {
  return "exit status " + std::to_string(child.exitStatus) + "\n-- stdout:\n" + child.out +
         "\n-- stderr:\n" + child.err + "\n-- terminal:\n" + child.tty;
}

void E2ETest::SetUp() {
  if (!needsReceiver_) return;
  std::error_code error;
  if (receiverPath().empty() || !fs::exists(receiverPath(), error)) {
    GTEST_SKIP() << "obex-receiver is not built (Debian: libopenobex2-dev)";
  }
}

Launch E2ETest::wendlock(std::vector<std::string> args) const {
  args.insert(args.begin(), WENDLOCK_PATH);
  return Launch{std::move(args), env_, std::nullopt, false};
}

std::optional<Receiver> E2ETest::receiver(const std::string& name) {
  std::string why;
  std::optional<Receiver> started = Receiver::start(dir_.path() / name, env_, &why);
  if (!started) ADD_FAILURE() << why;
  return started;
}

}  // namespace wendlock::e2e
