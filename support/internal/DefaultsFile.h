// The file behind a user-defaults store: read, merged per key and replaced
// under a lock, so that several processes can share it.
#pragma once

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "support/formats/PropertyList.h"

namespace orvin::detail {

// A key's change since the last save: the new value, or nullopt when the
// key was removed.
using DefaultsChanges = std::map<String, std::optional<PropertyList>, PropertyList::KeyOrder>;

// The defaults in a file's bytes: empty bytes are an empty store; nullopt
// for bytes that are not an XML property list holding a dictionary.
[[nodiscard]] std::optional<PropertyList::Dictionary> defaultsFromBytes(std::string_view bytes);

class DefaultsFile {
 public:
  // `path` in the kernel's bytes (UTF-8).
  explicit DefaultsFile(std::string path);

  // Under the file's lock: reads the file again when it changed (a corrupt
  // one is moved aside), applies `changes` and, when that changes anything,
  // replaces the file. Answers the defaults now in the file, or nullopt when
  // the lock cannot be had in time or the file cannot be written.
  [[nodiscard]] std::optional<PropertyList::Dictionary> exchange(const DefaultsChanges& changes);

 private:
  struct Stamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    long long modifiedNanoseconds = 0;
    friend bool operator==(const Stamp&, const Stamp&) = default;
  };
  [[nodiscard]] std::optional<Stamp> currentStamp() const;
  PropertyList::Dictionary reread();

  std::string path_;
  std::optional<Stamp> stamp_;  // of the content in cached_
  PropertyList::Dictionary cached_;
};

}  // namespace orvin::detail
