// Reading the link out of a link file's content, apart from the file system,
// so that any bytes can drive it.
#pragma once

#include <string_view>

#include "chars/String.h"

namespace orvin::detail {

// The URL of a freedesktop.org desktop entry of Type=Link: the first group
// must be [Desktop Entry], the content UTF-8; keys are exact, the first
// "Type" and "URL" count, and the value's escapes (\s \n \t \r \\) are
// undone. nil when it is no link entry or its URL is empty.
//   linkOfDesktopEntry("[Desktop Entry]\nType=Link\nURL=https://x/\n")  // u"https://x/"
[[nodiscard]] String linkOfDesktopEntry(std::string_view content);

// The URL of an internet shortcut: the first URL key of its
// [InternetShortcut] group, both names in any letter case. The content is
// UTF-8 (a byte-order mark allowed) or, failing that, Windows-1252. nil when
// there is no such key or it is empty.
//   linkOfInternetShortcut("[InternetShortcut]\r\nURL=https://x/\r\n")  // u"https://x/"
[[nodiscard]] String linkOfInternetShortcut(std::string_view content);

}  // namespace orvin::detail
