#include "service/platform/Bundle.h"

#include <libintl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace wendlock {
namespace {

constexpr const char* kTextDomain = "wendlock";

// The notice shown when the program is opened by hand.
constexpr const char* kServiceLaunchText =
    "Wendlock sends the text you have selected to a Bluetooth device.\n\n"
    "Select text in any application, then right-click Wendlock in the "
    "applications menu and choose \"Send selection via Bluetooth\", or press a "
    "keyboard shortcut that runs \"wendlock --selection\" (make one in the "
    "desktop's keyboard settings). Run \"wendlock --help\" for the command line.";

std::string findResourceDirectory() {
  if (const char* forced = std::getenv("WENDLOCK_RESOURCES"); forced != nullptr && *forced) {
    return forced;
  }
  const std::filesystem::path bin = programDirectory();
  std::error_code error;
  const std::filesystem::path installed = bin.parent_path() / "share" / "wendlock";
  if (std::filesystem::is_directory(installed, error)) return installed.string();
  return bin.string();
}

void bindCatalogue(const std::string& resources) {
  static bool bound = false;
  if (bound) return;
  bound = true;
  // Installed catalogues live in share/locale beside share/wendlock.
  const std::filesystem::path locale = std::filesystem::path(resources).parent_path() / "locale";
  bindtextdomain(kTextDomain, locale.c_str());
  bind_textdomain_codeset(kTextDomain, "UTF-8");
}

}  // namespace

std::filesystem::path programDirectory() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : self.parent_path();
}

NSBundle& NSBundle::mainBundle() {
  static NSBundle bundle;
  return bundle;
}

orvin::String NSBundle::objectForInfoDictionaryKey(const orvin::String& key) const {
  if (key == orvin::String(u"CFBundleName")) return orvin::String(u"Wendlock");
  return orvin::String();
}

orvin::String NSBundle::localizedStringForKey(const orvin::String& key,
                                              const orvin::String& value) const {
  if (key.isNil()) return value.isNil() ? orvin::String(u"") : value;
  bindCatalogue(resourceDirectory());
  const std::string english = key.toUtf8();
  const char* translated = dgettext(kTextDomain, english.c_str());
  if (translated != english.c_str() && english != translated) {
    return orvin::String::withUtf8(translated);
  }
  if (english == "SERVICE_LAUNCH") return orvin::String::withUtf8(kServiceLaunchText);
  return value.isEmpty() ? key : value;
}

orvin::String NSBundle::pathForResource(const orvin::String& name,
                                        const orvin::String& type) const {
  std::filesystem::path path = std::filesystem::path(resourceDirectory()) / name.toUtf8();
  if (!type.isEmpty()) path += "." + type.toUtf8();
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return orvin::String();
  return orvin::String::withUtf8(path.string());
}

std::string NSBundle::resourceDirectory() const {
  static const std::string directory = findResourceDirectory();
  return directory;
}

std::string localized(const char16_t* english) {
  return NSBundle::mainBundle().localizedStringForKey(english, u"").toUtf8();
}
std::string localized(const char* english) {
  return localized(orvin::String::withUtf8(english).toU16String().c_str());
}

}  // namespace wendlock
