// Reading xdg-user-dirs' user-dirs.dirs, apart from the file system.
#pragma once

#include <string_view>

#include "chars/String.h"

namespace orvin::detail {

// The folder that `content` (a user-dirs.dirs file) gives for `key`
// ("XDG_DESKTOP_DIR"), with "$HOME" replaced by `home`; nil when the key is
// missing or its value is neither "$HOME", "$HOME/..." nor an absolute path
// in double quotes. Backslash escapes in the value are undone; the last line
// for a key wins, as in the shell.
//   userDirFromContent("XDG_DESKTOP_DIR=\"$HOME/Desk\"\n", "XDG_DESKTOP_DIR", u"/h")  // "/h/Desk"
[[nodiscard]] String userDirFromContent(std::string_view content, std::string_view key,
                                        const String& home);

}  // namespace orvin::detail
