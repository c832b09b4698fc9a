#include "service/CommandLine.h"

#include <fcntl.h>
#include <glib.h>
#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "chars/StringFormat.h"
#include "chars/TextEncodings.h"
#include "service/platform/Bundle.h"
#include "service/platform/Desktop.h"

namespace wendlock {
namespace {

// A localized message with its arguments filled in.
//   format(localized("unknown argument: %s"), {"--bogus"})
std::string format(const std::string& localizedFormat,
                   std::initializer_list<orvin::FormatArgument> args) {
  return orvin::stringWithFormat(orvin::String::withUtf8(localizedFormat), args).toUtf8();
}

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
    *error = localized("give one source of text: --file, --text, -, --selection or --clipboard");
    return false;
  }
  o->source = source;
  return true;
}

// Reads all of `fd` into *out; false with the reason in *error (`what`
// names the source) on a read error (a directory, a closed descriptor) or
// more than kMostSourceBytes.
bool readAll(int fd, const std::string& what, std::string* out, std::string* error) {
  std::string data;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = format(localized("cannot read %s: %s"), {what.c_str(), std::strerror(errno)});
      return false;
    }
    if (n == 0) break;
    data.append(buffer, static_cast<std::size_t>(n));
    if (data.size() > kMostSourceBytes) {
      *error = format(localized("%s holds more than 16 MiB"), {what.c_str()});
      return false;
    }
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
      *error = format(localized("%s needs a value"), {name});
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
        *error = format(localized("--to %s: %s"), {v->c_str(), why.c_str()});
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
        *error = format(localized("--ui %s: give gtk, tty or auto"), {v->c_str()});
        return std::nullopt;
      }
    } else if (!a.empty() && a[0] != '-') {
      // A bare path, as a file manager's "Open With" passes it.
      if (!setSource(&o, Options::Source::File, error)) return std::nullopt;
      o.file = a;
    } else {
      *error = format(localized("unknown argument: %s"), {a.c_str()});
      return std::nullopt;
    }
  }
  return o;
}

std::string usageText() {
  return localized(
      "Usage: wendlock [--to TARGET]... [--ui=gtk|tty|auto]\n"
      "                [[--file] PATH | --text TEXT | - | --selection | --clipboard]\n"
      "\n"
      "Sends a text to a Bluetooth device as one .txt file with OBEX Object Push.\n"
      "Without a text source, wendlock was opened by hand: it shows a short notice\n"
      "and quits.\n"
      "\n"
      "Text source (one):\n"
      "  [-f, --file] PATH the text of PATH: UTF-8, or what its byte-order mark\n"
      "                    says (UTF-16, UTF-32); a .rtf file is read as rich text\n"
      "                    and sent as its plain characters\n"
      "  -t, --text TEXT   TEXT itself, in the user's character set\n"
      "  -                 the text on standard input, in the user's character set\n"
      "  --selection       the text selected on the desktop (the primary selection;\n"
      "                    rich text is sent as its plain characters)\n"
      "  --clipboard       the text on the desktop's clipboard\n"
      "\n"
      "Target:\n"
      "  --to TARGET       tcp:HOST[:PORT]   OBEX over TCP (port 650 by default);\n"
      "                                      HOST is an IP address or localhost\n"
      "                    bt:ADDRESS[@CHANNEL]  a Bluetooth device\n"
      "                    Repeat --to to choose among several targets.\n"
      "  (no --to)         choose among the Bluetooth devices BlueZ knows and finds\n"
      "                    that offer Object Push\n"
      "\n"
      "The text may be at most about 436 bytes of UTF-8 (one OBEX packet); a\n"
      "longer one is refused before any device is contacted.\n"
      "\n"
      "Other:\n"
      "  --ui=gtk|tty|auto windows on the display, or questions and alerts on the\n"
      "                    terminal; auto (the default) takes the display when\n"
      "                    there is one\n"
      "  -h, --help        this text\n"
      "  --version         the version\n"
      "\n"
      "Exit status:\n"
      "  0  the file was delivered (or wendlock was opened by hand)\n"
      "  1  an alert was shown (no data, Bluetooth not available, connection\n"
      "     failed, too much data)\n"
      "  2  the command line or its text source cannot be used (an unknown option,\n"
      "     a file that cannot be read or is not text, a directory)\n"
      "  3  ended without delivery and without an alert: cancelled, refused or\n"
      "     declined by the device, no terminal to choose a device on, or no\n"
      "     devices found; on a terminal one line on standard error says which\n"
      "\n"
      "The manual: man wendlock\n");
}

