// The command line of wendlock: where the request's text comes from, where
// it goes, and the front end.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "service/platform/ServiceRecord.h"
#include "support/pasteboard/Pasteboard.h"

namespace wendlock {

struct Options {
  enum class Source { None, File, StandardInput, Inline, Selection, Clipboard };
  // Auto: GTK when a display can be opened, else the terminal.
  enum class Ui { Auto, Gtk, Tty };

  Source source = Source::None;  // None: opened by hand
  std::string file;              // Source::File
  std::string text;              // Source::Inline
  std::vector<ServiceRecord> targets;
  Ui ui = Ui::Auto;
  bool help = false;
  bool version = false;
};

// Exit status for a command line that cannot be used.
inline constexpr int kExitUsage = 2;

// Reads argv; nullopt with a one-line reason in *error for bad usage.
//   parseCommandLine({"wendlock", "--to", "tcp:127.0.0.1", "--text", "hi"}, &error)
[[nodiscard]] std::optional<Options> parseCommandLine(const std::vector<std::string>& arguments,
                                                      std::string* error);

// The text of --help.
[[nodiscard]] std::string usageText();

// The request's pasteboard for `options` (nullptr for Source::None): plain
// text as NSStringPboardType, a .rtf file as NSRTFPboardType; the desktop's
// primary selection or clipboard itself for Source::Selection and
// Source::Clipboard, which opens the desktop. nullptr with a reason in
// *error when the source cannot be read ("no display" for the desktop's
// ones without a display).
[[nodiscard]] std::shared_ptr<orvin::Pasteboard> makeRequestPasteboard(const Options& options,
                                                                       std::string* error);

// A file's bytes as text: in the encoding its byte-order mark names (UTF-8,
// UTF-16, UTF-32), else as UTF-8; nil when they are not valid text there.
//   decodeFileText("\xFF\xFE" "h\0i\0")  // u"hi"
//   decodeFileText("Gr\xFC\xDF")           // nil: not UTF-8
[[nodiscard]] orvin::String decodeFileText(const std::string& bytes);

// Bytes the user typed (--text, standard input) as text, in the user's
// character set (the locale's; UTF-8 in the C locale) and nothing else: no
// byte-order mark is looked for. Nil when they are not valid there.
//   decodeUserText("\xEF\xBB\xBFhi")  // u"\uFEFFhi" under UTF-8
[[nodiscard]] orvin::String decodeUserText(const std::string& bytes);

}  // namespace wendlock
