// A service record: where an Object Push server can be reached. The device
// browser answers one; `--to` names one on the command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wendlock {

struct ServiceRecord {
  enum class Kind { Tcp, Bluetooth };

  Kind kind = Kind::Tcp;
  std::string name;  // what the chooser shows
  // Tcp: an IP address or "localhost", and the port (OBEX over TCP).
  std::string host;
  std::uint16_t port = 650;
  // Bluetooth: "AA:BB:CC:DD:EE:FF" and the RFCOMM channel (0: find by SDP).
  std::string address;
  std::uint8_t channel = 0;

  // "tcp:HOST[:PORT]" (IPv6 literals in brackets) or "bt:ADDRESS[@CHANNEL]".
  // nullopt for anything else, with the reason in *error when given.
  //   parse("tcp:127.0.0.1:9650")  // Tcp, host "127.0.0.1", port 9650
  //   parse("bt:00:1A:7D:DA:71:13@12")
  [[nodiscard]] static std::optional<ServiceRecord> parse(std::string_view text,
                                                          std::string* error = nullptr);
  // The form parse() reads.
  [[nodiscard]] std::string describe() const;
};

}  // namespace wendlock
