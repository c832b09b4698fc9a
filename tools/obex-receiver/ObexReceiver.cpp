// obex-receiver: an OBEX Object Push server for tests, built on libopenobex's
// server side. The socket is ours: we frame and check every request before
// the library sees it (libopenobex 1.7.2 corrupts memory on a packet longer
// than it announced) and notice a client that closes or falls silent, which
// the library does not. Each stored object is reported as one JSON line on
// standard output; everything else is logged on standard error.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openobex/obex.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ReceiverCore.h"

// libopenobex 1.7.2 leaks a few bytes per Put inside itself; keep leak checks
// of sanitizer builds about our code.
extern "C" [[gnu::used]] const char* __lsan_default_suppressions() {
  return "leak:libopenobex.so\n";
}

namespace orvin::obexreceiver {
namespace {

using Clock = std::chrono::steady_clock;

// Header ids; the library's OBEX_HDR_* macros combine two enumerations, which
// C++20 deprecates.
constexpr std::uint8_t kHeaderName = 0x01;
constexpr std::uint8_t kHeaderType = 0x42;
constexpr std::uint8_t kHeaderLength = 0xC3;
constexpr std::uint8_t kHeaderBody = 0x48;
constexpr std::uint8_t kHeaderEndOfBody = 0x49;

volatile sig_atomic_t gStopRequested = 0;

void onStopSignal(int) {
  gStopRequested = 1;
}

[[gnu::format(printf, 1, 2)]] void logLine(const char* format, ...) {
  char text[1200];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::fprintf(stderr, "obex-receiver: %s\n", text);
}

const char* kUsage =
    "usage: obex-receiver --listen ADDRESS:PORT --dir DIR [--once] [--mtu N]\n"
    "                     [--port-file FILE] [--timeout SECONDS] [--max-object BYTES]\n"
    "\n"
    "An OBEX Object Push receiver (OBEX over TCP) on libopenobex, for tests.\n"
    "  --listen A:P       numeric address to listen on, e.g. 127.0.0.1:650 or [::1]:0;\n"
    "                     port 0 picks a free port. Wildcard addresses are refused.\n"
    "  --dir DIR          existing directory that receives the objects\n"
    "  --once             exit after the first session ends\n"
    "  --mtu N            maximum packet length to announce (255-65535;\n"
    "                     default: the library's own, 1024)\n"
    "  --port-file FILE   write the port actually bound to FILE\n"
    "  --timeout SECONDS  close a session after this long without data (default 30)\n"
    "  --max-object BYTES refuse larger objects (default 16777216)\n"
    "\n"
    "Each stored object prints one line on standard output:\n"
    "  {\"name\": ..., \"type\": ..., \"length_header\": N|null, \"bytes\": N, \"path\": ...}\n"
    "Exit status: 0 after a clean session (--once) or a stop signal, 1 when the\n"
    "--once session failed, 2 on bad usage or setup failure.\n";

struct Options {
  ListenAddress listen;
  std::string dir;
  bool once = false;
  unsigned mtu = 0;  // 0: leave the library's default
  std::string portFile;
  double timeoutSeconds = 30;
  std::uint64_t maxObjectBytes = 16u << 20;
};

std::optional<Options> parseOptions(int argc, char** argv) {
  Options options;
  bool haveListen = false;
  for (int i = 1; i < argc; ++i) {
    std::string name = argv[i];
    std::optional<std::string> value;
    if (const auto equals = name.find('='); name.starts_with("--") && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
    }
    const auto takeValue = [&]() -> std::optional<std::string> {
      if (value) return value;
      if (i + 1 < argc) return std::string(argv[++i]);
      logLine("%s needs a value", name.c_str());
      return std::nullopt;
    };
    const auto takeNumber = [&](double low, double high) -> std::optional<double> {
      const auto text = takeValue();
      if (!text) return std::nullopt;
      char* end = nullptr;
      const double number = std::strtod(text->c_str(), &end);
      if (text->empty() || *end != '\0' || !(number >= low && number <= high)) {
        logLine("%s: \"%s\" is not a number from %g to %g", name.c_str(), text->c_str(), low, high);
        return std::nullopt;
      }
      return number;
    };

    if (name == "--help" || name == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (name == "--once" && !value) {
      options.once = true;
    } else if (name == "--listen") {
      const auto text = takeValue();
      if (!text) return std::nullopt;
      const auto address = parseListenAddress(*text);
      if (!address) {
        logLine("--listen: \"%s\" is not a numeric, non-wildcard ADDRESS:PORT", text->c_str());
        return std::nullopt;
      }
      options.listen = *address;
      haveListen = true;
    } else if (name == "--dir") {
      const auto text = takeValue();
      if (!text) return std::nullopt;
      options.dir = *text;
    } else if (name == "--port-file") {
      const auto text = takeValue();
      if (!text) return std::nullopt;
      options.portFile = *text;
    } else if (name == "--mtu") {
      const auto number = takeNumber(OBEX_MINIMUM_MTU, OBEX_MAXIMUM_MTU);
      if (!number || *number != static_cast<unsigned>(*number)) return std::nullopt;
      options.mtu = static_cast<unsigned>(*number);
    } else if (name == "--timeout") {
      const auto number = takeNumber(0.001, 86400);
      if (!number) return std::nullopt;
      options.timeoutSeconds = *number;
    } else if (name == "--max-object") {
      const auto number = takeNumber(0, 1u << 30);
      if (!number) return std::nullopt;
      options.maxObjectBytes = static_cast<std::uint64_t>(*number);
    } else {
      logLine("unknown argument \"%s\"", argv[i]);
      return std::nullopt;
    }
  }
  if (!haveListen || options.dir.empty()) {
    logLine("--listen and --dir are required");
    return std::nullopt;
  }
  return options;
}

// The target directory. Files are written under a temporary name and then
// renamed without replacing anything, all relative to one directory handle,
// so a received name can neither leave the directory nor clobber a file.
class Store {
 public:
  ~Store() {
    if (dirFd_ >= 0) ::close(dirFd_);
  }

  bool open(const std::string& dir) {
    char resolved[PATH_MAX];
    if (::realpath(dir.c_str(), resolved) == nullptr) {
      logLine("cannot use directory %s: %s", dir.c_str(), std::strerror(errno));
      return false;
    }
    dirFd_ = ::open(resolved, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd_ < 0) {
      logLine("cannot open directory %s: %s", resolved, std::strerror(errno));
      return false;
    }
    dirPath_ = resolved;
    return true;
  }

  const std::string& path() const { return dirPath_; }

  // Stores `body` as `fileName` (or a numbered variant when taken); answers
  // the full path, or nullopt with `error` set to an errno value.
  std::optional<std::string> store(const std::string& fileName, std::span<const std::uint8_t> body,
                                   int& error) {
    const std::string temporary =
        ".obex-receiver-" + std::to_string(::getpid()) + "-" + std::to_string(++counter_) + ".part";
    const int fd = ::openat(dirFd_, temporary.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
      error = errno;
      return std::nullopt;
    }
    std::size_t done = 0;
    while (done < body.size()) {
      const ssize_t n = ::write(fd, body.data() + done, body.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    error = done == body.size() ? 0 : (errno != 0 ? errno : EIO);
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0) {
      for (unsigned number = 0; number < 1000; ++number) {
        const std::string candidate = number == 0 ? fileName : numberedFileName(fileName, number);
        if (candidate == temporary) continue;
        if (placeWithoutReplacing(temporary, candidate)) {
          if (number > 0)
            logLine("\"%s\" exists; stored as \"%s\"", fileName.c_str(), candidate.c_str());
          return dirPath_ + "/" + candidate;
        }
        if (errno != EEXIST) break;
      }
      error = errno;
    }
    ::unlinkat(dirFd_, temporary.c_str(), 0);
    return std::nullopt;
  }

 private:
  bool placeWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(dirFd_, from.c_str(), dirFd_, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // File systems without RENAME_NOREPLACE: a hard link also refuses to replace.
    if (::linkat(dirFd_, from.c_str(), dirFd_, to.c_str(), 0) != 0) return false;
    ::unlinkat(dirFd_, from.c_str(), 0);
    return true;
  }

  int dirFd_ = -1;
  std::string dirPath_;
  unsigned counter_ = 0;
};

enum class SessionEnd { Clean, Failed, Stopped };

// One client connection, served by one libopenobex handle on a custom
// transport: we read and check packets and feed them whole, one at a time;
// the library answers through onWrite.
class Session {
 public:
  Session(int fd, const Options& options, Store& store)
      : fd_(fd),
        options_(options),
        store_(store),
        maxPacket_(options.mtu != 0 ? options.mtu : OBEX_DEFAULT_MTU) {}

  ~Session() {
    if (obex_ != nullptr) {
      closing_ = true;
      // Drops a half-received object, which OBEX_Cleanup would leak.
      OBEX_CancelRequest(obex_, 0);
      OBEX_Cleanup(obex_);
    }
    ::close(fd_);
  }

  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  SessionEnd run() {
    if (!startLibrary()) return SessionEnd::Failed;
    auto deadline = idleDeadline();
    std::uint8_t chunk[16384];
    for (;;) {
      for (;;) {
        const PacketCheck check = checkRequestPacket(received_, maxPacket_);
        if (check.verdict == PacketVerdict::NeedMore) break;
        if (check.verdict == PacketVerdict::Reject) {
          logLine("closing the connection: %s", check.reason.c_str());
          return SessionEnd::Failed;
        }
        const bool fine = handlePacket(std::span(received_.data(), check.length), check);
        received_.erase(received_.begin(), received_.begin() + static_cast<long>(check.length));
        if (!fine) return SessionEnd::Failed;
        if (disconnected_) return finishAfterDisconnect();
      }

      if (gStopRequested) return SessionEnd::Stopped;
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) {
        logLine("no data from the client for %g s; closing the connection",
                options_.timeoutSeconds);
        return SessionEnd::Failed;
      }
      pollfd waiting{fd_, POLLIN, 0};
      const int ready = ::poll(&waiting, 1, static_cast<int>(std::min<long>(left.count(), 1000)));
      if (ready < 0 && errno != EINTR) {
        logLine("poll: %s", std::strerror(errno));
        return SessionEnd::Failed;
      }
      if (ready <= 0) continue;

      const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
      if (n < 0) {
        if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
        logLine("receive failed: %s", std::strerror(errno));
        return SessionEnd::Failed;
      }
      if (n == 0) return clientClosed();
      received_.insert(received_.end(), chunk, chunk + n);
      deadline = idleDeadline();
    }
  }

 private:
  Clock::time_point idleDeadline() const {
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(
                              std::chrono::duration<double>(options_.timeoutSeconds));
  }

  bool startLibrary() {
    obex_ = OBEX_Init(OBEX_TRANS_CUSTOM, &Session::onEvent, 0);
    if (obex_ == nullptr) {
      logLine("OBEX_Init failed");
      return false;
    }
    OBEX_SetUserData(obex_, this);
    obex_ctrans_t transport{};
    transport.connect = [](obex_t*, void*) { return 0; };
    transport.handleinput = [](obex_t*, void*, int) { return 0; };  // input comes by feeding
    transport.write = &Session::onWrite;
    transport.customdata = this;
    if (OBEX_RegisterCTransport(obex_, &transport) < 0) {
      logLine("OBEX_RegisterCTransport failed");
      return false;
    }
    if (options_.mtu != 0 && OBEX_SetTransportMTU(obex_, static_cast<std::uint16_t>(options_.mtu),
                                                  static_cast<std::uint16_t>(options_.mtu)) < 0) {
      logLine("OBEX_SetTransportMTU(%u) failed", options_.mtu);
      return false;
    }
    // The library writes only on a "connected" transport; ours is, already.
    if (OBEX_TransportConnect(obex_, nullptr, 0) < 0) {
      logLine("OBEX_TransportConnect failed");
      return false;
    }
    return true;
  }

  bool handlePacket(std::span<std::uint8_t> packet, const PacketCheck& check) {
    const std::uint8_t opcode = packet[0];
    if (!isLibraryOpcode(opcode)) {
      logLine("request 0x%02X (%zu bytes) is not served; answering Not Implemented", opcode,
              packet.size());
      const std::uint8_t notImplemented[3] = {OBEX_RSP_NOT_IMPLEMENTED | OBEX_FINAL, 0, 3};
      return sendAll(notImplemented, sizeof notImplemented);
    }
    if ((opcode & 0x7F) == OBEX_CMD_PUT) {
      putBodySeen_ = putBodySeen_ || check.hasBody;
      putBodyBytes_ += check.bodyBytes;
      if (putBodyBytes_ > options_.maxObjectBytes) {
        logLine("object exceeds %llu bytes; closing the connection",
                static_cast<unsigned long long>(options_.maxObjectBytes));
        return false;
      }
    }

    failed_ = false;
    lastResponse_ = -1;
    if (OBEX_CustomDataFeed(obex_, packet.data(), static_cast<int>(packet.size())) < 0) {
      logLine("the library refused request 0x%02X", opcode);
      return false;
    }
    int rounds = 0;
    do {
      if (OBEX_Work(obex_) < 0) {
        logLine("the library failed on request 0x%02X", opcode);
        return false;
      }
    } while (OBEX_GetDataDirection(obex_) == OBEX_DATA_OUT && ++rounds < 16);
    if (OBEX_GetDataDirection(obex_) == OBEX_DATA_OUT) {
      logLine("the library did not finish answering request 0x%02X", opcode);
      return false;
    }
    if (lastResponse_ >= 0) {
      logLine("request 0x%02X (%zu bytes) -> 0x%02X %s", opcode, packet.size(), lastResponse_,
              OBEX_ResponseToString(lastResponse_ & 0x7F));
    }
    return !failed_;
  }

  SessionEnd clientClosed() {
    if (!received_.empty()) {
      logLine("the client closed its side inside a packet (%zu bytes pending)", received_.size());
      return SessionEnd::Failed;
    }
    if (putInProgress_) {
      logLine("the client closed its side during a Put; the partial object is discarded");
      return SessionEnd::Failed;
    }
    logLine("the client closed its side");
    return SessionEnd::Clean;
  }

  // After answering Disconnect: stop sending, then give the client a moment
  // to read the answer and close, so our close does not reset the connection
  // under its feet. Anything it still sends is ignored.
  SessionEnd finishAfterDisconnect() {
    ::shutdown(fd_, SHUT_WR);
    const auto until = Clock::now() + std::chrono::seconds(2);
    std::uint8_t sink[4096];
    while (!gStopRequested) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
      pollfd waiting{fd_, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&waiting, 1, static_cast<int>(left.count())) == 0) break;
      const ssize_t n = ::recv(fd_, sink, sizeof sink, 0);
      if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) break;
    }
    logLine("session ended by Disconnect (%u object%s stored)", objects_, objects_ == 1 ? "" : "s");
    return SessionEnd::Clean;
  }

