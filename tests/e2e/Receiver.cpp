#include "Receiver.h"

#include <signal.h>

#include <charconv>
#include <sstream>

namespace wendlock::e2e {
namespace {

// The receiver's JSON: strings escape '"', '\' and single bytes as \u00XX.
std::optional<std::string> jsonStringAt(const std::string& line, std::size_t at) {
  if (at >= line.size() || line[at] != '"') return std::nullopt;
  std::string value;
  for (std::size_t i = at + 1; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '"') return value;
    if (c != '\\') {
      value.push_back(c);
      continue;
    }
    if (++i >= line.size()) return std::nullopt;
    if (line[i] != 'u') {
      value.push_back(line[i]);
      continue;
    }
    unsigned code = 0;
    if (i + 4 >= line.size() ||
        std::from_chars(line.data() + i + 1, line.data() + i + 5, code, 16).ec != std::errc() ||
        code > 0xFF) {
      return std::nullopt;
    }
    value.push_back(static_cast<char>(code));
    i += 4;
  }
  return std::nullopt;
}

std::optional<std::size_t> valueOf(const std::string& line, const std::string& key) {
  const std::string marker = "\"" + key + "\": ";
  const std::size_t at = line.find(marker);
  if (at == std::string::npos) return std::nullopt;
  return at + marker.size();
}

std::optional<std::uint64_t> numberAt(const std::string& line, std::size_t at) {
  std::uint64_t number = 0;
  const auto [end, ec] = std::from_chars(line.data() + at, line.data() + line.size(), number);
  if (ec != std::errc()) return std::nullopt;
  return number;
}

}  // namespace

std::string receiverPath() {
  return OBEX_RECEIVER_PATH;
}

std::optional<ReceivedObject> parseObjectLine(const std::string& line) {
  ReceivedObject object;
  const auto name = valueOf(line, "name");
  const auto type = valueOf(line, "type");
  const auto length = valueOf(line, "length_header");
  const auto bytes = valueOf(line, "bytes");
  const auto path = valueOf(line, "path");
  if (!name || !type || !length || !bytes || !path) return std::nullopt;
  const auto nameText = jsonStringAt(line, *name);
  const auto typeText = jsonStringAt(line, *type);
  const auto byteCount = numberAt(line, *bytes);
  const auto pathText = jsonStringAt(line, *path);
  if (!nameText || !typeText || !byteCount || !pathText) return std::nullopt;
  object.name = *nameText;
  object.type = *typeText;
  if (line.compare(*length, 4, "null") != 0) {
    object.lengthHeader = numberAt(line, *length);
    if (!object.lengthHeader) return std::nullopt;
  }
  object.bytes = *byteCount;
  object.path = *pathText;
  return object;
}

std::optional<Receiver> Receiver::start(const fs::path& dir, const std::vector<std::string>& env,
                                        std::string* why) {
  const fs::path inbox = dir / "inbox";
  const fs::path portFile = dir / "port";
  fs::create_directories(inbox);
  Receiver receiver(Child::start({{receiverPath(), "--listen", "127.0.0.1:0", "--dir",
                                   inbox.string(), "--once", "--port-file", portFile.string()},
                                  env,
                                  std::nullopt,
                                  false}));
  receiver.inbox = inbox;
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (std::chrono::steady_clock::now() < deadline) {
    // The port file appears whole, by a rename.
    if (const auto text = readFile(portFile)) {
      unsigned port = 0;
      if (std::from_chars(text->data(), text->data() + text->size(), port).ec == std::errc() &&
          port > 0 && port < 65536) {
        receiver.port = static_cast<std::uint16_t>(port);
        return receiver;
      }
    }
    if (!receiver.process.running(std::chrono::milliseconds(20))) {
      *why = "obex-receiver ended with status " + std::to_string(receiver.process.exitStatus) +
             ": " + receiver.process.err;
      return std::nullopt;
    }
  }
  *why = "obex-receiver wrote no port file";
  return std::nullopt;
}

std::string Receiver::target() const {
  return "tcp:127.0.0.1:" + std::to_string(port);
}

bool Receiver::finish() {
  return process.waitExit();
}

bool Receiver::stop() {
  process.signal(SIGTERM);
  return process.waitExit();
}

std::vector<ReceivedObject> Receiver::objects() const {
  std::vector<ReceivedObject> found;
  std::istringstream lines(process.out);
  for (std::string line; std::getline(lines, line);) {
    if (auto object = parseObjectLine(line)) {
      object->content = readFile(object->path).value_or("");
      found.push_back(std::move(*object));
    }
  }
  return found;
}

std::vector<std::string> Receiver::inboxFiles() const {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(inbox, error)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

}  // namespace wendlock::e2e
