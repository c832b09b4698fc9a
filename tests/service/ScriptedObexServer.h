// A scripted OBEX server on 127.0.0.1 for the service's tests: it answers
// each complete request packet with the next step of its script, and stays
// silent once the script is used up. It runs on the main context, the same
// one the client under test uses.
#pragma once

#include <glib.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace wendlock::testkit {

using Bytes = std::vector<std::uint8_t>;

// A Connect response announcing `serverMax`, with `code` (0xA0: accepted).
inline Bytes connectReply(std::uint16_t serverMax, std::uint8_t code = 0xA0) {
  return {code,
          0x00,
          0x07,
          0x10,
          0x00,
          static_cast<std::uint8_t>(serverMax >> 8),
          static_cast<std::uint8_t>(serverMax)};
}
inline const Bytes kSuccess = {0xA0, 0x00, 0x03};
inline const Bytes kContinue = {0x90, 0x00, 0x03};

class ScriptedServer {
 public:
  struct Step {
    Bytes reply;  // empty: answer nothing
    bool closeAfter = false;
  };

  // Listens on an ephemeral port of 127.0.0.1.
  ScriptedServer();
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  [[nodiscard]] std::uint16_t port() const { return port_; }
  // A client is connected and neither side has closed.
  [[nodiscard]] bool connected() const { return conn_ >= 0; }
  // Appends a step: the answer to the next request.
  void then(Bytes reply, bool closeAfter = false) {
    steps_.push_back({std::move(reply), closeAfter});
  }
  // Sends at once, unasked.
  void push(const Bytes& bytes);
  // Serves an already connected socket instead of the listening one.
  void adopt(int fd);

  // Every request packet received, whole, in order.
  std::vector<Bytes> requests;
  // Called with each request as it arrives, before it is answered.
  std::function<void(const Bytes& request)> onRequest;

 private:
  static gboolean onReady(gint fd, GIOCondition, gpointer self);
  void closeConnection();

  int listen_ = -1, conn_ = -1;
  guint listenWatch_ = 0, connWatch_ = 0;
  std::uint16_t port_ = 0;
  Bytes pending_;
  std::deque<Step> steps_;
};

}  // namespace wendlock::testkit
