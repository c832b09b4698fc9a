#include "E2ETest.h"

#include <signal.h>

#include <charconv>
#include <regex>
#include <set>
#include <sstream>

namespace wendlock::e2e {
namespace {

// A JSON string of the receiver's without its escapes: it escapes '"', '\'
// and single bytes as \u00XX.
std::string unescaped(const std::string& json) {
  std::string out;
  for (std::size_t i = 0; i < json.size(); ++i) {
    if (json[i] != '\\') {
      out += json[i];
    } else if (json[++i] != 'u') {
      out += json[i];
    } else {
      out += static_cast<char>(std::stoi(json.substr(i + 1, 4), nullptr, 16));
      i += 4;
    }
  }
  return out;
}

// One object record of the receiver's standard output, or nullopt.
std::optional<ReceivedObject> parseObjectLine(const std::string& line) {
  static const std::regex record(
      R"re(\{"name": "((?:[^"\\]|\\.)*)", "type": "((?:[^"\\]|\\.)*)", )re"
      R"re("length_header": (null|\d+), "bytes": (\d+), "path": "((?:[^"\\]|\\.)*)"\})re");
  std::smatch m;
  if (!std::regex_match(line, m, record)) return std::nullopt;
  ReceivedObject object{unescaped(m[1]), unescaped(m[2]), std::nullopt, std::stoull(m[4]),
                        readFile(unescaped(m[5])).value_or("")};
  if (m[3] != "null") object.lengthHeader = std::stoull(m[3]);
  return object;
}

}  // namespace

std::size_t utf16Length(const std::string& utf8) {
  std::size_t units = 0;
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) != 0x80) units += byte >= 0xF0 ? 2 : 1;  // four bytes: a surrogate pair
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

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

std::string describe(const Child& child) {
  return "exit status " + std::to_string(child.exitStatus) + "\n-- stdout:\n" + child.out +
         "\n-- stderr:\n" + child.err + "\n-- terminal:\n" + child.tty;
}

bool Receiver::stop() {
  process.signal(SIGTERM);
  return process.waitExit();
}

std::vector<ReceivedObject> Receiver::objects() const {
  std::vector<ReceivedObject> found;
  std::istringstream lines(process.out);
  for (std::string line; std::getline(lines, line);) {
    if (auto object = parseObjectLine(line)) found.push_back(std::move(*object));
  }
  return found;
}

void E2ETest::SetUp() {
  std::error_code error;
  if (needsReceiver_ && !fs::exists(OBEX_RECEIVER_PATH, error)) {
    GTEST_SKIP() << "obex-receiver is not built (Debian: libopenobex2-dev)";
  }
}

std::optional<Receiver> E2ETest::receiver(const std::string& name) {
  const fs::path inbox = dir_.path() / name / "inbox";
  const fs::path portFile = dir_.path() / name / "port";
  fs::create_directories(inbox);
  Receiver r{Child::start({{OBEX_RECEIVER_PATH, "--listen", "127.0.0.1:0", "--dir", inbox.string(),
                            "--once", "--port-file", portFile.string()},
                           env_,
                           std::nullopt,
                           false}),
             inbox, 0};
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (std::chrono::steady_clock::now() < deadline) {
    // The port file appears whole, by a rename.
    const std::string text = readFile(portFile).value_or("");
    unsigned port = 0;
    if (std::from_chars(text.data(), text.data() + text.size(), port).ec == std::errc() &&
        port > 0 && port < 65536) {
      r.port = static_cast<std::uint16_t>(port);
      return r;
    }
    if (!r.process.running(std::chrono::milliseconds(20))) {
      ADD_FAILURE() << "obex-receiver ended: " << describe(r.process);
      return std::nullopt;
    }
  }
  ADD_FAILURE() << "obex-receiver wrote no port file";
  return std::nullopt;
}

}  // namespace wendlock::e2e
