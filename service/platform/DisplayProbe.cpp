#include "service/platform/DisplayProbe.h"

#include <glib.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace wendlock {
namespace {

// X11 servers listen on TCP port 6000 + the display number.
constexpr unsigned kX11TcpBase = 6000;
constexpr std::string_view kX11SocketPrefix = "/tmp/.X11-unix/X";

std::optional<unsigned> displayNumber(std::string_view digits) {
  // The screen after a dot does not change where the server listens.
  digits = digits.substr(0, digits.find('.'));
  unsigned number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
    return std::nullopt;
  }
  if (number > 65535 - kX11TcpBase) return std::nullopt;
  return number;
}

const char* environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

// Milliseconds for poll until `deadline`, rounded up; 0 once it has passed.
int remainingMilliseconds(long long deadline) {
  const long long left = deadline - g_get_monotonic_time();
  return left <= 0 ? 0 : static_cast<int>((left + 999) / 1000);
}

// Waits for `events` on `fd` until `deadline`; false on time-out or error.
bool waitFor(int fd, short events, long long deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    const int n = ::poll(&p, 1, remainingMilliseconds(deadline));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    return (p.revents & (events | POLLHUP | POLLERR)) != 0;
  }
}

int connectUnix(const DisplaySocket& socket) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const bool abstract = socket.kind == DisplaySocket::Kind::AbstractUnix;
  const std::size_t offset = abstract ? 1 : 0;  // an abstract name starts with NUL
  if (socket.path.empty() || socket.path.size() + offset >= sizeof address.sun_path) return -1;
  std::memcpy(address.sun_path + offset, socket.path.data(), socket.path.size());
  const socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset +
                                                  socket.path.size() + (abstract ? 0 : 1));
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 &&
      errno != EINPROGRESS) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// getaddrinfo on a host name may wait on DNS far past the probe's bound, so
// the lookup runs asynchronously and is given up at the deadline.
addrinfo* resolveBefore(const std::string& host, const std::string& port, long long deadline) {
  auto* hints = new addrinfo{};
  hints->ai_socktype = SOCK_STREAM;
  hints->ai_flags = AI_NUMERICSERV;
  auto* request = new gaicb{};
  request->ar_name = ::strdup(host.c_str());
  request->ar_service = ::strdup(port.c_str());
  request->ar_request = hints;
  gaicb* list[] = {request};
  const auto release = [&] {
    std::free(const_cast<char*>(request->ar_name));
    std::free(const_cast<char*>(request->ar_service));
    delete hints;
    delete request;
  };
  if (request->ar_name == nullptr || request->ar_service == nullptr ||
      ::getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr) != 0) {
    release();
    return nullptr;
  }
  int status = EAI_INPROGRESS;
  for (;;) {
    status = ::gai_error(request);
    if (status != EAI_INPROGRESS) break;
    const long long left = deadline - g_get_monotonic_time();
    if (left <= 0) break;
    const timespec wait{static_cast<time_t>(left / 1000000),
                        static_cast<long>(left % 1000000) * 1000};
    ::gai_suspend(list, 1, &wait);
  }
  if (status == EAI_INPROGRESS) {
    // A lookup that cannot be cancelled still writes into the request when it
    // ends, so the request is left to it.
    if (::gai_cancel(request) == EAI_NOTCANCELED) return nullptr;
    status = ::gai_error(request);
  }
  addrinfo* found = status == 0 ? request->ar_result : nullptr;
  if (status != 0 && request->ar_result != nullptr) ::freeaddrinfo(request->ar_result);
  release();
  return found;
}

bool tcpAnswers(const DisplaySocket& socket, std::string_view hello, long long deadline) {
  addrinfo* found = resolveBefore(socket.host, std::to_string(socket.port), deadline);
  if (found == nullptr) return false;
  bool answered = false;
  for (const addrinfo* a = found; a != nullptr && !answered; a = a->ai_next) {
    const int fd = ::socket(a->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) continue;
    if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0 || errno == EINPROGRESS) {
      answered = peerAnswers(fd, hello, deadline);
    }
    ::close(fd);
  }
  ::freeaddrinfo(found);
  return answered;
}

void appendNative32(std::string* out, std::uint32_t value) {
  char bytes[4];
  std::memcpy(bytes, &value, sizeof bytes);
  out->append(bytes, sizeof bytes);
}

}  // namespace

