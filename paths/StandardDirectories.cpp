#include "paths/StandardDirectories.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "chars/TextFiles.h"
#include "chars/internal/LazyCache.h"
#include "paths/ApplicationIdentifier.h"
#include "paths/internal/PathJoining.h"
#include "paths/internal/UserDirs.h"

namespace orvin {
namespace {

using detail::joinPath;

// An environment variable that holds an absolute path in UTF-8, or nil.
String absolutePathFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] != '/') return String();
  return String::withUtf8(value);
}

String homeFromPasswordDatabase() {
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  for (int attempt = 0; attempt < 4; ++attempt) {
    passwd entry{};
    passwd* found = nullptr;
    const int error = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found);
    if (error == ERANGE) {
      buffer.resize(buffer.size() * 4);
      continue;
    }
    if (error != 0 || found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] != '/') {
      return String();
    }
    return String::withUtf8(found->pw_dir);
  }
  return String();
}

// A base folder from an XDG variable, else home joined with `fallback`.
String xdgFolder(const char* variable, const char16_t* fallback) {
  String folder = absolutePathFromEnvironment(variable);
  return folder.isNil() ? joinPath(homeDirectory(), fallback) : folder;
}

// What "searching" a kind of folder answers: the one path, or nil.
String userDirFolder(const char* key) {
  const String config = xdgFolder("XDG_CONFIG_HOME", u".config");
  const std::optional<std::string> content = readFileBytes(joinPath(config, u"user-dirs.dirs"));
  if (!content) return String();
  return detail::userDirFromContent(*content, key, homeDirectory());
}

// A process-wide slot filled by the first call; a failed fill is retried.
template <class Compute>
String cached(LazyCache<String>& slot, Compute compute) {
  const String* value = slot.get(
      [&]() -> String* {
        String made = compute();
        return made.isNil() ? nullptr : new (std::nothrow) String(std::move(made));
      },
      [](String* lost) { delete lost; });
  return value != nullptr ? *value : String();
}

template <class Search>
String searchedOr(Search search, const String& base, const char16_t* fallback) {
  String found = search();
  return found.isNil() ? joinPath(base, fallback) : found;
}

LazyCache<String> desktopSlot, downloadsSlot, librarySlot, preferencesSlot, cachesSlot,
    applicationSupportSlot, userHomeSlot, userLibrarySlot;

}  // namespace

String temporaryDirectory() {
  return String(u"/tmp");
}

String userTemporaryDirectory() {
  const String fromEnvironment = absolutePathFromEnvironment("TMPDIR");
  return fromEnvironment.isNil() ? temporaryDirectory() : fromEnvironment;
}

String homeDirectory() {
  String home = absolutePathFromEnvironment("HOME");
  if (home.isNil()) home = homeFromPasswordDatabase();
  return home.isNil() ? String(u"/") : home;
}

String pathInHomeDirectory(const String& component) {
  return joinPath(homeDirectory(), component);
}

String desktopDirectory() {
  return cached(desktopSlot, [] {
    return searchedOr([] { return userDirFolder("XDG_DESKTOP_DIR"); }, homeDirectory(), u"Desktop");
  });
}

String downloadsDirectory() {
  return cached(downloadsSlot, [] {
    return searchedOr([] { return userDirFolder("XDG_DOWNLOAD_DIR"); }, homeDirectory(),
                      u"Downloads");
  });
}

String libraryDirectory() {
  return cached(librarySlot, [] { return xdgFolder("XDG_DATA_HOME", u".local/share"); });
}

String pathInLibraryDirectory(const String& component) {
  return joinPath(libraryDirectory(), component);
}

String preferencesDirectory() {
  return cached(preferencesSlot, [] { return xdgFolder("XDG_CONFIG_HOME", u".config"); });
}

String pathInPreferencesDirectory(const String& component) {
  return joinPath(preferencesDirectory(), component);
}

String cachesDirectory() {
  return cached(cachesSlot, [] { return xdgFolder("XDG_CACHE_HOME", u".cache"); });
}

String pathInCachesDirectory(const String& component) {
  return joinPath(cachesDirectory(), component);
}

String applicationSupportDirectory() {
  return cached(applicationSupportSlot, [] { return xdgFolder("XDG_DATA_HOME", u".local/share"); });
}

String pathInApplicationSupportDirectory(const String& component) {
  return joinPath(applicationSupportDirectory(), component);
}

String userHomeDirectory() {
  return cached(userHomeSlot, []() -> String {
    const String snapHome = absolutePathFromEnvironment("SNAP_REAL_HOME");
    if (!snapHome.isNil()) return snapHome;
    const String home = homeDirectory();
    const String id = applicationIdentifier();
    std::u16string marker = u"/Library/Containers/";
    if (!id.isNil()) marker += id.toU16String();
    const std::u16string text = home.toU16String();
    const std::size_t at = text.find(marker);
    return at == std::u16string::npos ? home : String(text.substr(0, at));
  });
}

String pathInUserHome(const String& component) {
  return joinPath(userHomeDirectory(), component);
}

String pathInUserLibrary(const String& component) {
  const String base = cached(userLibrarySlot, [] {
    const String data = absolutePathFromEnvironment("XDG_DATA_HOME");
    return data.isNil() ? joinPath(userHomeDirectory(), u".local/share") : data;
  });
  return joinPath(base, component);
}

}  // namespace orvin
