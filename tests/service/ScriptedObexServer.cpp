#include "ScriptedObexServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace wendlock::testkit {

Bytes connectReply(std::uint16_t serverMax, std::uint8_t code) {
  return {code,
          0x00,
          0x07,
          0x10,
          0x00,
          static_cast<std::uint8_t>(serverMax >> 8),
          static_cast<std::uint8_t>(serverMax)};
}

ScriptedServer::ScriptedServer(GMainContext* context) : context_(context) {
  listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof addr;
  if (bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), size) != 0 || listen(listenFd_, 4) != 0 ||
      getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &size) != 0) {
    ADD_FAILURE() << "cannot listen on 127.0.0.1";
  }
  port_ = ntohs(addr.sin_port);
  listenSource_ = watch(listenFd_, &ScriptedServer::onListen);
}

ScriptedServer::~ScriptedServer() {
  closeConnection();
  g_source_destroy(listenSource_);
  g_source_unref(listenSource_);
  close(listenFd_);
}

void ScriptedServer::push(const Bytes& bytes) {
  send(connFd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

void ScriptedServer::adopt(int fd) {
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  connFd_ = fd;
  connSource_ = watch(fd, &ScriptedServer::onData);
}

void ScriptedServer::closeConnection() {
  if (connSource_ != nullptr) {
    g_source_destroy(connSource_);
    g_source_unref(connSource_);
    connSource_ = nullptr;
  }
  if (connFd_ >= 0) close(connFd_);
  connFd_ = -1;
}

GSource* ScriptedServer::watch(int fd, GUnixFDSourceFunc func) {
  GSource* source = g_unix_fd_source_new(fd, G_IO_IN);
  g_source_set_callback(source, G_SOURCE_FUNC(func), this, nullptr);
  g_source_attach(source, context_);
  return source;
}

gboolean ScriptedServer::onListen(gint fd, GIOCondition, gpointer self) {
  auto* server = static_cast<ScriptedServer*>(self);
  const int conn = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
  if (conn >= 0 && server->connFd_ < 0) {
    server->adopt(conn);
  } else if (conn >= 0) {
    close(conn);
  }
  return G_SOURCE_CONTINUE;
}

// Called from onData: the source is removed by returning G_SOURCE_REMOVE
// there rather than destroyed here.
void ScriptedServer::dropConnection() {
  g_source_unref(connSource_);
  connSource_ = nullptr;
  close(connFd_);
  connFd_ = -1;
}

gboolean ScriptedServer::onData(gint fd, GIOCondition, gpointer self) {
  auto* server = static_cast<ScriptedServer*>(self);
  std::uint8_t chunk[70000];
  const ssize_t n = read(fd, chunk, sizeof chunk);
  if (n <= 0) {
    server->clientClosed = true;
    server->dropConnection();
    return G_SOURCE_REMOVE;
  }
  server->pending_.insert(server->pending_.end(), chunk, chunk + n);
  server->answerCompleteRequests();
  return server->connFd_ >= 0 ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

void ScriptedServer::answerCompleteRequests() {
  while (connFd_ >= 0 && pending_.size() >= 3) {
    const std::size_t length = (pending_[1] << 8) | pending_[2];
    if (length < 3) return dropConnection();
    if (pending_.size() < length) return;
    requests.emplace_back(pending_.begin(), pending_.begin() + length);
    pending_.erase(pending_.begin(), pending_.begin() + length);
    if (onRequest) onRequest(requests.back());
    if (steps_.empty()) continue;
    const Step step = steps_.front();
    steps_.pop_front();
    if (!step.reply.empty()) push(step.reply);
    if (step.closeAfter) dropConnection();
  }
}

}  // namespace wendlock::testkit
