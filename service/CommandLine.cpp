#include "service/CommandLine.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "chars/TextEncodings.h"
#include "service/platform/gtk/GtkPasteboard.h"

namespace wendlock {
namespace {

// More than any text that fits one push; refuses to read without end.
constexpr std::size_t kMostSourceBytes = 16u << 20;

bool endsWith(const std::string& s, const std::string& suffix) {
  if (s.size() < suffix.size()) return false;
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(s[s.size() - suffix.size() + i])) != suffix[i]) {
      return false;
    }
  }
  return true;
}

bool setSource(Options* o, Options::Source source, std::string* error) {
  if (o->source != Options::Source::None) {
    *error = "give one source of text: --file, --text or -";
    return false;
  }
  o->source = source;
  return true;
}

bool readAll(std::istream& in, std::string* out) {
  std::string data;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    data.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (data.size() > kMostSourceBytes) return false;
  }
  *out = std::move(data);
  return true;
}

}  // namespace

std::optional<Options> parseCommandLine(const std::vector<std::string>& arguments,
                                        std::string* error) {
  Options o;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    auto value = [&](const char* name) -> std::optional<std::string> {
      const std::string prefix = std::string(name) + "=";
      if (a.rfind(prefix, 0) == 0) return a.substr(prefix.size());
      if (i + 1 < arguments.size()) return arguments[++i];
      *error = std::string(name) + " needs a value";
      return std::nullopt;
    };
    auto is = [&](const char* name) {
      return a == name || a.rfind(std::string(name) + "=", 0) == 0;
    };
    if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--version") {
      o.version = true;
    } else if (a == "-") {
      if (!setSource(&o, Options::Source::StandardInput, error)) return std::nullopt;
    } else if (is("--file") || a == "-f") {
      const auto v = value("--file");
      if (!v || !setSource(&o, Options::Source::File, error)) return std::nullopt;
      o.file = *v;
    } else if (is("--text") || a == "-t") {
      const auto v = value("--text");
      if (!v || !setSource(&o, Options::Source::Inline, error)) return std::nullopt;
      o.text = *v;
    } else if (a == "--selection") {
      if (!setSource(&o, Options::Source::Selection, error)) return std::nullopt;
    } else if (a == "--clipboard") {
      if (!setSource(&o, Options::Source::Clipboard, error)) return std::nullopt;
    } else if (is("--to")) {
      const auto v = value("--to");
      if (!v) return std::nullopt;
      std::string why;
      const auto record = ServiceRecord::parse(*v, &why);
      if (!record) {
        *error = "--to " + *v + ": " + why;
        return std::nullopt;
      }
      o.targets.push_back(*record);
    } else if (is("--ui")) {
      const auto v = value("--ui");
      if (!v) return std::nullopt;
      if (*v == "gtk") {
        o.ui = Options::Ui::Gtk;
      } else if (*v == "tty") {
        o.ui = Options::Ui::Tty;
      } else if (*v == "auto") {
        o.ui = Options::Ui::Auto;
      } else {
        *error = "--ui " + *v + ": give gtk, tty or auto";
        return std::nullopt;
      }
    } else if (!a.empty() && a[0] != '-') {
      // A bare path, as a file manager's "Open With" passes it.
      if (!setSource(&o, Options::Source::File, error)) return std::nullopt;
      o.file = a;
    } else {
      *error = "unknown argument: " + a;
      return std::nullopt;
    }
  }
  return o;
}

std::string usageText() {
  return R"(Usage: wendlock [--to TARGET]...
                [[--file] PATH | --text TEXT | - | --selection | --clipboard]

Sends a text to a Bluetooth device as one .txt file with OBEX Object Push.
Without a text source, wendlock was opened by hand: it shows a short notice
and quits.

Text source (one):
  [-f, --file] PATH the text of PATH (a .rtf file is read as rich text and
                    sent as its plain characters)
  -t, --text TEXT   TEXT itself
  -                 the text on standard input
  --selection       the text selected on the desktop (the primary selection;
                    rich text is sent as its plain characters)
  --clipboard       the text on the desktop's clipboard

Target:
  --to TARGET       tcp:HOST[:PORT]   OBEX over TCP (port 650 by default);
                                      HOST is an IP address or localhost
                    bt:ADDRESS[@CHANNEL]  a Bluetooth device
                    Repeat --to to choose among several targets.

Other:
  --ui=gtk|tty|auto windows on the display, or questions and alerts on the
                    terminal; auto (the default) takes the display when
                    there is one
  -h, --help        this text
  --version         the version

Exit status:
  0  the file was delivered, or nothing went wrong (cancelled, refused by
     the device, or opened by hand)
  1  an alert was shown (no data, Bluetooth not available, connection
     failed, too much data)
  2  the command line could not be used
)";
}

orvin::String decodeText(const std::string& bytes) {
  if (bytes.empty()) return orvin::String(u"");
  const orvin::NSUInteger detected = orvin::detectEncoding(bytes.data(), bytes.size());
  if (detected != 0) {
    const orvin::String s = orvin::stringWithBytes(bytes.data(), bytes.size(), detected);
    if (!s.isNil()) return s;
  }
  const orvin::String windows =
      orvin::stringWithBytes(bytes.data(), bytes.size(), orvin::NSWindowsCP1252StringEncoding);
  if (!windows.isNil()) return windows;
  return orvin::String::withLatin1(bytes);
}

std::shared_ptr<orvin::Pasteboard> makeRequestPasteboard(const Options& options,
                                                         std::string* error) {
  std::string bytes;
  switch (options.source) {
    case Options::Source::None:
      return nullptr;
    case Options::Source::Selection:
    case Options::Source::Clipboard: {
      auto desktop = desktopPasteboard(options.source == Options::Source::Selection
                                           ? DesktopSelection::Primary
                                           : DesktopSelection::Clipboard);
      if (!desktop) *error = "no display";
      return desktop;
    }
    case Options::Source::Inline:
      bytes = options.text;
      break;
    case Options::Source::StandardInput:
      if (!readAll(std::cin, &bytes)) {
        *error = "standard input holds more than 16 MiB";
        return nullptr;
      }
      break;
    case Options::Source::File: {
      std::ifstream in(options.file, std::ios::binary);
      if (!in) {
        *error = "cannot read " + options.file;
        return nullptr;
      }
      if (!readAll(in, &bytes)) {
        *error = options.file + " is larger than 16 MiB";
        return nullptr;
      }
      break;
    }
  }
  auto pasteboard = std::make_shared<orvin::InMemoryPasteboard>(orvin::String(u"Request"));
  const orvin::String rtf(orvin::NSRTFPboardType);
  if (options.source == Options::Source::File && endsWith(options.file, ".rtf")) {
    pasteboard->declareTypes({rtf}, nullptr);
    pasteboard->setData(orvin::Bytes(bytes.begin(), bytes.end()), rtf);
    return pasteboard;
  }
  const orvin::String plain(orvin::NSStringPboardType);
  pasteboard->declareTypes({plain}, nullptr);
  pasteboard->setString(decodeText(bytes), plain);
  return pasteboard;
}

}  // namespace wendlock
