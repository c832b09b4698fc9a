#include "chars/TextFiles.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <new>

#include "chars/TextEncodings.h"
#include "chars/internal/TextFileDecoding.h"

namespace orvin {
namespace {

// Symbolic links followed when resolving a write target, as the kernel's
// own limit for a path walk.
constexpr int kMaxLinkHops = 40;

std::atomic<NSUInteger> processDefaultEncoding{NSUTF8StringEncoding};

// The path as the kernel wants it, or nullopt when it cannot name a file.
std::optional<std::string> kernelPath(const String& path) {
  if (path.isEmpty()) return std::nullopt;
  std::optional<std::string> bytes = bytesOfString(path, NSUTF8StringEncoding);
  if (!bytes || bytes->find('\0') != std::string::npos) return std::nullopt;
  return bytes;
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) noexcept : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  [[nodiscard]] int get() const noexcept { return fd_; }
  [[nodiscard]] bool valid() const noexcept { return fd_ >= 0; }
  // Closes now, answering whether the close succeeded (a late write error
  // shows up here on some file systems).
  bool close() noexcept {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 || errno == EINTR;
  }

 private:
  int fd_;
};

int openRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path, flags, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool syncRetrying(int fd) {
  int result;
  do {
    result = ::fsync(fd);
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

std::string_view folderOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The file a write to `path` replaces: `path` itself, or where its chain of
// symbolic links ends (which need not exist yet). nullopt for a loop.
std::optional<std::string> resolveLinks(std::string path) {
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    std::string target(static_cast<std::size_t>(info.st_size) + 1, '\0');
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length < 0 || static_cast<std::size_t>(length) >= target.size()) return std::nullopt;
    target.resize(static_cast<std::size_t>(length));
    if (target.empty()) return std::nullopt;
    if (target.front() != '/') target = std::string(folderOf(path)) + "/" + target;
    path = std::move(target);
  }
  return std::nullopt;
}

std::string randomSuffix() {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char noise[6] = {};
  if (::getrandom(noise, sizeof noise, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof noise)) {
    // No entropy yet: O_EXCL still keeps the name ours, only collisions are
    // likelier.
    static std::atomic<unsigned> counter{0};
    const unsigned mix = static_cast<unsigned>(::getpid()) * 2654435761u + counter++;
    for (std::size_t i = 0; i < sizeof noise; ++i) noise[i] = static_cast<unsigned char>(mix >> i);
  }
  std::string suffix;
  for (unsigned char n : noise) suffix.push_back(kAlphabet[n % (sizeof kAlphabet - 1)]);
  return suffix;
}

bool writeAtomically(const std::string& requested, std::string_view bytes) {
  const std::optional<std::string> target = resolveLinks(requested);
  if (!target) return false;
  const std::string folder(folderOf(*target));
  const std::size_t slash = target->rfind('/');
  const std::string name = slash == std::string::npos ? *target : target->substr(slash + 1);
  if (name.empty()) return false;

  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = folder + "/." + name + "." + randomSuffix();
    fd = openRetrying(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  FileDescriptor file(fd);
  if (!file.valid()) return false;

  struct stat existing;
  bool ok = true;
  if (::stat(target->c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
    ok = ::fchmod(file.get(), existing.st_mode & 07777) == 0;
  }
  ok = ok && writeAll(file.get(), bytes) && syncRetrying(file.get());
  ok = file.close() && ok;
  ok = ok && ::rename(temporary.c_str(), target->c_str()) == 0;
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  // The rename is only durable once the folder is; some file systems cannot
  // sync a folder, which leaves the write done but not yet durable.
  FileDescriptor directory(openRetrying(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.valid()) syncRetrying(directory.get());
  return true;
}

bool writePlainly(const std::string& path, std::string_view bytes) {
  // Non-blocking, so that a FIFO without a reader cannot hold us; regular
  // files ignore the flag.
  FileDescriptor file(
      openRetrying(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666));
  if (!file.valid()) return false;
  struct stat info;
  if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  if (::ftruncate(file.get(), 0) != 0) return false;
  const bool written = writeAll(file.get(), bytes);
  return file.close() && written;
}

}  // namespace

std::optional<std::string> readFileBytes(const String& path, std::size_t maxBytes) {
  const std::optional<std::string> name = kernelPath(path);
  if (!name) return std::nullopt;
  // Non-blocking open: a FIFO would otherwise wait for a writer.
  FileDescriptor file(openRetrying(name->c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!file.valid()) return std::nullopt;
  struct stat info;
  if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  if (static_cast<std::uint64_t>(info.st_size) > maxBytes) return std::nullopt;
  try {
    std::string bytes;
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t filled = 0;
    for (;;) {
      // The file may have grown since fstat: keep reading to its end.
      if (filled == bytes.size()) bytes.resize(bytes.size() + 4096);
      const ssize_t got = ::read(file.get(), bytes.data() + filled, bytes.size() - filled);
      if (got < 0) {
        if (errno == EINTR) continue;
        return std::nullopt;
      }
      if (got == 0) break;
      filled += static_cast<std::size_t>(got);
      if (filled > maxBytes) return std::nullopt;
    }
    bytes.resize(filled);
    return bytes;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  } catch (const std::length_error&) {
    return std::nullopt;
  }
}

bool writeFileBytes(const String& path, std::string_view bytes, bool atomically) {
  const std::optional<std::string> name = kernelPath(path);
  if (!name) return false;
  try {
    return atomically ? writeAtomically(*name, bytes) : writePlainly(*name, bytes);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

namespace detail {

String stringWithFileBytes(const std::string_view* bytes, NSUInteger encoding,
                           NSUInteger* usedEncoding) {
  if (!isDetectEncodingRequest(encoding)) {
    if (usedEncoding != nullptr) *usedEncoding = encoding;
    return bytes != nullptr ? stringWithBytes(bytes->data(), bytes->size(), encoding) : String();
  }
  if (bytes != nullptr) {
    const NSUInteger detected = detectEncoding(bytes->data(), bytes->size());
    if (detected != 0) {
      String text = stringWithBytes(bytes->data(), bytes->size(), detected);
      if (!text.isNil()) {
        if (usedEncoding != nullptr) *usedEncoding = detected;
        return text;
      }
    }
  }
  if (usedEncoding != nullptr) *usedEncoding = NSASCIIStringEncoding;
  return bytes != nullptr ? stringWithBytes(bytes->data(), bytes->size(), NSASCIIStringEncoding)
                          : String();
}

}  // namespace detail

String stringWithContentsOfFile(const String& path, NSUInteger encoding, NSUInteger* usedEncoding) {
  const std::optional<std::string> content = readFileBytes(path);
  if (!content) return detail::stringWithFileBytes(nullptr, encoding, usedEncoding);
  const std::string_view bytes(*content);
  return detail::stringWithFileBytes(&bytes, encoding, usedEncoding);
}

String stringWithContentsOfFile(const String& path, NSUInteger encoding) {
  return stringWithContentsOfFile(path, encoding, nullptr);
}

NSUInteger defaultEncoding() noexcept {
  return processDefaultEncoding.load(std::memory_order_relaxed);
}

void setDefaultEncoding(NSUInteger encoding) noexcept {
  processDefaultEncoding.store(encoding, std::memory_order_relaxed);
}

bool writeToFile(const String& s, const String& path, bool atomically, NSUInteger encoding) {
  const std::optional<std::string> bytes = bytesOfString(s, encoding);
  return bytes && writeFileBytes(path, *bytes, atomically);
}

namespace {
bool writeReporting(const String& s, const String& path, bool atomically, NSUInteger encoding,
                    NSUInteger* usedEncoding) {
  if (usedEncoding != nullptr) *usedEncoding = encoding;
  return writeToFile(s, path, atomically, encoding);
}
}  // namespace

bool writeToFileUsingDefaultEncoding(const String& s, const String& path, bool atomically,
                                     NSUInteger* usedEncoding) {
  return writeReporting(s, path, atomically, defaultEncoding(), usedEncoding);
}

bool writeToFileUsingFastestEncoding(const String& s, const String& path, bool atomically,
                                     NSUInteger* usedEncoding) {
  return writeReporting(s, path, atomically, fastestEncoding(s), usedEncoding);
}

bool writeToFileUsingSmallestEncoding(const String& s, const String& path, bool atomically,
                                      NSUInteger* usedEncoding) {
  return writeReporting(s, path, atomically, smallestEncoding(s), usedEncoding);
}

}  // namespace orvin
