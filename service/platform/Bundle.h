// The application bundle: its information values, its localized texts and
// its resources (the "Read Me" document, the message catalogues).
#pragma once

#include <filesystem>
#include <string>

#include "chars/String.h"

namespace wendlock {

// The folder of the running program; empty when it cannot be told.
[[nodiscard]] std::filesystem::path programDirectory();

class NSBundle {
 public:
  static NSBundle& mainBundle();

  // "CFBundleName" is "Wendlock"; unknown keys give nil.
  [[nodiscard]] orvin::String objectForInfoDictionaryKey(const orvin::String& key) const;
  // The translation of `key` (an English text, or "SERVICE_LAUNCH") in the
  // user's language; without one, `value` unless it is nil or empty, else
  // the key itself (English).
  [[nodiscard]] orvin::String localizedStringForKey(const orvin::String& key,
                                                    const orvin::String& value) const;
  // The path of resource `name`.`type`, or nil when it is not there.
  //   mainBundle().pathForResource(u"Read Me", u"pdf")
  [[nodiscard]] orvin::String pathForResource(const orvin::String& name,
                                              const orvin::String& type) const;
  // Where the resources are looked for: $WENDLOCK_RESOURCES, else the
  // installed share/wendlock beside the program's bin/, else the program's
  // own folder (a build tree).
  [[nodiscard]] std::string resourceDirectory() const;
};

// The localized text for `english` (the key), as UTF-8.
//   localized(u"Cancel")  // "Abbrechen" in German
[[nodiscard]] std::string localized(const char16_t* english);
// The same for an English key written in UTF-8.
[[nodiscard]] std::string localized(const char* english);

}  // namespace wendlock
