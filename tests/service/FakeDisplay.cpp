#include "FakeDisplay.h"

#include <fcntl.h>
#include <glib.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace wendlock::testkit {

FakeDisplay::FakeDisplay(Mode mode) {
  gchar* folder = g_dir_make_tmp("wendlock-display-XXXXXX", nullptr);
  if (folder == nullptr) return;
  folder_ = folder;
  g_free(folder);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = folder_ + "/display";
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) ||
      ::listen(listener_, 4) != 0) {
    return;
  }
  path_ = path;
  if (mode == Mode::Silent) return;  // connections wait in the backlog
  if (::pipe2(stop_, O_CLOEXEC) != 0) return;
  server_ = std::thread([this, mode] {
    // Until a connection comes, or the object goes; bounded all the same.
    pollfd p[2] = {{listener_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
    if (::poll(p, 2, 10000) <= 0 || p[1].revents != 0) return;
    const int fd = ::accept(listener_, nullptr, nullptr);
    if (fd < 0) return;
    if (mode == Mode::Answers) {
      char buffer[64];
      pollfd q{fd, POLLIN, 0};
      if (::poll(&q, 1, 10000) == 1) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) heard_.assign(buffer, static_cast<std::size_t>(n));
        (void)!::send(fd, "\x01", 1, MSG_NOSIGNAL);
      }
    }
    ::close(fd);
  });
}

FakeDisplay::~FakeDisplay() {
  if (stop_[1] >= 0) ::close(stop_[1]);
  if (server_.joinable()) server_.join();
  if (stop_[0] >= 0) ::close(stop_[0]);
  if (listener_ >= 0) ::close(listener_);
  if (!path_.empty()) ::unlink(path_.c_str());
  if (!folder_.empty()) ::rmdir(folder_.c_str());
}

std::string FakeDisplay::heard() {
  if (server_.joinable()) server_.join();
  return heard_;
}

}  // namespace wendlock::testkit
