// Runs the obex-receiver binary on 127.0.0.1 and talks to it with a small
// OBEX client written here byte by byte: good pushes, hostile clients, and
// names that try to leave the target directory.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace orvin::obexreceiver {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// Bounds on every wait, so a broken receiver fails the test instead of
// hanging it. Nothing below measures time.
constexpr int kWaitSeconds = 20;

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes bytesOf(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

Bytes withLength(std::uint8_t id, const Bytes& payload) {
  const std::size_t size = payload.size() + 3;
  return Bytes{id, static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size)} + payload;
}

Bytes packet(std::uint8_t opcode, const Bytes& headers) {
  return withLength(opcode, headers);
}

Bytes connectPacket(std::uint16_t mtu) {
  return {0x80,
          0x00,
          0x07,
          0x10,
          0x00,
          static_cast<std::uint8_t>(mtu >> 8),
          static_cast<std::uint8_t>(mtu)};
}

Bytes nameHeader(std::u16string_view name) {
  Bytes payload;
  for (const char16_t unit : name) {
    payload.push_back(static_cast<std::uint8_t>(unit >> 8));
    payload.push_back(static_cast<std::uint8_t>(unit));
  }
  payload.push_back(0);
  payload.push_back(0);
  return withLength(0x01, payload);
}

Bytes typeHeader(std::string_view type) {
  return withLength(0x42, bytesOf(type) + Bytes{0});
}

