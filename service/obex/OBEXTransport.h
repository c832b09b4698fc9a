// What the OBEX session needs of a connection: open it without blocking,
// a descriptor to watch for readiness, and non-blocking send and receive.
// A stream socket does all of it; a concrete transport only has to supply
// the socket (TCP here, RFCOMM in the Bluetooth layer).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "service/obex/OBEXTypes.h"

namespace wendlock {

// OBEX over TCP listens here unless told otherwise.
inline constexpr std::uint16_t kOBEXTCPDefaultPort = 650;

class OBEXTransport {
 public:
  virtual ~OBEXTransport() = default;

  // Starts connecting without blocking. On kOBEXSuccess, fd() is a
  // non-blocking descriptor that is connected or still connecting; it turns
  // writable when the connect is done either way.
  [[nodiscard]] virtual OBEXError open() = 0;
  // The descriptor to watch; -1 before open and after close.
  [[nodiscard]] virtual int fd() const noexcept = 0;
  // After the descriptor turned writable: kOBEXSuccess when the connect
  // went through, kOBEXSessionNoTransportError when it did not.
  [[nodiscard]] virtual OBEXError finishOpen() = 0;
  // Writes up to `length` bytes; *written is 0 when the socket is full.
  // kOBEXSessionTransportDiedError when the peer is gone.
  [[nodiscard]] virtual OBEXError send(const std::uint8_t* bytes, std::size_t length,
                                       std::size_t* written) = 0;
  // Reads up to `capacity` bytes; *received is 0 when nothing is waiting.
  // The peer's end of stream is kOBEXSessionTransportDiedError.
  [[nodiscard]] virtual OBEXError receive(std::uint8_t* buffer, std::size_t capacity,
                                          std::size_t* received) = 0;
  // Closes the descriptor; safe to repeat.
  virtual void close() noexcept = 0;
};

// A stream socket: send, receive and finishing the connect are the same for
// every socket family. Constructed from a socket that is already connected
// or connecting (made non-blocking here), it owns and closes it; subclasses
// that make their own socket override openSocket.
//   auto t = std::make_unique<OBEXSocketTransport>(rfcommFd);
class OBEXSocketTransport : public OBEXTransport {
 public:
  explicit OBEXSocketTransport(int socketFd = -1) noexcept : fd_(socketFd) {}
  ~OBEXSocketTransport() override { close(); }
  OBEXSocketTransport(const OBEXSocketTransport&) = delete;
  OBEXSocketTransport& operator=(const OBEXSocketTransport&) = delete;

  [[nodiscard]] OBEXError open() override;
  [[nodiscard]] int fd() const noexcept override { return fd_; }
  [[nodiscard]] OBEXError finishOpen() override;
  [[nodiscard]] OBEXError send(const std::uint8_t* bytes, std::size_t length,
                               std::size_t* written) override;
  [[nodiscard]] OBEXError receive(std::uint8_t* buffer, std::size_t capacity,
                                  std::size_t* received) override;
  void close() noexcept override;

 protected:
  // Makes a non-blocking socket and starts its connect; the socket or -1.
  // The base has nothing to make: it adopted its socket.
  [[nodiscard]] virtual int openSocket() { return -1; }

 private:
  int fd_;
  bool opened_ = false;
};

// OBEX over TCP to a numeric IPv4 or IPv6 address (or "localhost"), so that
// opening never waits for a name lookup.
//   OBEXTCPTransport t("127.0.0.1", kOBEXTCPDefaultPort);
class OBEXTCPTransport final : public OBEXSocketTransport {
 public:
  OBEXTCPTransport(std::string host, std::uint16_t port) : host_(std::move(host)), port_(port) {}

  // True when `host` is an address this transport can reach without a
  // name lookup.
  //   OBEXTCPTransport::isUsableHost("::1") == true
  [[nodiscard]] static bool isUsableHost(std::string_view host);

 protected:
  [[nodiscard]] int openSocket() override;

 private:
  std::string host_;
  std::uint16_t port_;
};

}  // namespace wendlock