  bool sendAll(const std::uint8_t* bytes, std::size_t length) {
    if (length >= 7 && bytes[0] == (OBEX_RSP_SUCCESS | OBEX_FINAL) && answeringConnect_) {
      const unsigned announced = (unsigned{bytes[5]} << 8) | bytes[6];
      logLine("Connect answered with a maximum packet length of %u", announced);
      if (announced < maxPacket_) maxPacket_ = announced;
    }
    answeringConnect_ = false;
    if (length > 0) lastResponse_ = bytes[0];

    const auto deadline = idleDeadline();
    std::size_t done = 0;
    while (done < length) {
      const ssize_t n = ::send(fd_, bytes + done, length - done, MSG_NOSIGNAL);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        logLine("send failed: %s", std::strerror(errno));
        return false;
      }
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      pollfd waiting{fd_, POLLOUT, 0};
      if (left.count() <= 0 || (::poll(&waiting, 1, static_cast<int>(left.count())) == 0)) {
        logLine("the client does not read; closing the connection");
        return false;
      }
    }
    return true;
  }

  static int onWrite(obex_t*, void* self, std::uint8_t* bytes, int length) {
    if (length < 0) return -1;
    return static_cast<Session*>(self)->sendAll(bytes, static_cast<std::size_t>(length)) ? length
                                                                                         : -1;
  }

  static void onEvent(obex_t* handle, obex_object_t* object, int, int event, int command,
                      int response) {
    static_cast<Session*>(OBEX_GetUserData(handle))->event(object, event, command, response);
  }

  void event(obex_object_t* object, int event, int command, int response) {
    if (closing_) return;
    switch (event) {
      case OBEX_EV_REQHINT:
        if (command == OBEX_CMD_CONNECT || command == OBEX_CMD_DISCONNECT ||
            command == OBEX_CMD_PUT) {
          putInProgress_ = command == OBEX_CMD_PUT;
          OBEX_ObjectSetRsp(object, OBEX_RSP_CONTINUE, OBEX_RSP_SUCCESS);
        } else {
          logLine("command 0x%02X is not served", command);
          OBEX_ObjectSetRsp(object, OBEX_RSP_NOT_IMPLEMENTED, OBEX_RSP_NOT_IMPLEMENTED);
        }
        break;
      case OBEX_EV_REQ:
        if (command == OBEX_CMD_CONNECT) {
          logConnect(object);
          answeringConnect_ = true;
        } else if (command == OBEX_CMD_PUT) {
          storePut(object);
        }
        break;
      case OBEX_EV_REQDONE:
        if (command == OBEX_CMD_PUT) endPut();
        if (command == OBEX_CMD_DISCONNECT) disconnected_ = true;
        break;
      case OBEX_EV_ABORT:
        logLine("the client aborted the request; a partial object is discarded");
        endPut();
        break;
      case OBEX_EV_LINKERR:
        failed_ = true;
        break;
      case OBEX_EV_PARSEERR:
        logLine("the library could not parse the request (command 0x%02X, response 0x%02X)",
                command, response);
        failed_ = true;
        break;
      case OBEX_EV_UNEXPECTED:
        logLine("the library saw unexpected data (command 0x%02X)", command);
        break;
      default:
        break;
    }
  }

  void endPut() {
    putInProgress_ = false;
    putBodySeen_ = false;
    putBodyBytes_ = 0;
  }

  void logConnect(obex_object_t* object) {
    std::uint8_t* fields = nullptr;
    if (OBEX_ObjectGetNonHdrData(object, &fields) >= 4 && fields != nullptr) {
      logLine("Connect: OBEX version %u.%u, flags 0x%02X, client maximum packet length %u",
              fields[0] >> 4, fields[0] & 0x0F, fields[1], (unsigned{fields[2]} << 8) | fields[3]);
    }
  }

  void storePut(obex_object_t* object) {
    ObjectRecord record;
    std::vector<std::uint8_t> body;
    bool nameDamaged = false;
    std::uint8_t id = 0;
    obex_headerdata_t value{};
    std::uint32_t size = 0;
    while (OBEX_ObjectGetNextHeader(obex_, object, &id, &value, &size) > 0) {
      const std::span<const std::uint8_t> bytes = value.bs != nullptr && (id & 0x80) == 0
                                                      ? std::span(value.bs, size)
                                                      : std::span<const std::uint8_t>();
      switch (id) {
        case kHeaderName:
          record.name = utf16BigEndianToUtf8(bytes, nameDamaged);
          break;
        case kHeaderType: {
          std::string type(bytes.begin(), bytes.end());
          if (!type.empty() && type.back() == '\0') type.pop_back();
          record.type = std::move(type);
          break;
        }
        case kHeaderLength:
          record.lengthHeader = value.bq4;
          break;
        case kHeaderBody:
        case kHeaderEndOfBody:
          body.insert(body.end(), bytes.begin(), bytes.end());
          break;
        default:
          logLine("ignoring header 0x%02X", id);
          break;
      }
    }

    if (!putBodySeen_) {
      logLine("a Put without Body is a delete request; refused");
      OBEX_ObjectSetRsp(object, OBEX_RSP_NOT_IMPLEMENTED, OBEX_RSP_NOT_IMPLEMENTED);
      return;
    }
    if (body.size() != putBodyBytes_) {
      logLine("the library handed over %zu body bytes of the %llu received", body.size(),
              static_cast<unsigned long long>(putBodyBytes_));
    }
    if (record.lengthHeader && *record.lengthHeader != body.size()) {
      logLine("the Length header says %u bytes but %zu arrived", *record.lengthHeader, body.size());
    }

    bool renamed = false;
    const std::string fileName = sanitizeFileName(record.name.value_or(""), renamed);
    if (!record.name) {
      logLine("no Name header; storing as \"%s\"", fileName.c_str());
    } else if (nameDamaged) {
      logLine("the Name header is not valid UTF-16; damaged characters became U+FFFD");
    }
    if (record.name && renamed) {
      logLine("name %s is not a safe file name; storing it as \"%s\"",
              jsonString(*record.name, true).c_str(), fileName.c_str());
    }

    int error = 0;
    const auto path = store_.store(fileName, body, error);
    if (!path) {
      logLine("cannot store \"%s\" in %s: %s", fileName.c_str(), store_.path().c_str(),
              std::strerror(error));
      const int refusal = error == ENOSPC || error == EDQUOT ? OBEX_RSP_DATABASE_FULL
                                                             : OBEX_RSP_INTERNAL_SERVER_ERROR;
      OBEX_ObjectSetRsp(object, static_cast<std::uint8_t>(refusal),
                        static_cast<std::uint8_t>(refusal));
      return;
    }
    record.bytes = body.size();
    record.path = *path;
    ++objects_;
    logLine("stored %zu bytes as %s", body.size(), path->c_str());
    // Printed before the Success answer goes out, so a client that saw
    // Success can rely on the line being there.
    const std::string line = objectRecordJson(record) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
  }

  int fd_;
  const Options& options_;
  Store& store_;
  obex_t* obex_ = nullptr;
  std::size_t maxPacket_;
  std::vector<std::uint8_t> received_;
  bool closing_ = false;
  bool failed_ = false;
  bool disconnected_ = false;
  bool answeringConnect_ = false;
  bool putInProgress_ = false;
  bool putBodySeen_ = false;
  std::uint64_t putBodyBytes_ = 0;
  int lastResponse_ = -1;
  unsigned objects_ = 0;
};

