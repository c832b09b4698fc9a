// Service: the base of a services provider. It reads the request's
// selection as text (rich or plain) and writes a text back, so a service
// deals in strings rather than pasteboard types, and it tells a services
// launch from a launch by hand.
#pragma once

#include <optional>
#include <vector>

#include "service/Text.h"
#include "support/formats/AttributedString.h"
#include "support/pasteboard/Pasteboard.h"

namespace wendlock {

class Service {
 public:
  Service() = default;
  virtual ~Service() = default;
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;

  // Marks that a services request has touched a pasteboard; never undone.
  void didPerformService() noexcept { didPerformService_ = true; }
  [[nodiscard]] bool hasPerformedService() const noexcept { return didPerformService_; }

  // The selection: RTFD, then RTF, then the plain string. With `attributed`
  // false a rich text comes back as its plain characters, read without
  // building style runs, and a soft line break (\line) in it as "\n". Marks the request
  // performed, even when nothing is found (no text). *documentAttributes,
  // when given, is reset and then filled by a rich-text read.
  //   Text t = getStringOfPboard(pb, false);  // a String, or no text
  Text getStringOfPboard(orvin::Pasteboard& pasteboard, bool attributed,
                         std::optional<orvin::DocumentAttributes>* documentAttributes);
  Text getStringOfPboard(orvin::Pasteboard& pasteboard, bool attributed);
  // The selection read with attributes, as a mutable copy.
  MutableText getMutableStringOfPboard(orvin::Pasteboard& pasteboard);
  // A mutable copy of either kind of text; no text for anything else.
  [[nodiscard]] static MutableText mutableCopyOfPboardString(const Text& text);

  // Writes `text` back to `pasteboard` as one type (RTFD with attachments,
  // RTF without, or a plain string). When the frontmost application is
  // "Mail" and the target is not the general pasteboard, the general
  // pasteboard gets it first. Marks the request performed.
  void writeString(const Text& text, orvin::Pasteboard& pasteboard);
  // The write itself, without marking or the general pasteboard.
  void _writeString(const Text& text, orvin::Pasteboard& pasteboard);

  // The selection's lines (each with its line end) in *lines, and an empty
  // mutable text of the selection's kind to rebuild them into; no text and
  // nullopt lines when the pasteboard holds no text.
  MutableText getEmptyMutableStringAndLines(std::optional<std::vector<Text>>* lines,
                                            orvin::Pasteboard& pasteboard);

  // After a tick of the run loop: false when a request was performed;
  // otherwise shows the launch notice (Quit, or Help to open the Read Me)
  // and ends the process.
  bool launchedAsApplication();
  // The application's Services menu as a contextual menu. The Linux desktop
  // has no Services menu, so there is none.
  [[nodiscard]] const void* servicesMenu() const { return nullptr; }

  // The class name used in log lines.
  [[nodiscard]] virtual const char* className() const { return "Service"; }

 private:
  bool didPerformService_ = false;
};

}  // namespace wendlock
