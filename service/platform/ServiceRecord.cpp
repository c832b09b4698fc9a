#include "service/platform/ServiceRecord.h"

#include <arpa/inet.h>

#include <cctype>
#include <charconv>

namespace wendlock {
namespace {

bool fail(std::string* error, const char* why) {
  if (error != nullptr) *error = why;
  return false;
}

template <class Int>
bool parseNumber(std::string_view text, Int low, Int high, Int* out) {
  unsigned long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return false;
  if (value < static_cast<unsigned long>(low) || value > static_cast<unsigned long>(high)) {
    return false;
  }
  *out = static_cast<Int>(value);
  return true;
}

bool isBluetoothAddress(std::string_view a) {
  if (a.size() != 17) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const bool colon = i % 3 == 2;
    if (colon ? a[i] != ':' : !std::isxdigit(static_cast<unsigned char>(a[i]))) return false;
  }
  return true;
}

bool parseTcp(std::string_view rest, ServiceRecord* r, std::string* error) {
  std::string_view host = rest;
  std::string_view port;
  if (!rest.empty() && rest.front() == '[') {
    const std::size_t close = rest.find(']');
    if (close == std::string_view::npos) return fail(error, "unclosed '[' in the host");
    host = rest.substr(1, close - 1);
    const std::string_view after = rest.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') return fail(error, "expected ':PORT' after ']'");
      port = after.substr(1);
      if (port.empty()) return fail(error, "empty port");
    }
  } else if (const std::size_t colon = rest.rfind(':'); colon != std::string_view::npos) {
    if (rest.find(':') != colon)
      return fail(error, "an IPv6 address needs brackets: tcp:[::1]:650");
    host = rest.substr(0, colon);
    port = rest.substr(colon + 1);
    if (port.empty()) return fail(error, "empty port");
  }
  if (host.empty()) return fail(error, "missing host");
  // Only addresses: a name lookup would block the run loop.
  const std::string hostText(host);
  unsigned char address[16];
  if (hostText != "localhost" && inet_pton(AF_INET, hostText.c_str(), address) != 1 &&
      inet_pton(AF_INET6, hostText.c_str(), address) != 1) {
    return fail(error, "the host must be an IP address or localhost");
  }
  r->kind = ServiceRecord::Kind::Tcp;
  r->host = std::string(host);
  if (!port.empty() && !parseNumber<std::uint16_t>(port, 1, 65535, &r->port)) {
    return fail(error, "the port must be a number from 1 to 65535");
  }
  r->name = r->describe();
  return true;
}

bool parseBluetooth(std::string_view rest, ServiceRecord* r, std::string* error) {
  std::string_view address = rest;
  if (const std::size_t at = rest.find('@'); at != std::string_view::npos) {
    address = rest.substr(0, at);
    if (!parseNumber<std::uint8_t>(rest.substr(at + 1), 1, 30, &r->channel)) {
      return fail(error, "the RFCOMM channel must be a number from 1 to 30");
    }
  }
  if (!isBluetoothAddress(address)) {
    return fail(error, "a Bluetooth address has the form 00:1A:7D:DA:71:13");
  }
  r->kind = ServiceRecord::Kind::Bluetooth;
  r->address.clear();
  for (char c : address) r->address.push_back(static_cast<char>(std::toupper(c)));
  r->name = r->describe();
  return true;
}

}  // namespace

std::optional<ServiceRecord> ServiceRecord::parse(std::string_view text, std::string* error) {
  ServiceRecord r;
  bool ok = false;
  if (text.starts_with("tcp:")) {
    ok = parseTcp(text.substr(4), &r, error);
  } else if (text.starts_with("bt:")) {
    ok = parseBluetooth(text.substr(3), &r, error);
  } else {
    ok = fail(error, "a target starts with tcp: or bt:");
  }
  if (!ok) return std::nullopt;
  return r;
}

std::string ServiceRecord::describe() const {
  if (kind == Kind::Bluetooth) {
    return "bt:" + address + (channel != 0 ? "@" + std::to_string(channel) : "");
  }
  const bool v6 = host.find(':') != std::string::npos;
  return "tcp:" + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

}  // namespace wendlock
