// The current user's standard folders, the Linux way: the home folder, the
// XDG base folders and the desktop and downloads folders of
// xdg-user-dirs. Every answer is an absolute path.
//
// Mapping: "library" and "application support" are $XDG_DATA_HOME
// (~/.local/share), "caches" is $XDG_CACHE_HOME (~/.cache), "preferences" is
// $XDG_CONFIG_HOME (~/.config); an XDG variable that is not an absolute path
// is ignored. Desktop and downloads come from XDG_DESKTOP_DIR and
// XDG_DOWNLOAD_DIR in $XDG_CONFIG_HOME/user-dirs.dirs, else home/Desktop and
// home/Downloads.
//
// All but homeDirectory, pathInHomeDirectory and the temporary folders are
// worked out once and kept for the process: later changes are not seen.
//
// The pathIn... functions join with exactly one "/" and nothing more: ".."
// and leading "/" in the component are kept as they are, so the result is
// not confined to the folder.
#pragma once

#include "chars/Export.h"
#include "chars/String.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// "/tmp", shared by every user: create files there only with O_EXCL or
// mkstemp, never under predictable names.
[[nodiscard]] String temporaryDirectory();
// The user's own temporary directory: $TMPDIR when it is an absolute path,
// else "/tmp". Read on every call.
//   userTemporaryDirectory()  // u"/run/user/1000/tmp" with TMPDIR set so
[[nodiscard]] String userTemporaryDirectory();

// $HOME when it is an absolute path, else the password database's entry
// for this user, read on every call; "/" when neither is usable.
//   homeDirectory()  // u"/home/anna"
[[nodiscard]] String homeDirectory();
//   pathInHomeDirectory(u"notes.txt")  // u"/home/anna/notes.txt"
[[nodiscard]] String pathInHomeDirectory(const String& component);

//   desktopDirectory()    // u"/home/anna/Schreibtisch" with a German user-dirs.dirs
[[nodiscard]] String desktopDirectory();
[[nodiscard]] String downloadsDirectory();

//   libraryDirectory()  // u"/home/anna/.local/share"
[[nodiscard]] String libraryDirectory();
[[nodiscard]] String pathInLibraryDirectory(const String& component);

//   preferencesDirectory()  // u"/home/anna/.config"
[[nodiscard]] String preferencesDirectory();
[[nodiscard]] String pathInPreferencesDirectory(const String& component);

//   cachesDirectory()  // u"/home/anna/.cache"
[[nodiscard]] String cachesDirectory();
[[nodiscard]] String pathInCachesDirectory(const String& component);

//   applicationSupportDirectory()  // u"/home/anna/.local/share"
[[nodiscard]] String applicationSupportDirectory();
[[nodiscard]] String pathInApplicationSupportDirectory(const String& component);

// The home folder outside a sandbox: $SNAP_REAL_HOME when it is absolute,
// else the home folder cut before "/Library/Containers/<identifier>" (or
// "/Library/Containers/" without an application identifier), else the home
// folder itself.
//   userHomeDirectory()  // u"/Users/u" for home u"/Users/u/Library/Containers/app.id/Data"
[[nodiscard]] String userHomeDirectory();
[[nodiscard]] String pathInUserHome(const String& component);
// The real home's data folder ($XDG_DATA_HOME, else <real home>/.local/share)
// joined with `component`.
//   pathInUserLibrary(u"Mail")  // u"/home/anna/.local/share/Mail"
[[nodiscard]] String pathInUserLibrary(const String& component);

}  // namespace orvin
ORVIN_PUBLIC_END
