// A scripted OBEX server on 127.0.0.1 for the service's tests: it answers
// each complete request packet with the next step of its script, and stays
// silent once the script is used up. It runs on a GLib main context that the
// test drives, the same one the client under test uses.
#pragma once

#include <glib-unix.h>
#include <glib.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace wendlock::testkit {

using Bytes = std::vector<std::uint8_t>;

// A Connect response announcing `serverMax`, with `code` (0xA0: accepted).
Bytes connectReply(std::uint16_t serverMax, std::uint8_t code = 0xA0);
inline const Bytes kSuccess = {0xA0, 0x00, 0x03};
inline const Bytes kContinue = {0x90, 0x00, 0x03};

class ScriptedServer {
 public:
  struct Step {
    Bytes reply;  // empty: answer nothing
    bool closeAfter = false;
  };

  // Listens on an ephemeral port of 127.0.0.1, watched on `context`.
  explicit ScriptedServer(GMainContext* context);
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  [[nodiscard]] std::uint16_t port() const { return port_; }
  // A client is connected and neither side has closed.
  [[nodiscard]] bool connected() const { return connFd_ >= 0; }
  // Appends a step: the answer to the next request.
  void then(Bytes reply, bool closeAfter = false) {
    steps_.push_back({std::move(reply), closeAfter});
  }
  // Sends at once, unasked.
  void push(const Bytes& bytes);
  // Serves an already connected socket instead of the listening one.
  void adopt(int fd);
  void closeConnection();

  // Every request packet received, whole, in order.
  std::vector<Bytes> requests;
  bool clientClosed = false;
  // Called with each request as it arrives, before it is answered.
  std::function<void(const Bytes& request)> onRequest;

 private:
  GSource* watch(int fd, GUnixFDSourceFunc func);
  static gboolean onListen(gint fd, GIOCondition, gpointer self);
  static gboolean onData(gint fd, GIOCondition, gpointer self);
  void dropConnection();
  void answerCompleteRequests();

  GMainContext* context_;
  int listenFd_ = -1;
  int connFd_ = -1;
  std::uint16_t port_ = 0;
  GSource* listenSource_ = nullptr;
  GSource* connSource_ = nullptr;
  Bytes pending_;
  std::deque<Step> steps_;
};

}  // namespace wendlock::testkit