std::string describeAddress(const sockaddr_storage& address) {
  char host[INET6_ADDRSTRLEN] = "?";
  unsigned port = 0;
  if (address.ss_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
    ::inet_ntop(AF_INET, &v4->sin_addr, host, sizeof host);
    port = ntohs(v4->sin_port);
    return std::string(host) + ":" + std::to_string(port);
  }
  const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
  ::inet_ntop(AF_INET6, &v6->sin6_addr, host, sizeof host);
  port = ntohs(v6->sin6_port);
  return "[" + std::string(host) + "]:" + std::to_string(port);
}

bool writePortFile(const std::string& file, unsigned port) {
  // Written whole under another name first, so a reader never sees half of it.
  const std::string temporary = file + ".tmp";
  FILE* out = std::fopen(temporary.c_str(), "w");
  if (out == nullptr) return false;
  const bool written = std::fprintf(out, "%u\n", port) > 0;
  if (std::fclose(out) != 0 || !written) return false;
  return std::rename(temporary.c_str(), file.c_str()) == 0;
}

int listenOn(const ListenAddress& where) {
  const int family = where.address.ss_family;
  const int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (family == AF_INET6) ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&where.address), where.length) != 0 ||
      ::listen(fd, 8) != 0) {
    const int error = errno;
    ::close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

int run(int argc, char** argv) {
  const auto options = parseOptions(argc, argv);
  if (!options) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  struct sigaction stop {};
  stop.sa_handler = &onStopSignal;  // no SA_RESTART: poll must return
  ::sigaction(SIGINT, &stop, nullptr);
  ::sigaction(SIGTERM, &stop, nullptr);
  ::signal(SIGPIPE, SIG_IGN);

  Store store;
  if (!store.open(options->dir)) return 2;

  const int listenFd = listenOn(options->listen);
  if (listenFd < 0) {
    logLine("cannot listen on %s: %s", describeAddress(options->listen.address).c_str(),
            std::strerror(errno));
    return 2;
  }
  sockaddr_storage bound{};
  socklen_t boundLength = sizeof bound;
  ::getsockname(listenFd, reinterpret_cast<sockaddr*>(&bound), &boundLength);
  const unsigned port = ntohs(reinterpret_cast<const sockaddr_in*>(&bound)->sin_port);
  if (!options->portFile.empty() && !writePortFile(options->portFile, port)) {
    logLine("cannot write the port file %s: %s", options->portFile.c_str(), std::strerror(errno));
    ::close(listenFd);
    return 2;
  }
  logLine("listening on %s, storing in %s", describeAddress(bound).c_str(), store.path().c_str());

  int status = 0;
  while (!gStopRequested) {
    pollfd waiting{listenFd, POLLIN, 0};
    if (::poll(&waiting, 1, -1) <= 0) continue;
    sockaddr_storage peer{};
    socklen_t peerLength = sizeof peer;
    const int fd = ::accept4(listenFd, reinterpret_cast<sockaddr*>(&peer), &peerLength,
                             SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) continue;
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    logLine("client %s connected", describeAddress(peer).c_str());

    SessionEnd end;
    {
      Session session(fd, *options, store);
      end = session.run();
    }
    if (end == SessionEnd::Stopped) break;
    logLine("session %s", end == SessionEnd::Clean ? "ended cleanly" : "failed");
    if (options->once) {
      status = end == SessionEnd::Clean ? 0 : 1;
      break;
    }
  }
  if (gStopRequested) logLine("stopped by a signal");
  ::close(listenFd);
  return status;
}

}  // namespace
}  // namespace orvin::obexreceiver

int main(int argc, char** argv) {
  return orvin::obexreceiver::run(argc, argv);
}
