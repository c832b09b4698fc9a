#include "service/obex/OBEXTransport.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace wendlock {
namespace {

struct ParsedAddress {
  sockaddr_storage storage{};
  socklen_t length = 0;
};

bool parseAddress(std::string_view host, std::uint16_t port, ParsedAddress* out) {
  std::string text(host);
  if (text == "localhost") text = "127.0.0.1";
  if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
    text = text.substr(1, text.size() - 2);
  }
  ParsedAddress parsed;
  auto* v4 = reinterpret_cast<sockaddr_in*>(&parsed.storage);
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&parsed.storage);
  if (inet_pton(AF_INET, text.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(port);
    parsed.length = sizeof(sockaddr_in);
  } else if (inet_pton(AF_INET6, text.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(port);
    parsed.length = sizeof(sockaddr_in6);
  } else {
    return false;
  }
  if (out != nullptr) *out = parsed;
  return true;
}

}  // namespace

OBEXError OBEXSocketTransport::open() {
  if (opened_) return fd_ >= 0 ? kOBEXSuccess : kOBEXSessionNoTransportError;
  opened_ = true;
  if (fd_ < 0) fd_ = openSocket();
  if (fd_ < 0) return kOBEXSessionNoTransportError;
  const int flags = fcntl(fd_, F_GETFL);
  if (flags < 0 || fcntl(fd_, F_SETFL, flags | O_NONBLOCK) < 0) {
    close();
    return kOBEXSessionNoTransportError;
  }
  return kOBEXSuccess;
}

OBEXError OBEXSocketTransport::finishOpen() {
  if (fd_ < 0) return kOBEXSessionNoTransportError;
  int error = 0;
  socklen_t size = sizeof error;
  if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size) < 0 || error != 0) {
    return kOBEXSessionNoTransportError;
  }
  return kOBEXSuccess;
}

OBEXError OBEXSocketTransport::send(const std::uint8_t* bytes, std::size_t length,
                                    std::size_t* written) {
  *written = 0;
  if (fd_ < 0) return kOBEXSessionTransportDiedError;
  ssize_t n;
  do {
    // A peer that is gone must give an error here, not a SIGPIPE.
    n = ::send(fd_, bytes, length, MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  if (n >= 0) {
    *written = static_cast<std::size_t>(n);
    return kOBEXSuccess;
  }
  return (errno == EAGAIN || errno == EWOULDBLOCK) ? kOBEXSuccess : kOBEXSessionTransportDiedError;
}

OBEXError OBEXSocketTransport::receive(std::uint8_t* buffer, std::size_t capacity,
                                       std::size_t* received) {
  *received = 0;
  if (fd_ < 0) return kOBEXSessionTransportDiedError;
  ssize_t n;
  do {
    n = ::recv(fd_, buffer, capacity, 0);
  } while (n < 0 && errno == EINTR);
  if (n > 0) {
    *received = static_cast<std::size_t>(n);
    return kOBEXSuccess;
  }
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return kOBEXSuccess;
  return kOBEXSessionTransportDiedError;
}

void OBEXSocketTransport::close() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool OBEXTCPTransport::isUsableHost(std::string_view host) {
  return parseAddress(host, 0, nullptr);
}

int OBEXTCPTransport::openSocket() {
  ParsedAddress address;
  if (!parseAddress(host_, port_, &address)) return -1;
  const int fd =
      socket(address.storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) return -1;
  // Request and response alternate in small packets; Nagle would hold each
  // one back for the peer's delayed acknowledgement.
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address.storage), address.length) == 0 ||
      errno == EINPROGRESS) {
    return fd;
  }
  ::close(fd);
  return -1;
}

}  // namespace wendlock
