#include "service/platform/gtk/GtkPasteboard.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>

#include "service/platform/Bundle.h"
#include "service/platform/gtk/GtkDisplay.h"
#include "service/platform/gtk/SelectionOwner.h"
#include "support/formats/PropertyList.h"

namespace wendlock {
namespace {

using orvin::Bytes;
using orvin::NSInteger;
using orvin::PropertyList;
using orvin::String;

double& selectionTimeout() {
  static double seconds = kSelectionTimeoutSeconds;
  return seconds;
}

std::size_t& mostSelectionBytes() {
  static std::size_t bytes = kMostSelectionBytes;
  return bytes;
}

// What a target carries, as far as the pasteboard cares.
enum class Kind { None, Text, Rtf, Html, UriList, Tiff };

// Targets of each kind, in the order a read prefers them. Compared after
// normalizeTarget.
constexpr std::array<std::string_view, 6> kTextTargets = {
    "utf8_string", "text/plain;charset=utf-8", "string", "text", "compound_text", "text/plain"};
constexpr std::array<std::string_view, 2> kRtfTargets = {"text/rtf", "application/rtf"};
constexpr std::string_view kHtmlTarget = "text/html";
constexpr std::string_view kUriListTarget = "text/uri-list";
constexpr std::string_view kTiffTarget = "image/tiff";

// Atom names are case-sensitive but MIME names are not, and owners write
// "text/plain; charset=UTF-8" in several spellings.
std::string normalizeTarget(std::string_view target) {
  std::string out;
  out.reserve(target.size());
  for (const char c : target) {
    if (c != ' ') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return out;
}

Kind kindOfTarget(std::string_view target) {
  const std::string t = normalizeTarget(target);
  if (std::find(kTextTargets.begin(), kTextTargets.end(), t) != kTextTargets.end()) {
    return Kind::Text;
  }
  if (std::find(kRtfTargets.begin(), kRtfTargets.end(), t) != kRtfTargets.end()) return Kind::Rtf;
  if (t == kHtmlTarget) return Kind::Html;
  if (t == kUriListTarget) return Kind::UriList;
  if (t == kTiffTarget) return Kind::Tiff;
  return Kind::None;
}

// URLs and file names share the uri-list; the caller tells them apart.
Kind kindOfType(const String& type) {
  if (type == orvin::NSStringPboardType) return Kind::Text;
  if (type == orvin::NSRTFPboardType) return Kind::Rtf;
  if (type == orvin::NSHTMLPboardType) return Kind::Html;
  if (type == orvin::NSURLPboardType || type == orvin::NSFilenamesPboardType) {
    return Kind::UriList;
  }
  if (type == orvin::NSTIFFPboardType) return Kind::Tiff;
  return Kind::None;
}

// The owner's target to read for `kind`: the most preferred one offered.
std::optional<std::string> targetToRead(const std::vector<std::string>& offered, Kind kind) {
  auto first = [&](auto&& preferred) -> std::optional<std::string> {
    for (std::string_view want : preferred) {
      for (const std::string& target : offered) {
        if (normalizeTarget(target) == want) return target;
      }
    }
    return std::nullopt;
  };
  switch (kind) {
    case Kind::Text:
      return first(kTextTargets);
    case Kind::Rtf:
      return first(kRtfTargets);
    case Kind::Html:
      return first(std::array{kHtmlTarget});
    case Kind::UriList:
      return first(std::array{kUriListTarget});
    case Kind::Tiff:
      return first(std::array{kTiffTarget});
    case Kind::None:
      break;
  }
  return std::nullopt;
}

bool isUtf8TextType(std::string_view type) {
  const std::string t = normalizeTarget(type);
  return t == "utf8_string" || t == "text/plain;charset=utf-8";
}

// text/plain names no character set. GTK reads it as Latin-1, but owners put
// UTF-8 there (xclip -t text/plain): UTF-8 when the bytes are valid UTF-8,
// else Latin-1, made UTF-8.
Bytes plainTextAsUtf8(const guchar* data, std::size_t length) {
  const auto* chars = reinterpret_cast<const gchar*>(data);
  if (length == 0 || g_utf8_validate(chars, static_cast<gssize>(length), nullptr)) {
    return Bytes(data, data + length);
  }
  gsize written = 0;
  gchar* utf8 = g_convert(chars, static_cast<gssize>(length), "UTF-8", "ISO-8859-1", nullptr,
                          &written, nullptr);
  if (utf8 == nullptr) return {};
  Bytes out(reinterpret_cast<const guchar*>(utf8), reinterpret_cast<const guchar*>(utf8) + written);
  g_free(utf8);
  return out;
}

// ---------------------------------------------------------------------------
// Reading: one request to the owner, waited for with a bound.

struct Reply {
  bool wantTargets = false;
  bool wantText = false;
  bool done = false;
  bool ownerGone = false;  // the owner changed or went away while we waited
  GdkAtom selection = GDK_NONE;
  unsigned long owner = 0;    // the owner's window when the request went out
  bool tooLarge = false;      // more than mostSelectionBytes(), dropped
  GMainLoop* loop = nullptr;  // while a wait runs
  std::optional<Bytes> bytes;
  std::vector<std::string> targets;
};

// Called by GTK once per request, also after our wait has given up (then
// only the holder keeps the reply alive).
void received(GtkClipboard* /*clipboard*/, GtkSelectionData* selection, gpointer user) {
  const std::unique_ptr<std::shared_ptr<Reply>> holder(static_cast<std::shared_ptr<Reply>*>(user));
  Reply& reply = **holder;
  reply.done = true;
  if (reply.loop != nullptr) g_main_loop_quit(reply.loop);
  if (selection == nullptr || gtk_selection_data_get_length(selection) < 0) return;
  if (static_cast<std::size_t>(gtk_selection_data_get_length(selection)) > mostSelectionBytes()) {
    reply.tooLarge = true;
    return;
  }

  if (reply.wantTargets) {
    GdkAtom* atoms = nullptr;
    gint count = 0;
    if (gtk_selection_data_get_targets(selection, &atoms, &count)) {
      for (gint i = 0; i < count; ++i) {
        gchar* name = gdk_atom_name(atoms[i]);
        if (name != nullptr) reply.targets.emplace_back(name);
        g_free(name);
      }
      g_free(atoms);
    }
    reply.bytes = Bytes();
    return;
  }
  if (reply.wantText) {
    gchar* type = gdk_atom_name(gtk_selection_data_get_data_type(selection));
    const bool utf8 = type != nullptr && isUtf8TextType(type);
    const bool plain = type != nullptr && normalizeTarget(type) == "text/plain";
    g_free(type);
    if (plain) {
      const guchar* data = gtk_selection_data_get_data(selection);
      reply.bytes = plainTextAsUtf8(
          data,
          data != nullptr ? static_cast<std::size_t>(gtk_selection_data_get_length(selection)) : 0);
      return;
    }
    // UTF-8 is taken as sent (GTK's conversion would cut at a NUL and
    // rewrite line ends); the legacy encodings go through GTK.
    if (!utf8) {
      if (guchar* text = gtk_selection_data_get_text(selection)) {
        const std::size_t n = std::strlen(reinterpret_cast<const char*>(text));
        reply.bytes = Bytes(text, text + n);
        g_free(text);
        return;
      }
    }
  }
  const guchar* data = gtk_selection_data_get_data(selection);
  const gint length = gtk_selection_data_get_length(selection);
  reply.bytes = data != nullptr ? Bytes(data, data + length) : Bytes();
}

gboolean quitLoop(gpointer loop) {
  g_main_loop_quit(static_cast<GMainLoop*>(loop));
  return G_SOURCE_REMOVE;
}

// The X server tells us (XFixes) when the selection's owner changes or its
// window goes away: an owner that crashed or froze mid-request never
// answers, so the wait ends there rather than at the timeout. A notice may
// be older than the request (the owner we ask taking the selection): the
// owner is asked again, and only a different one (or none) counts.
void ownerChanged(GtkClipboard* /*clipboard*/, GdkEvent* /*event*/, gpointer user) {
  auto& reply = *static_cast<Reply*>(user);
  if (selectionOwner(reply.selection) == reply.owner) return;
  reply.ownerGone = true;
  if (reply.loop != nullptr) g_main_loop_quit(reply.loop);
}

// Asks the owner for `target` and runs the main context until it answers or
// the timeout passes. Not done when it timed out.
std::shared_ptr<Reply> request(GtkClipboard* clipboard, GdkAtom selection,
                               const std::string& target, bool wantTargets, bool wantText) {
  auto reply = std::make_shared<Reply>();
  reply->wantTargets = wantTargets;
  reply->wantText = wantText;
  reply->selection = selection;
  reply->owner = selectionOwner(selection);
  gtk_clipboard_request_contents(clipboard, gdk_atom_intern(target.c_str(), FALSE), received,
                                 new std::shared_ptr<Reply>(reply));
  if (reply->done) return reply;

  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  const double seconds = std::clamp(selectionTimeout(), 0.001, 3600.0);
  GSource* timer = g_timeout_source_new(static_cast<guint>(seconds * 1000.0));
  g_source_set_callback(timer, quitLoop, loop, nullptr);
  g_source_attach(timer, nullptr);
  const gulong ownerChange =
      g_signal_connect(clipboard, "owner-change", G_CALLBACK(ownerChanged), reply.get());
  reply->loop = loop;
  g_main_loop_run(loop);
  reply->loop = nullptr;
  g_signal_handler_disconnect(clipboard, ownerChange);
  if (reply->done) reply->ownerGone = false;
  g_source_destroy(timer);
  g_source_unref(timer);
  g_main_loop_unref(loop);
  return reply;
}

std::string_view asChars(const Bytes& b) {
  return std::string_view(reinterpret_cast<const char*>(b.data()), b.size());
}

// ---------------------------------------------------------------------------
// Writing: what this process offers while it owns the selection.

struct Offered {
  bool owned = false;
  std::uint64_t generation = 0;  // one per declaration
  std::vector<String> types;
  std::vector<std::optional<Bytes>> data;

  const std::optional<Bytes>* find(const String& type) const {
    for (std::size_t i = 0; i < types.size(); ++i) {
      if (types[i] == type) return &data[i];
    }
    return nullptr;
  }
};

// GTK's user data for one declaration; it outlives the pasteboard if need be.
struct Offer {
  std::shared_ptr<Offered> offered;
  std::uint64_t generation;
};

// The uri-list to offer: the file names when declared with data, else the
// URL.
std::optional<std::string> uriListToOffer(const Offered& o) {
  std::string list;
  const auto* names = o.find(String(orvin::NSFilenamesPboardType));
  if (names != nullptr && names->has_value()) {
    const PropertyList paths = orvin::propertyListFromData(**names);
    for (const PropertyList& item : paths.arrayValue()) {
      const String path = item.stringValue();
      if (path.isEmpty()) continue;
      gchar* uri = g_filename_to_uri(path.toUtf8().c_str(), nullptr, nullptr);
      if (uri == nullptr) continue;
      list += uri;
      list += "\r\n";
      g_free(uri);
    }
    if (!list.empty()) return list;
  }
  const auto* url = o.find(String(orvin::NSURLPboardType));
  if (url != nullptr && url->has_value()) {
    const PropertyList plist = orvin::propertyListFromData(**url);
    String link = plist.stringValue();
    if (link.isNil()) link = plist.objectAtIndex(0).stringValue();
    if (!link.isEmpty()) return link.toUtf8() + "\r\n";
  }
  return std::nullopt;
}

void provide(GtkClipboard* /*clipboard*/, GtkSelectionData* selection, guint info, gpointer user) {
  const auto* offer = static_cast<const Offer*>(user);
  const Offered& o = *offer->offered;
  if (offer->generation != o.generation || info >= o.types.size()) return;
  const std::optional<Bytes>& data = o.data[info];
  switch (kindOfType(o.types[info])) {
    case Kind::Text:
      if (data) {
        gtk_selection_data_set_text(selection, asChars(*data).data(),
                                    static_cast<gint>(data->size()));
      }
      return;
    case Kind::UriList:
      if (const auto list = uriListToOffer(o)) {
        gtk_selection_data_set(selection, gtk_selection_data_get_target(selection), 8,
                               reinterpret_cast<const guchar*>(list->data()),
                               static_cast<gint>(list->size()));
      }
      return;
    default:
      if (data) {
        gtk_selection_data_set(selection, gtk_selection_data_get_target(selection), 8, data->data(),
                               static_cast<gint>(data->size()));
      }
      return;
  }
}

void cleared(GtkClipboard* /*clipboard*/, gpointer user) {
  const std::unique_ptr<Offer> offer(static_cast<Offer*>(user));
  // A later declaration of ours replaces this one without giving anything up.
  if (offer->generation == offer->offered->generation) offer->offered->owned = false;
}

// Targets for the declared types; `info` is the type's index.
GtkTargetList* targetsToOffer(const std::vector<String>& types) {
  GtkTargetList* list = gtk_target_list_new(nullptr, 0);
  bool uriList = false;
  for (std::size_t i = 0; i < types.size(); ++i) {
    const auto info = static_cast<guint>(i);
    auto add = [&](std::string_view target) {
      gtk_target_list_add(list, gdk_atom_intern(std::string(target).c_str(), FALSE), 0, info);
    };
    switch (kindOfType(types[i])) {
      case Kind::Text:
        gtk_target_list_add_text_targets(list, info);
        break;
      case Kind::Rtf:
        add("text/rtf");
        add("application/rtf");
        break;
      case Kind::Html:
        add(kHtmlTarget);
        break;
      case Kind::UriList:
        if (!uriList) add(kUriListTarget);
        uriList = true;
        break;
      case Kind::Tiff:
        add(kTiffTarget);
        break;
      case Kind::None:
        // Kept in this process; offered under its own name so that declaring
        // it still takes the selection.
        add(types[i].toUtf8());
        break;
    }
  }
  return list;
}

// ---------------------------------------------------------------------------

class GtkPasteboard final : public orvin::Pasteboard {
 public:
  GtkPasteboard(GtkClipboard* clipboard, GdkAtom selection, String name)
      : clipboard_(clipboard),
        selection_(selection),
        name_(std::move(name)),
        offered_(std::make_shared<Offered>()) {
    ownerChange_ = g_signal_connect(clipboard_, "owner-change", G_CALLBACK(onOwnerChange), this);
  }
  ~GtkPasteboard() override { g_signal_handler_disconnect(clipboard_, ownerChange_); }
  GtkPasteboard(const GtkPasteboard&) = delete;
  GtkPasteboard& operator=(const GtkPasteboard&) = delete;

  String name() override { return name_; }

  std::vector<String> types() override {
    if (owns()) return offered_->types;
    const auto offered = targets();
    if (!offered) return {};
    bool fileUri = false;
    if (const auto target = targetToRead(*offered, Kind::UriList)) {
      if (const auto list = fetch(*target, false)) {
        fileUri = !filenamesFromUris(urisFromUriList(asChars(*list))).empty();
      }
    }
    return pasteboardTypesForTargets(*offered, fileUri);
  }

  std::optional<Bytes> dataForType(const String& type) override {
    if (owns()) {
      const auto* data = offered_->find(type);
      return data != nullptr ? *data : std::nullopt;
    }
    const Kind kind = kindOfType(type);
    if (kind == Kind::None) return std::nullopt;
    const auto offered = targets();
    if (!offered) return std::nullopt;
    const auto target = targetToRead(*offered, kind);
    if (!target) return std::nullopt;
    auto data = fetch(*target, kind == Kind::Text);
    if (!data || kind != Kind::UriList) return data;

    const std::vector<std::string> uris = urisFromUriList(asChars(*data));
    if (type == orvin::NSURLPboardType) {
      if (uris.empty()) return std::nullopt;
      const String link = String::withUtf8(uris.front());
      if (link.isNil()) return std::nullopt;
      return orvin::dataFromPropertyList(PropertyList::Array{link, String(u"")});
    }
    PropertyList::Array paths;
    for (const String& path : filenamesFromUris(uris)) paths.emplace_back(path);
    if (paths.empty()) return std::nullopt;
    return orvin::dataFromPropertyList(std::move(paths));
  }

  NSInteger declareTypes(const std::vector<String>& types, const void* /*owner*/) override {
    std::vector<String> unique;
    for (const String& type : types) {
      if (!type.isNil() && std::find(unique.begin(), unique.end(), type) == unique.end()) {
        unique.push_back(type);
      }
    }
    Offered& o = *offered_;
    ++o.generation;
    o.types = unique;
    o.data.assign(unique.size(), std::nullopt);
    o.owned = false;

    GtkTargetList* list = targetsToOffer(unique);
    gint count = 0;
    GtkTargetEntry* table = gtk_target_table_new_from_list(list, &count);
    gtk_target_list_unref(list);
    if (count > 0) {
      auto* offer = new Offer{offered_, o.generation};
      if (gtk_clipboard_set_with_data(clipboard_, table, static_cast<guint>(count), provide,
                                      cleared, offer)) {
        o.owned = true;
        gtk_clipboard_set_can_store(clipboard_, nullptr, 0);
      } else {
        delete offer;
      }
    } else {
      // Nothing declared: what this process offered is withdrawn.
      gtk_clipboard_clear(clipboard_);
    }
    gtk_target_table_free(table, count);
    return ++changeCount_;
  }

  bool setData(const Bytes& data, const String& type) override {
    if (!owns()) return false;
    for (std::size_t i = 0; i < offered_->types.size(); ++i) {
      if (offered_->types[i] == type) {
        offered_->data[i] = data;
        return true;
      }
    }
    return false;
  }

  NSInteger changeCount() override { return changeCount_; }

  // Whether our declaration is still the selection. Asks the display: the
  // notice that another client took it over may not have been handled yet.
  bool owns() {
    if (!offered_->owned) return false;
    // GDK answers with a foreign window of its own for an owner it has seen
    // before (ids of gone clients come back), so only ours counts.
    GdkWindow* owner = gdk_selection_owner_get_for_display(gdk_display_get_default(), selection_);
    if (owner == nullptr || gdk_window_get_window_type(owner) == GDK_WINDOW_FOREIGN) {
      offered_->owned = false;
      ++changeCount_;
    }
    return offered_->owned;
  }
  [[nodiscard]] GtkClipboard* clipboard() const { return clipboard_; }

 private:
  static void onOwnerChange(GtkClipboard* /*clipboard*/, GdkEvent* /*event*/, gpointer self) {
    auto* pasteboard = static_cast<GtkPasteboard*>(self);
    if (!pasteboard->offered_->owned) ++pasteboard->changeCount_;
  }

  std::optional<std::vector<std::string>> targets() {
    const auto reply = request(clipboard_, selection_, "TARGETS", true, false);
    if (!reply->done) return reportUnanswered(*reply);
    if (!reply->bytes) return std::nullopt;
    return reply->targets;
  }

  std::optional<Bytes> fetch(const std::string& target, bool asText) {
    const auto reply = request(clipboard_, selection_, target, false, asText);
    if (!reply->done) return reportUnanswered(*reply);
    if (reply->tooLarge) {
      NSBundle& bundle = NSBundle::mainBundle();
      report(bundle.localizedStringForKey(u"The selection holds more than 16 MiB; it is not read.",
                                          u""),
             bundle.localizedStringForKey(u"The clipboard holds more than 16 MiB; it is not read.",
                                          u""));
      return std::nullopt;
    }
    return reply->bytes;
  }

  // A read that comes back empty because the owner went away or stayed
  // silent says so, lest the user look for the fault in the text.
  std::nullopt_t reportUnanswered(const Reply& reply) const {
    NSBundle& bundle = NSBundle::mainBundle();
    if (reply.ownerGone) {
      report(
          bundle.localizedStringForKey(u"The application holding the selection went away.", u""),
          bundle.localizedStringForKey(u"The application holding the clipboard went away.", u""));
    } else {
      report(
          bundle.localizedStringForKey(u"The program holding the selection did not answer.", u""),
          bundle.localizedStringForKey(u"The program holding the clipboard did not answer.", u""));
    }
    return std::nullopt;
  }

  // One line on standard error, in the selection's words or the clipboard's.
  void report(const String& selection, const String& clipboard) const {
    const String& message = selection_ == GDK_SELECTION_PRIMARY ? selection : clipboard;
    std::fprintf(stderr, "wendlock: %s\n", message.toUtf8().c_str());
  }

  GtkClipboard* clipboard_;
  GdkAtom selection_;
  String name_;
  std::shared_ptr<Offered> offered_;
  NSInteger changeCount_ = 0;
  gulong ownerChange_ = 0;
};

// Never destroyed: the clipboards outlive static destruction.
std::shared_ptr<GtkPasteboard>& slot(DesktopSelection which) {
  static auto* slots = new std::array<std::shared_ptr<GtkPasteboard>, 2>();
  return (*slots)[which == DesktopSelection::Primary ? 0 : 1];
}

}  // namespace

std::shared_ptr<orvin::Pasteboard> desktopPasteboard(DesktopSelection which) {
  std::shared_ptr<GtkPasteboard>& pasteboard = slot(which);
  if (pasteboard) return pasteboard;
  if (!ensureGtkDisplay()) return nullptr;
  const bool primary = which == DesktopSelection::Primary;
  const GdkAtom selection = primary ? GDK_SELECTION_PRIMARY : GDK_SELECTION_CLIPBOARD;
  GtkClipboard* clipboard = gtk_clipboard_get(selection);
  if (clipboard == nullptr) return nullptr;
  pasteboard = std::make_shared<GtkPasteboard>(
      clipboard, selection, String(primary ? kPrimarySelectionPboard : orvin::NSGeneralPboard));
  return pasteboard;
}

bool installDesktopPasteboards() {
  if (!desktopPasteboard(DesktopSelection::Clipboard)) return false;
  orvin::Pasteboard::setGeneralPasteboardFactory(
      [] { return desktopPasteboard(DesktopSelection::Clipboard); });
  return true;
}

void storeDesktopPasteboards() {
  const std::shared_ptr<GtkPasteboard>& clipboard = slot(DesktopSelection::Clipboard);
  if (clipboard && clipboard->owns()) gtk_clipboard_store(clipboard->clipboard());
}

std::vector<String> pasteboardTypesForTargets(const std::vector<std::string>& targets,
                                              bool fileUriInList) {
  std::vector<String> types;
  auto add = [&](std::u16string_view type) {
    const String t(type);
    if (std::find(types.begin(), types.end(), t) == types.end()) types.push_back(t);
  };
  for (const std::string& target : targets) {
    switch (kindOfTarget(target)) {
      case Kind::Text:
        add(orvin::NSStringPboardType);
        break;
      case Kind::Rtf:
        add(orvin::NSRTFPboardType);
        break;
      case Kind::Html:
        add(orvin::NSHTMLPboardType);
        break;
      case Kind::UriList:
        add(orvin::NSURLPboardType);
        if (fileUriInList) add(orvin::NSFilenamesPboardType);
        break;
      case Kind::Tiff:
        add(orvin::NSTIFFPboardType);
        break;
      case Kind::None:
        break;
    }
  }
  return types;
}

std::vector<std::string> urisFromUriList(std::string_view list) {
  // Some owners end the list with a NUL.
  list = list.substr(0, list.find('\0'));
  std::vector<std::string> uris;
  while (!list.empty()) {
    const std::size_t end = list.find('\n');
    std::string_view line = list.substr(0, end);
    list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) {
      line.remove_suffix(1);
    }
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.front()))) {
      line.remove_prefix(1);
    }
    if (!line.empty() && line.front() != '#') uris.emplace_back(line);
  }
  return uris;
}

std::vector<String> filenamesFromUris(const std::vector<std::string>& uris) {
  std::vector<String> paths;
  for (const std::string& uri : uris) {
    gchar* host = nullptr;
    gchar* path = g_filename_from_uri(uri.c_str(), &host, nullptr);
    const bool local = host == nullptr || std::strcmp(host, "localhost") == 0 ||
                       std::strcmp(host, g_get_host_name()) == 0;
    if (path != nullptr && local) {
      const String name = String::withUtf8(path);
      if (!name.isEmpty()) paths.push_back(name);
    }
    g_free(host);
    g_free(path);
  }
  return paths;
}

namespace testhooks {
void setSelectionTimeout(double seconds) {
  selectionTimeout() = seconds > 0 ? seconds : kSelectionTimeoutSeconds;
}
void setMostSelectionBytes(std::size_t bytes) {
  mostSelectionBytes() = bytes > 0 ? bytes : kMostSelectionBytes;
}
}  // namespace testhooks

}  // namespace wendlock