Bytes lengthHeader(std::uint32_t length) {
  return {0xC3, static_cast<std::uint8_t>(length >> 24), static_cast<std::uint8_t>(length >> 16),
          static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
}

Bytes bodyHeader(std::string_view body, bool end) {
  return withLength(end ? 0x49 : 0x48, bytesOf(body));
}

const Bytes kDisconnect = {0x81, 0x00, 0x03};

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The receiver as a child process in a fresh directory tree:
// ROOT/in receives objects, ROOT/port and ROOT/log are the port file and the
// receiver's standard error.
class Receiver {
 public:
  explicit Receiver(std::vector<std::string> extra) {
    char pattern[] = "/tmp/obex-receiver-test-XXXXXX";
    root_ = ::mkdtemp(pattern);
    fs::create_directory(root_ / "in");
    int out[2];
    if (::pipe(out) != 0) return;
    std::vector<std::string> args = {OBEX_RECEIVER_PATH,
                                     "--listen",
                                     "127.0.0.1:0",
                                     "--dir",
                                     (root_ / "in").string(),
                                     "--port-file",
                                     (root_ / "port").string()};
    args.insert(args.end(), extra.begin(), extra.end());
    pid_ = ::fork();
    if (pid_ == 0) {
      // Dies with the test binary, even when that is killed.
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      ::dup2(out[1], STDOUT_FILENO);
      const int log = ::open((root_ / "log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(log, STDERR_FILENO);
      ::close(out[0]);
      std::vector<char*> argv;
      for (auto& arg : args) argv.push_back(arg.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    stdout_ = out[0];
    for (int i = 0; i < kWaitSeconds * 20 && port_ == 0 && running(); ++i) {
      std::ifstream portFile(root_ / "port");
      if (!(portFile >> port_)) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }

  ~Receiver() {
    if (running()) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (stdout_ >= 0) ::close(stdout_);
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  unsigned port() const { return port_; }
  fs::path dir() const { return root_ / "in"; }
  fs::path root() const { return root_; }
  std::string log() const { return readFile(root_ / "log"); }

  // The next line of standard output, or nullopt at its end.
  std::optional<std::string> line() {
    for (;;) {
      if (const auto newline = pending_.find('\n'); newline != std::string::npos) {
        std::string line = pending_.substr(0, newline);
        pending_.erase(0, newline + 1);
        return line;
      }
      pollfd waiting{stdout_, POLLIN, 0};
      if (::poll(&waiting, 1, kWaitSeconds * 1000) <= 0) return std::nullopt;
      char chunk[4096];
      const ssize_t n = ::read(stdout_, chunk, sizeof chunk);
      if (n <= 0) return std::nullopt;
      pending_.append(chunk, static_cast<std::size_t>(n));
    }
  }

  // The exit status once the process ends, or nullopt if it does not.
  std::optional<int> exitStatus() {
    for (int i = 0; i < kWaitSeconds * 20; ++i) {
      if (!running()) {
        return WIFEXITED(status_) ? std::optional(WEXITSTATUS(status_)) : std::nullopt;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return std::nullopt;
  }

  void stop() { ::kill(pid_, SIGTERM); }

  // Names in ROOT other than the receiver's own files, and everything in DIR.
  std::set<std::string> strayOutsideDir() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(root_)) {
      const std::string name = entry.path().filename();
      if (name != "in" && name != "port" && name != "log") names.insert(name);
    }
    return names;
  }
  std::set<std::string> filesInDir() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir())) names.insert(entry.path().filename());
    return names;
  }

 private:
  bool running() {
    if (pid_ <= 0 || reaped_) return false;
    if (::waitpid(pid_, &status_, WNOHANG) == pid_) reaped_ = true;
    return !reaped_;
  }

  fs::path root_;
  pid_t pid_ = -1;
  int stdout_ = -1;
  int status_ = 0;
  bool reaped_ = false;
  unsigned port_ = 0;
  std::string pending_;
};

// A TCP client speaking raw OBEX.
class Client {
 public:
  explicit Client(unsigned port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    timeval limit{kWaitSeconds, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~Client() { close(); }

  bool connected() const { return connected_; }

  bool send(const Bytes& bytes) {
    return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(bytes.size());
  }

  // The next response packet, or nullopt when the connection ends first.
  std::optional<Bytes> response() {
    Bytes head(3);
    if (!readExactly(head.data(), 3)) return std::nullopt;
    const std::size_t length = (std::size_t{head[1]} << 8) | head[2];
    if (length < 3) return std::nullopt;
    Bytes rest(length - 3);
    if (!readExactly(rest.data(), rest.size())) return std::nullopt;
    return head + rest;
  }

  // The response code of a request, or -1 when none came.
  int request(const Bytes& bytes) {
    if (!send(bytes)) return -1;
    const auto answer = response();
    return answer ? (*answer)[0] : -1;
  }

  // Whether the receiver ends the connection (end of stream or reset)
  // rather than leaving it open until our receive limit.
  bool closedByPeer() {
    std::uint8_t byte;
    for (;;) {
      const ssize_t n = ::recv(fd_, &byte, 1, 0);
      if (n == 0) return true;
      if (n < 0) return errno == ECONNRESET || errno == EPIPE;
    }
  }

  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  bool readExactly(std::uint8_t* into, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
      const ssize_t n = ::recv(fd_, into + done, size - done, 0);
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }

  int fd_ = -1;
  bool connected_ = false;
};

constexpr int kContinue = 0x90;
constexpr int kSuccess = 0xA0;
constexpr int kNotImplemented = 0xD1;

TEST(ObexReceiver, AnnouncesTheLibraryDefaultOrTheGivenMaximumPacketLength) {
  for (const auto& [extra, announced] :
       {std::pair{std::vector<std::string>{"--once"}, 1024u},
        std::pair{std::vector<std::string>{"--once", "--mtu", "4096"}, 4096u}}) {
    Receiver receiver(extra);
    ASSERT_NE(receiver.port(), 0u) << receiver.log();
    Client client(receiver.port());
    ASSERT_TRUE(client.send(connectPacket(512)));
    const auto answer = client.response();
    ASSERT_TRUE(answer.has_value()) << receiver.log();
    ASSERT_EQ(answer->size(), 7u);
    EXPECT_EQ((*answer)[0], kSuccess);
    EXPECT_EQ((*answer)[3], 0x10);  // OBEX 1.0
    EXPECT_EQ((unsigned{(*answer)[5]} << 8) | (*answer)[6], announced);
    // A packet of exactly the announced length is taken.
    const Bytes headers = nameHeader(u"full.txt") + lengthHeader(0);
    const std::string body(announced - packet(0x82, headers + bodyHeader("", true)).size(), 'x');
    const Bytes full = packet(0x82, nameHeader(u"full.txt") +
                                        lengthHeader(static_cast<std::uint32_t>(body.size())) +
                                        bodyHeader(body, true));
    ASSERT_EQ(full.size(), announced);
    EXPECT_EQ(client.request(full), kSuccess) << receiver.log();
    EXPECT_EQ(readFile(receiver.dir() / "full.txt"), body);
    EXPECT_EQ(client.request(kDisconnect), kSuccess);
    client.close();
    EXPECT_EQ(receiver.exitStatus(), 0) << receiver.log();
  }
}

TEST(ObexReceiver, StoresAPushInTwoChunksAndReportsIt) {
  struct Case {
    std::u16string name;
    std::string utf8Name;
    std::string body;
  };
  const Case cases[] = {
      {u"note.txt", "note.txt", "Hello, world.\n"},
      {u"\u03C3\u03B7\u03BC\u03B5\u03AF\u03C9\u03C3\u03B7.txt",
       "\xCF\x83\xCE\xB7\xCE\xBC\xCE\xB5\xCE\xAF\xCF\x89\xCF\x83\xCE\xB7.txt",
       "\xCE\x93\xCE\xB5\xCE\xB9\xCE\xB1 \xCF\x83\xCE\xBF\xCF\x85"},
      {u"\u30E1\u30E2\U0001F600.txt", "\xE3\x83\xA1\xE3\x83\xA2\xF0\x9F\x98\x80.txt",
       "\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80 end"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8Name);
    Receiver receiver({"--once"});
    ASSERT_NE(receiver.port(), 0u) << receiver.log();
    Client client(receiver.port());
    ASSERT_EQ(client.request(connectPacket(512)), kSuccess) << receiver.log();
    const std::size_t half = c.body.size() / 2;
    EXPECT_EQ(
        client.request(packet(0x02, nameHeader(c.name) + typeHeader("text/plain") +
                                        lengthHeader(static_cast<std::uint32_t>(c.body.size())) +
                                        bodyHeader(c.body.substr(0, half), false))),
        kContinue)
        << receiver.log();
    EXPECT_EQ(client.request(packet(0x82, bodyHeader(c.body.substr(half), true))), kSuccess)
        << receiver.log();
    const auto line = receiver.line();
    EXPECT_EQ(client.request(kDisconnect), kSuccess);
    EXPECT_TRUE(client.closedByPeer());
    client.close();

    const fs::path stored = receiver.dir() / c.utf8Name;
    EXPECT_EQ(line, "{\"name\": \"" + c.utf8Name + "\", \"type\": \"text/plain\", " +
                        "\"length_header\": " + std::to_string(c.body.size()) +
                        ", \"bytes\": " + std::to_string(c.body.size()) + ", \"path\": \"" +
                        fs::canonical(receiver.dir()).string() + "/" + c.utf8Name + "\"}");
    EXPECT_EQ(readFile(stored), c.body);
    EXPECT_EQ(receiver.filesInDir(), std::set<std::string>{c.utf8Name});
    EXPECT_EQ(receiver.exitStatus(), 0) << receiver.log();
  }
}

TEST(ObexReceiver, ServesOnlyObjectPushAndKeepsEveryObject) {
  Receiver receiver({"--once"});
  ASSERT_NE(receiver.port(), 0u) << receiver.log();
  Client client(receiver.port());
  ASSERT_EQ(client.request(connectPacket(0xFFFF)), kSuccess);
  // Neither Action, Get nor a Put without Body (delete) is served, and the
  // session goes on.
  EXPECT_EQ(client.request(packet(0x86, {})), kNotImplemented);
  EXPECT_EQ(client.request(packet(0x83, nameHeader(u"a.txt"))), kNotImplemented);
  EXPECT_EQ(client.request(packet(0x82, nameHeader(u"a.txt"))), kNotImplemented);
  // The same name twice keeps both; no Length header; an empty object.
  EXPECT_EQ(client.request(packet(0x82, nameHeader(u"a.txt") + bodyHeader("one", true))), kSuccess);
  EXPECT_EQ(client.request(packet(0x82, nameHeader(u"a.txt") + bodyHeader("two", true))), kSuccess);
  EXPECT_EQ(client.request(
                packet(0x82, nameHeader(u"empty.txt") + lengthHeader(0) + bodyHeader("", true))),
            kSuccess);
  // Leaving without Disconnect still ends the session cleanly.
  client.close();

  const std::string dir = fs::canonical(receiver.dir()).string();
  EXPECT_EQ(receiver.line(),
            "{\"name\": \"a.txt\", \"type\": null, \"length_header\": null, "
            "\"bytes\": 3, \"path\": \"" +
                dir + "/a.txt\"}");
  EXPECT_EQ(receiver.line(),
            "{\"name\": \"a.txt\", \"type\": null, \"length_header\": null, "
            "\"bytes\": 3, \"path\": \"" +
                dir + "/a-1.txt\"}");
  EXPECT_EQ(receiver.line(),
            "{\"name\": \"empty.txt\", \"type\": null, \"length_header\": 0, "
            "\"bytes\": 0, \"path\": \"" +
                dir + "/empty.txt\"}");
  EXPECT_EQ(readFile(receiver.dir() / "a.txt"), "one");
  EXPECT_EQ(readFile(receiver.dir() / "a-1.txt"), "two");
  EXPECT_EQ(receiver.filesInDir(), (std::set<std::string>{"a.txt", "a-1.txt", "empty.txt"}));
  EXPECT_EQ(receiver.exitStatus(), 0) << receiver.log();
}

TEST(ObexReceiver, NamesNeverLeaveTheDirectory) {
  struct Case {
    std::optional<std::string> name;  // ASCII, sent as UTF-16
    std::string json;
    std::string file;
  };
  // A name unique to this run, so a file left by a broken receiver cannot
  // fail later runs.
  const std::string escapee = "obex-receiver-escape-" + std::to_string(::getpid()) + ".txt";
  const std::string deep = "../../../../../../../../tmp/" + escapee;
  const Case cases[] = {
      {"../escape.txt", "\"../escape.txt\"", ".._escape.txt"},
      {deep, "\"" + deep + "\"", ".._.._.._.._.._.._.._.._tmp_" + escapee},
      {"/tmp/" + escapee, "\"/tmp/" + escapee + "\"", "_tmp_" + escapee},
      {"..", "\"..\"", "__"},
      {"a\\..\\b", "\"a\\\\..\\\\b\"", "a_.._b"},
      {"", "\"\"", "unnamed"},
      {std::nullopt, "null", "unnamed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Receiver receiver({"--once"});
    ASSERT_NE(receiver.port(), 0u) << receiver.log();
    Client client(receiver.port());
    ASSERT_EQ(client.request(connectPacket(512)), kSuccess);
    const Bytes name =
        c.name ? nameHeader(std::u16string(c.name->begin(), c.name->end())) : Bytes{};
    EXPECT_EQ(client.request(packet(0x82, name + bodyHeader("x", true))), kSuccess);
    EXPECT_EQ(client.request(kDisconnect), kSuccess);
    client.close();
    EXPECT_EQ(receiver.line(), "{\"name\": " + c.json +
                                   ", \"type\": null, \"length_header\": "
                                   "null, \"bytes\": 1, \"path\": \"" +
                                   fs::canonical(receiver.dir()).string() + "/" + c.file + "\"}");
    EXPECT_EQ(receiver.filesInDir(), std::set<std::string>{c.file});
    EXPECT_TRUE(receiver.strayOutsideDir().empty());
    EXPECT_FALSE(fs::exists("/tmp/" + escapee));
    fs::remove("/tmp/" + escapee);
    EXPECT_EQ(receiver.exitStatus(), 0) << receiver.log();
    if (c.file != "unnamed") {
      EXPECT_NE(receiver.log().find("not a safe file name"), std::string::npos) << receiver.log();
    }
  }
}

// A hostile client: what it sends after a good Connect (or instead of one).
// Only the silent ones may end by the idle time-out; the others run with a
// time-out longer than kWaitSeconds, so they pass only if the receiver
// notices the fault (or our close) by itself.
struct Hostile {
  const char* what;
  bool connectFirst;
  Bytes bytes;
  bool thenClose;  // close our side instead of waiting for the receiver
  bool silent;
};

std::vector<Hostile> hostileClients() {
  std::mt19937 random(650);
  Bytes garbage(300);
  for (auto& byte : garbage) byte = static_cast<std::uint8_t>(random());
  garbage[1] = 0x01;  // exactly 300 bytes: framed well, so the headers get checked
  garbage[2] = 0x2C;
  Bytes oversized = packet(0x82, nameHeader(u"big.txt") + bodyHeader(std::string(1100, 'b'), true));
  return {
      {"packet longer than announced", true, oversized, false, false},
      {"packet length below 3", false, {0x80, 0x00, 0x02, 0x10, 0x00, 0x02, 0x00}, false, false},
      {"length field promises more than is sent, then silence",
       true,
       {0x82, 0x00, 0x40, 0x49, 0x00, 0x05, 'a', 'b'},
       false,
       true},
      {"header length runs past the packet",
       true,
       {0x82, 0x00, 0x0C, 0x01, 0x01, 0x00, 0x00, 'a', 0x00, 0x00, 0x49, 0x00},
       false,
       false},
      {"Connect shorter than its fixed fields", false, {0x80, 0x00, 0x04, 0x10}, false, false},
      {"garbage", false, garbage, false, false},
      {"silence", false, {}, false, true},
      {"abrupt close inside a packet", true, {0x02, 0x00, 0x20, 0x01}, true, false},
      {"abrupt close between the chunks of a Put", true,
       packet(0x02, nameHeader(u"partial.txt") + lengthHeader(8) + bodyHeader("half", false)), true,
       false},
  };
}

TEST(ObexReceiver, HostileClientsEndTheOnceSessionAsFailedWithoutStoringAnything) {
  for (const Hostile& hostile : hostileClients()) {
    SCOPED_TRACE(hostile.what);
    Receiver receiver({"--once", "--timeout", hostile.silent ? "1" : "60"});
    ASSERT_NE(receiver.port(), 0u) << receiver.log();
    Client client(receiver.port());
    ASSERT_TRUE(client.connected());
    if (hostile.connectFirst) {
      ASSERT_EQ(client.request(connectPacket(512)), kSuccess);
    }
    if (!hostile.bytes.empty()) client.send(hostile.bytes);
    if (hostile.thenClose) {
      client.close();
    } else {
      EXPECT_TRUE(client.closedByPeer());
    }
    EXPECT_EQ(receiver.exitStatus(), 1) << receiver.log();
    EXPECT_EQ(receiver.line(), std::nullopt);
    EXPECT_TRUE(receiver.filesInDir().empty());
    EXPECT_TRUE(receiver.strayOutsideDir().empty());
  }
}

TEST(ObexReceiver, KeepsServingAfterHostileClientsUntilStopped) {
  Receiver receiver({"--timeout", "1"});
  ASSERT_NE(receiver.port(), 0u) << receiver.log();
  for (const Hostile& hostile : hostileClients()) {
    SCOPED_TRACE(hostile.what);
    Client client(receiver.port());
    if (hostile.connectFirst) {
      ASSERT_EQ(client.request(connectPacket(512)), kSuccess);
    }
    if (!hostile.bytes.empty()) client.send(hostile.bytes);
    if (!hostile.thenClose) {
      EXPECT_TRUE(client.closedByPeer());
    }
  }
  Client client(receiver.port());
  ASSERT_EQ(client.request(connectPacket(512)), kSuccess) << receiver.log();
  EXPECT_EQ(client.request(packet(0x82, nameHeader(u"after.txt") + typeHeader("text/plain") +
                                            lengthHeader(2) + bodyHeader("ok", true))),
            kSuccess);
  EXPECT_EQ(client.request(kDisconnect), kSuccess);
  client.close();
  const auto line = receiver.line();
  ASSERT_TRUE(line.has_value()) << receiver.log();
  EXPECT_NE(line->find("\"name\": \"after.txt\""), std::string::npos);
  EXPECT_EQ(receiver.filesInDir(), std::set<std::string>{"after.txt"});
  receiver.stop();
  EXPECT_EQ(receiver.exitStatus(), 0) << receiver.log();
}

TEST(ObexReceiver, RefusesBadCommandLines) {
  for (const auto& extra :
       {std::vector<std::string>{"--mtu", "100"}, std::vector<std::string>{"--mtu", "70000"},
        std::vector<std::string>{"--timeout", "soon"},
        std::vector<std::string>{"--listen", "0.0.0.0:0"},
        std::vector<std::string>{"--dir", "/nonexistent/obex-receiver"},
        std::vector<std::string>{"--bogus"}}) {
    SCOPED_TRACE(extra.front() + " " + (extra.size() > 1 ? extra[1] : ""));
    Receiver receiver(extra);
    EXPECT_EQ(receiver.port(), 0u);
    EXPECT_EQ(receiver.exitStatus(), 2) << receiver.log();
  }
}

}  // namespace
}  // namespace orvin::obexreceiver
