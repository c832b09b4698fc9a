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

// Text bytes as a string: UTF-8 (a byte-order mark honoured, UTF-16 too),
// else Windows-1252, else Latin-1, so no text file is refused.
[[nodiscard]] orvin::String decodeText(const std::string& bytes);

}  // namespace wendlock