std::vector<DisplaySocket> x11Sockets(std::string_view display) {
  using Kind = DisplaySocket::Kind;
  if (display.starts_with('/')) {
    // A socket's own path, as libxcb takes it, perhaps with ".screen".
    std::vector<DisplaySocket> paths{{Kind::Unix, std::string(display), "", 0}};
    const std::size_t dot = display.rfind('.');
    if (dot != std::string_view::npos && displayNumber(display.substr(dot + 1))) {
      paths.push_back({Kind::Unix, std::string(display.substr(0, dot)), "", 0});
    }
    return paths;
  }
  std::string_view protocol;
  if (const std::size_t slash = display.find('/'); slash != std::string_view::npos) {
    protocol = display.substr(0, slash);
    display.remove_prefix(slash + 1);
  }
  const std::size_t colon = display.rfind(':');
  if (colon == std::string_view::npos) return {};
  std::string_view host = display.substr(0, colon);
  const std::optional<unsigned> number = displayNumber(display.substr(colon + 1));
  // "host::0" is DECnet, which nothing here speaks.
  if (!number || host.ends_with(':')) return {};
  const bool local = (host.empty() || host == "unix") && protocol != "tcp" && protocol != "inet" &&
                     protocol != "inet6";
  if (local) {
    if (!protocol.empty() && protocol != "unix") return {};
    const std::string path = std::string(kX11SocketPrefix) + std::to_string(*number);
    return {{Kind::AbstractUnix, path, "", 0}, {Kind::Unix, path, "", 0}};
  }
  if (host.empty()) host = "localhost";
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  }
  return {{Kind::Tcp, "", std::string(host), kX11TcpBase + *number}};
}

std::optional<DisplaySocket> waylandSocket(std::string_view display,
                                           std::string_view runtimeDirectory) {
  if (display.empty()) return std::nullopt;
  if (display.starts_with('/')) {
    return DisplaySocket{DisplaySocket::Kind::Unix, std::string(display), "", 0};
  }
  if (!runtimeDirectory.starts_with('/')) return std::nullopt;
  std::string path(runtimeDirectory);
  if (!path.ends_with('/')) path += '/';
  path += display;
  return DisplaySocket{DisplaySocket::Kind::Unix, std::move(path), "", 0};
}

bool environmentHasDisplay() {
  return environment("DISPLAY") != nullptr || environment("WAYLAND_DISPLAY") != nullptr;
}

bool peerAnswers(int fd, std::string_view hello, long long deadlineMicroseconds) {
  // The connect may still be under way: done once the socket is writable.
  if (!waitFor(fd, POLLOUT, deadlineMicroseconds)) return false;
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) return false;
  while (!hello.empty()) {
    const ssize_t n = ::send(fd, hello.data(), hello.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      if (!waitFor(fd, POLLOUT, deadlineMicroseconds)) return false;
      continue;
    }
    if (n <= 0) return false;
    hello.remove_prefix(static_cast<std::size_t>(n));
  }
  for (;;) {
    if (!waitFor(fd, POLLIN, deadlineMicroseconds)) return false;
    char byte = 0;
    const ssize_t n = ::recv(fd, &byte, 1, 0);
    if (n == 1) return true;
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    return false;
  }
}

bool socketAnswers(const DisplaySocket& socket, std::string_view hello,
                   long long deadlineMicroseconds) {
  if (socket.kind == DisplaySocket::Kind::Tcp)
    return tcpAnswers(socket, hello, deadlineMicroseconds);
  const int fd = connectUnix(socket);
  if (fd < 0) return false;
  const bool answered = peerAnswers(fd, hello, deadlineMicroseconds);
  ::close(fd);
  return answered;
}

std::string x11Hello() {
  // Byte order 'l' (least significant first), protocol 11.0, no
  // authorization name or data, padded to 12 bytes.
  return std::string("l\0\x0b\0\0\0\0\0\0\0\0\0", 12);
}

std::string waylandHello() {
  // wl_display (object 1) request 0, sync, with the new callback object 2:
  // the server answers with the callback's done event. Native byte order.
  std::string message;
  appendNative32(&message, 1);
  appendNative32(&message, (12u << 16) | 0u);
  appendNative32(&message, 2);
  return message;
}

DisplayAnswers probeDisplays(double seconds) {
  const long long span = static_cast<long long>(seconds * 1e6);
  DisplayAnswers answers;
  if (const char* name = environment("WAYLAND_DISPLAY")) {
    const char* runtime = environment("XDG_RUNTIME_DIR");
    const std::optional<DisplaySocket> socket = waylandSocket(name, runtime ? runtime : "");
    answers.wayland =
        socket && socketAnswers(*socket, waylandHello(), g_get_monotonic_time() + span);
  }
  if (const char* name = environment("DISPLAY")) {
    const long long deadline = g_get_monotonic_time() + span;
    for (const DisplaySocket& socket : x11Sockets(name)) {
      if ((answers.x11 = socketAnswers(socket, x11Hello(), deadline))) break;
    }
  }
  return answers;
}

}  // namespace wendlock
