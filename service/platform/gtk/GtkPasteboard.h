// The desktop's selections as pasteboards, through GTK: the clipboard is the
// general pasteboard (NSGeneralPboard), the primary selection is what the
// user has just selected. Reading asks the selection's owner for its targets
// and maps them to pasteboard types; writing takes ownership of the
// selection and offers the declared types under their targets.
//
// Target to type, in the owner's order, each type listed once:
//   UTF8_STRING, text/plain;charset=utf-8 (fallbacks STRING, TEXT,
//   COMPOUND_TEXT, text/plain)              NSStringPboardType
//   text/rtf, application/rtf               NSRTFPboardType
//   text/html                               NSHTMLPboardType
//   text/uri-list                           NSURLPboardType, and
//                                           NSFilenamesPboardType when it
//                                           holds a local file: URI
//   image/tiff                              NSTIFFPboardType
// NSURLPboardType holds the first link as the platform stores a URL, the
// property list [link, ""]; NSFilenamesPboardType holds the property list of
// the local paths. Every other target is left out.
//
// Each read waits for the owner on a nested run of the main context (which
// dispatches the context's other sources too), at most
// kSelectionTimeoutSeconds, where GTK alone would wait 30 seconds a step,
// and no longer than the owner lives: when the X server reports the owner
// changed or gone, the read ends at once with a line on standard error.
// Large selections come in incremental (INCR) transfers, which GTK joins;
// more than kMostSelectionBytes is dropped, with a line on standard error.
// text/plain, which names no character set, is read as UTF-8 when it is
// valid UTF-8, else as Latin-1. Main thread only.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "chars/String.h"
#include "service/platform/Desktop.h"
#include "support/pasteboard/Pasteboard.h"

namespace wendlock {

// Name of the primary selection's pasteboard.
inline constexpr std::u16string_view kPrimarySelectionPboard = u"Wendlock primary selection";

// How long a read waits for the selection's owner at most.
inline constexpr double kSelectionTimeoutSeconds = 10.0;

// The most bytes one read takes, as for the other sources of text.
inline constexpr std::size_t kMostSelectionBytes = kMostSourceBytes;

// The process's pasteboard over `which`, made on first use; nullptr when no
// display can be opened. Its name is NSGeneralPboard for the clipboard and
// kPrimarySelectionPboard for the primary selection.
//   auto pb = desktopPasteboard(DesktopSelection::Primary);
//   if (pb) text = pb->stringForType(orvin::NSStringPboardType);
[[nodiscard]] std::shared_ptr<orvin::Pasteboard> desktopPasteboard(DesktopSelection which);

// Makes the clipboard the general pasteboard when a display can be opened;
// false (and nothing installed) otherwise.
//   installDesktopPasteboards();
//   orvin::Pasteboard::generalPasteboard()->name()  // NSGeneralPboard, the clipboard
bool installDesktopPasteboards();

// Hands what this process offers on the clipboard to the desktop's clipboard
// manager, if one runs, so that it outlives the process. Call before exit.
//   storeDesktopPasteboards();
void storeDesktopPasteboards();

// The pasteboard types for a selection's targets (see the table above),
// each once, in the order of their first target. `fileUriInList` says
// whether the text/uri-list holds a local file: URI.
//   pasteboardTypesForTargets({"TARGETS", "UTF8_STRING", "STRING", "text/rtf"}, false)
//   // {NSStringPboardType, NSRTFPboardType}
[[nodiscard]] std::vector<orvin::String> pasteboardTypesForTargets(
    const std::vector<std::string>& targets, bool fileUriInList);

// The links of a text/uri-list (lines end in CRLF or LF; empty lines and
// comments skipped), in order.
//   urisFromUriList("# c\r\nfile:///tmp/a\r\nhttp://x/\r\n")  // {"file:///tmp/a", "http://x/"}
[[nodiscard]] std::vector<std::string> urisFromUriList(std::string_view list);

// The local paths of the file: URIs among `uris` (on this host or
// localhost, percent-escapes decoded); other links are skipped.
//   filenamesFromUris({"file:///tmp/a%20b", "http://x/"})  // {u"/tmp/a b"}
[[nodiscard]] std::vector<orvin::String> filenamesFromUris(const std::vector<std::string>& uris);

namespace testhooks {
// Replaces kSelectionTimeoutSeconds (a value <= 0 restores it).
void setSelectionTimeout(double seconds);
// Replaces kMostSelectionBytes (0 restores it).
void setMostSelectionBytes(std::size_t bytes);
}  // namespace testhooks

}  // namespace wendlock
