#include "support/internal/DefaultsFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

#include "chars/TextFiles.h"
#include "support/Log.h"
#include "support/MonotonicClock.h"

namespace orvin::detail {
namespace {

constexpr double kLockPatienceSeconds = 5;
constexpr auto kLockPoll = std::chrono::milliseconds(10);

std::atomic<bool> corruptionLogged{false};

String pathString(const std::string& path) {
  return String::withUtf8(path);
}

// Creates the folders of `path` that are missing, each 0700.
bool makeFolders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    const std::string folder = path.substr(0, slash);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

// An exclusive flock on the lock file, released when it goes out of scope.
class FileLock {
 public:
  explicit FileLock(const std::string& path) {
    do {
      fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) return;
    const double deadline = monotonicSeconds() + kLockPatienceSeconds;
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      if ((errno != EWOULDBLOCK && errno != EINTR) || monotonicSeconds() > deadline) {
        ::close(fd_);
        fd_ = -1;
        return;
      }
      std::this_thread::sleep_for(kLockPoll);
    }
    locked_ = true;
  }
  ~FileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  [[nodiscard]] bool locked() const noexcept { return locked_; }

 private:
  int fd_ = -1;
  bool locked_ = false;
};

// Creates the file empty with mode 0600 when it is missing, so that the
// atomic replace, which keeps the old file's mode, keeps this one.
void createPrivately(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
  if (fd >= 0) ::close(fd);
}

}  // namespace

std::optional<PropertyList::Dictionary> defaultsFromBytes(std::string_view bytes) {
  if (bytes.empty()) return PropertyList::Dictionary{};
  const PropertyList plist = propertyListFromData(
      std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  if (plist.kind() != PropertyList::Kind::Dictionary) return std::nullopt;
  return plist.dictionaryValue();
}

DefaultsFile::DefaultsFile(std::string path) : path_(std::move(path)) {}

std::optional<DefaultsFile::Stamp> DefaultsFile::currentStamp() const {
  struct stat info {};
  if (::stat(path_.c_str(), &info) != 0) return std::nullopt;
  return Stamp{info.st_dev, info.st_ino, info.st_size,
               static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec};
}

PropertyList::Dictionary DefaultsFile::reread() {
  const std::optional<Stamp> now = currentStamp();
  if (!now) {
    stamp_.reset();
    cached_.clear();
    return cached_;
  }
  if (now == stamp_) return cached_;
  const std::optional<std::string> bytes = readFileBytes(pathString(path_));
  std::optional<PropertyList::Dictionary> read =
      bytes ? defaultsFromBytes(*bytes) : std::optional<PropertyList::Dictionary>();
  if (!read && bytes) {
    // Kept for the user to look at, not overwritten by the next save.
    const std::string aside = path_ + ".bad";
    const bool moved = ::rename(path_.c_str(), aside.c_str()) == 0;
    if (!corruptionLogged.exchange(true)) {
      NSLog(u"User defaults: %s is not a property list; %s",
            {path_.c_str(), moved ? "kept as .bad, starting empty" : "starting empty"});
    }
    read = PropertyList::Dictionary{};
  }
  cached_ = read.value_or(PropertyList::Dictionary{});
  stamp_ = read ? currentStamp() : std::nullopt;
  return cached_;
}

std::optional<PropertyList::Dictionary> DefaultsFile::exchange(const DefaultsChanges& changes) {
  if (!changes.empty() && !makeFolders(path_)) return std::nullopt;
  const FileLock lock(path_ + ".lock");
  if (!lock.locked()) {
    // Nothing to save and no lock to be had (a read-only folder): reading
    // is still safe, since the file is only ever replaced whole.
    if (changes.empty()) return reread();
    return std::nullopt;
  }
  PropertyList::Dictionary merged = reread();
  bool changed = false;
  for (const auto& [key, value] : changes) {
    const auto found = merged.find(key);
    if (!value) {
      if (found != merged.end()) {
        merged.erase(found);
        changed = true;
      }
    } else if (found == merged.end() || !(found->second == *value)) {
      merged[key] = *value;
      changed = true;
    }
  }
  if (!changed) return merged;
  const std::optional<Bytes> data = dataFromPropertyList(PropertyList(merged));
  if (!data) return std::nullopt;
  createPrivately(path_);
  if (!writeFileBytes(pathString(path_),
                      std::string_view(reinterpret_cast<const char*>(data->data()), data->size()),
                      true)) {
    return std::nullopt;
  }
  cached_ = std::move(merged);
  stamp_ = currentStamp();
  return cached_;
}

}  // namespace orvin::detail
