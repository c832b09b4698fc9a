// Whether the desktop's display answers, asked without GTK and with a bound:
// a display server that accepts the connection and then stays silent would
// otherwise hold the process forever, since the toolkit waits for its first
// answer without a time-out. Reaches the sockets the environment names
// (WAYLAND_DISPLAY, DISPLAY) the way the toolkit's own libraries do.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wendlock {

// Long enough for a display across a slow network; a local server answers
// in well under a millisecond.
inline constexpr double kDisplayAnswerSeconds = 2.0;

// Where a display server listens.
struct DisplaySocket {
  enum class Kind { Unix, AbstractUnix, Tcp };
  Kind kind = Kind::Unix;
  std::string path;   // Unix, AbstractUnix (without the leading NUL)
  std::string host;   // Tcp
  unsigned port = 0;  // Tcp
};

// The sockets to try, in order, for an X11 display name
// ("[protocol/][host]:display[.screen]"); empty for a name that is not one.
//   x11Sockets(":1")           // abstract, then path /tmp/.X11-unix/X1
//   x11Sockets("10.0.0.2:0.1") // TCP 10.0.0.2 port 6000
[[nodiscard]] std::vector<DisplaySocket> x11Sockets(std::string_view display);

// The socket of a Wayland display name: itself when absolute, else inside
// `runtimeDirectory`; nullopt when neither gives an absolute path.
//   waylandSocket("wayland-0", "/run/user/1000")  // /run/user/1000/wayland-0
[[nodiscard]] std::optional<DisplaySocket> waylandSocket(std::string_view display,
                                                         std::string_view runtimeDirectory);

// True when the environment names a display at all (DISPLAY or
// WAYLAND_DISPLAY, not empty), without reaching it.
[[nodiscard]] bool environmentHasDisplay();

// Which of the displays the environment names answer within `seconds`
// (measured on the monotonic clock, for both together).
struct DisplayAnswers {
  bool wayland = false;
  bool x11 = false;
  [[nodiscard]] bool any() const noexcept { return wayland || x11; }
};
[[nodiscard]] DisplayAnswers probeDisplays(double seconds = kDisplayAnswerSeconds);

// Connects to `socket`, sends `hello` and waits for a first byte back, all
// before `deadlineMicroseconds` (g_get_monotonic_time's clock). False when it
// cannot connect, the peer closes, or the time runs out.
[[nodiscard]] bool socketAnswers(const DisplaySocket& socket, std::string_view hello,
                                 long long deadlineMicroseconds);

// The same on a connected (or connecting) socket; the descriptor is
// neither closed nor kept.
[[nodiscard]] bool peerAnswers(int fd, std::string_view hello, long long deadlineMicroseconds);

// The first message of each protocol: the X11 connection set-up (no
// authorization: any answer, even a refusal, shows the server is alive) and
// a Wayland display sync.
[[nodiscard]] std::string x11Hello();
[[nodiscard]] std::string waylandHello();

}  // namespace wendlock