orvin::String decodeFileText(const std::string& bytes) {
  if (bytes.empty()) return orvin::String(u"");
  const orvin::NSUInteger detected = orvin::detectEncoding(bytes.data(), bytes.size());
  if (detected != 0) {
    const orvin::String s = orvin::stringWithBytes(bytes.data(), bytes.size(), detected);
    if (!s.isNil()) return s;
  }
  return orvin::String::withUtf8(bytes);
}

orvin::String decodeUserText(const std::string& bytes) {
  if (bytes.empty()) return orvin::String(u"");
  // The C locale's ASCII is read as UTF-8, its superset, as a terminal
  // would send it.
  const char* codeset = nl_langinfo(CODESET);
  if (codeset == nullptr || g_ascii_strcasecmp(codeset, "UTF-8") == 0 ||
      g_ascii_strcasecmp(codeset, "ANSI_X3.4-1968") == 0) {
    return orvin::String::withUtf8(bytes);
  }
  gsize written = 0;
  gchar* utf8 = g_convert(bytes.data(), static_cast<gssize>(bytes.size()), "UTF-8", codeset,
                          nullptr, &written, nullptr);
  if (utf8 == nullptr) return orvin::String();
  const orvin::String text = orvin::String::withUtf8(std::string_view(utf8, written));
  g_free(utf8);
  return text;
}

std::shared_ptr<orvin::Pasteboard> makeRequestPasteboard(const Options& options,
                                                         std::string* error) {
  std::string bytes;
  switch (options.source) {
    case Options::Source::None:
      return nullptr;
    case Options::Source::Selection:
    case Options::Source::Clipboard: {
      Desktop* d = desktop(error);
      if (d == nullptr) return nullptr;
      auto selection =
          d->selection(options.source == Options::Source::Selection ? DesktopSelection::Primary
                                                                    : DesktopSelection::Clipboard);
      if (!selection) *error = "the display offers no selection";
      return selection;
    }
    case Options::Source::Inline:
      bytes = options.text;
      break;
    case Options::Source::StandardInput:
      if (!readAll(STDIN_FILENO, localized("standard input"), &bytes, error)) return nullptr;
      break;
    case Options::Source::File: {
      const int fd = ::open(options.file.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) {
        *error =
            format(localized("cannot read %s: %s"), {options.file.c_str(), std::strerror(errno)});
        return nullptr;
      }
      const bool read = readAll(fd, options.file, &bytes, error);
      ::close(fd);
      if (!read) return nullptr;
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
  const bool typed = options.source != Options::Source::File;
  const orvin::String text = typed ? decodeUserText(bytes) : decodeFileText(bytes);
  if (text.isNil()) {
    const std::string what = options.source == Options::Source::Inline ? std::string("--text")
                             : typed                                   ? localized("standard input")
                                                                       : options.file;
    *error = typed ? format(localized("%s is not text in the user's character set"), {what.c_str()})
                   : format(localized("%s cannot be read as text (not UTF-8, UTF-16 or UTF-32)"),
                            {what.c_str()});
    return nullptr;
  }
  const orvin::String plain(orvin::NSStringPboardType);
  pasteboard->declareTypes({plain}, nullptr);
  pasteboard->setString(text, plain);
  return pasteboard;
}

}  // namespace wendlock
