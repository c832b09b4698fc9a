#include "ScriptedObexServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <glib-unix.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

namespace wendlock::testkit {

ScriptedServer::ScriptedServer() {
  listen_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof addr;
  if (bind(listen_, reinterpret_cast<sockaddr*>(&addr), size) != 0 || listen(listen_, 4) != 0 ||
      getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &size) != 0) {
    ADD_FAILURE() << "cannot listen on 127.0.0.1";
  }
  port_ = ntohs(addr.sin_port);
  listenWatch_ = g_unix_fd_add(listen_, G_IO_IN, &ScriptedServer::onReady, this);
}

ScriptedServer::~ScriptedServer() {
  closeConnection();
  g_source_remove(listenWatch_);
  close(listen_);
}

void ScriptedServer::push(const Bytes& bytes) {
  send(conn_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

void ScriptedServer::adopt(int fd) {
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  conn_ = fd;
  connWatch_ = g_unix_fd_add(fd, G_IO_IN, &ScriptedServer::onReady, this);
}

void ScriptedServer::closeConnection() {
  if (connWatch_ != 0) g_source_remove(connWatch_);
  connWatch_ = 0;
  if (conn_ >= 0) close(conn_);
  conn_ = -1;
}

// One client at a time; each complete request takes the next step.
gboolean ScriptedServer::onReady(gint fd, GIOCondition, gpointer data) {
  auto* self = static_cast<ScriptedServer*>(data);
  if (fd == self->listen_) {
    const int conn = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (conn >= 0 && self->conn_ >= 0) close(conn);
    if (conn >= 0 && self->conn_ < 0) self->adopt(conn);
    return G_SOURCE_CONTINUE;
  }
  std::uint8_t chunk[70000];
  const ssize_t n = read(fd, chunk, sizeof chunk);
  if (n <= 0) {
    self->closeConnection();
    return G_SOURCE_REMOVE;
  }
  Bytes& pending = self->pending_;
  pending.insert(pending.end(), chunk, chunk + n);
  while (self->conn_ >= 0 && pending.size() >= 3) {
    const std::size_t length = (pending[1] << 8) | pending[2];
    if (length < 3) self->closeConnection();
    if (length < 3 || pending.size() < length) break;
    self->requests.emplace_back(pending.begin(), pending.begin() + length);
    pending.erase(pending.begin(), pending.begin() + length);
    if (self->onRequest) self->onRequest(self->requests.back());
    if (self->steps_.empty()) continue;
    const Step step = self->steps_.front();
    self->steps_.pop_front();
    if (!step.reply.empty()) self->push(step.reply);
    if (step.closeAfter) self->closeConnection();
  }
  return self->conn_ >= 0 ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

}  // namespace wendlock::testkit
