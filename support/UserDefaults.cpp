#include "support/UserDefaults.h"

#include <charconv>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "chars/StringPredicates.h"
#include "chars/StringServices.h"
#include "chars/TextEncodings.h"
#include "paths/ApplicationIdentifier.h"
#include "paths/StandardDirectories.h"
#include "paths/internal/PathJoining.h"
#include "support/internal/DefaultsFile.h"

namespace orvin {

using Kind = PropertyList::Kind;

namespace {

// The key's code units: the string's own when it has them, else copied.
class KeyUnits {
 public:
  explicit KeyUnits(const String& key) {
    if (const unichar* direct = key.charactersPtr()) {
      view_ = std::u16string_view(direct, key.length());
    } else {
      copy_ = key.toU16String();
      view_ = copy_;
    }
  }
  [[nodiscard]] std::u16string_view view() const { return view_; }

 private:
  std::u16string copy_;
  std::u16string_view view_;
};

struct UnitsHash {
  using is_transparent = void;
  std::size_t operator()(std::u16string_view units) const noexcept {
    return std::hash<std::u16string_view>()(units);
  }
};

}  // namespace

struct UserDefaults::State {
  mutable std::mutex mutex;
  std::unique_ptr<detail::DefaultsFile> file;  // null: memory only
  PropertyList::Dictionary arguments;
  PropertyList::Dictionary persistent;
  PropertyList::Dictionary registered;
  detail::DefaultsChanges changes;  // since the last save
  // What a read finds for each key, the domains already searched, so that a
  // read is one hash lookup.
  std::unordered_map<std::u16string, PropertyList, UnitsHash, std::equal_to<>> resolved;

  void resolve() {
    resolved.clear();
    for (const PropertyList::Dictionary* domain : {&registered, &persistent, &arguments}) {
      for (const auto& [key, value] : *domain) resolved[key.toU16String()] = value;
    }
  }
  void resolve(const String& key) {
    for (const PropertyList::Dictionary* domain : {&arguments, &persistent, &registered}) {
      if (const auto found = domain->find(key); found != domain->end()) {
        resolved[key.toU16String()] = found->second;
        return;
      }
    }
    resolved.erase(key.toU16String());
  }
};

namespace {

bool isNumber(const PropertyList& value) {
  return value.kind() == Kind::Integer || value.kind() == Kind::Real;
}

bool toBool(const PropertyList& value) {
  switch (value.kind()) {
    case Kind::Boolean:
      return value.boolValue();
    case Kind::Integer:
    case Kind::Real:
      return value.doubleValue() != 0;
    case Kind::String: {
      const String text = value.stringValue();
      return isEqualToStringNoCase(text, u"yes") || isEqualToStringNoCase(text, u"true") ||
             integerValue(text) != 0;
    }
    default:
      return false;
  }
}

NSInteger toInteger(const PropertyList& value) {
  if (isNumber(value)) return value.integerValue();
  if (value.kind() == Kind::Boolean) return value.boolValue() ? 1 : 0;
  if (value.kind() == Kind::String) return integerValue(value.stringValue());
  return 0;
}

// nullopt for the kinds that have no double value.
std::optional<double> toDouble(const PropertyList& value) {
  if (isNumber(value)) return value.doubleValue();
  if (value.kind() == Kind::Boolean) return value.boolValue() ? 1 : 0;
  if (value.kind() == Kind::String) return doubleValue(value.stringValue());
  return std::nullopt;
}

String toString(const PropertyList& value) {
  if (value.kind() == Kind::String) return value.stringValue();
  if (!isNumber(value)) return String();
  char digits[32];
  const auto end = value.kind() == Kind::Integer
                       ? std::to_chars(digits, digits + sizeof digits, value.integerValue()).ptr
                       : std::to_chars(digits, digits + sizeof digits, value.doubleValue()).ptr;
  return String::withLatin1(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

// A value (and key) the file can hold; anything else is not stored.
bool hasFileForm(const String& key, const PropertyList& value) {
  return dataFromPropertyList(PropertyList(PropertyList::Dictionary{{key, value}})).has_value();
}

// The store's file for an application id, or nil (memory only) when there
// is no usable id.
String fileForApplication(const String& id) {
  if (id.isEmpty() || id == String(u".") || id == String(u"..")) return String();
  const std::u16string text = id.toU16String();
  if (text.find(u'/') != std::u16string::npos || text.find(u'\0') != std::u16string::npos) {
    return String();
  }
  return detail::joinPath(detail::joinPath(preferencesDirectory(), id), u"defaults.plist");
}

}  // namespace

UserDefaults& UserDefaults::standardUserDefaults() {
  // Never destroyed: the exit handler below still needs it.
  static UserDefaults* const store = [] {
    auto* made = new UserDefaults(fileForApplication(applicationIdentifier()));
    std::atexit([] { standardUserDefaults().synchronize(); });
    return made;
  }();
  return *store;
}

UserDefaults::UserDefaults(const String& filePath) : state_(std::make_unique<State>()) {
  if (filePath.isNil()) return;
  std::optional<std::string> path = bytesOfString(filePath, NSUTF8StringEncoding);
  if (!path || path->empty() || path->find('\0') != std::string::npos) return;
  state_->file = std::make_unique<detail::DefaultsFile>(std::move(*path));
  if (auto read = state_->file->exchange({})) state_->persistent = std::move(*read);
  state_->resolve();
}

UserDefaults::~UserDefaults() = default;

void UserDefaults::setArguments(int argc, const char* const* argv) {
  PropertyList::Dictionary parsed;
  for (int i = 1; i + 1 < argc; ++i) {
    const std::string_view flag = argv[i] != nullptr ? argv[i] : "";
    if (flag.size() < 2 || flag[0] != '-' || flag[1] == '-' || argv[i + 1] == nullptr) continue;
    const String key = String::withUtf8(flag.substr(1));
    const String value = String::withUtf8(argv[i + 1]);
    if (key.isNil() || value.isNil()) continue;
    parsed[key] = value;
    ++i;
  }
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->arguments = std::move(parsed);
  state_->resolve();
}

void UserDefaults::registerDefaults(const PropertyList::Dictionary& defaults) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  for (const auto& [key, value] : defaults) state_->registered[key] = value;
  state_->resolve();
}

PropertyList UserDefaults::objectForKey(const String& key) const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  const auto found = state_->resolved.find(KeyUnits(key).view());
  return found != state_->resolved.end() ? found->second : PropertyList();
}

void UserDefaults::setObject(const PropertyList& value, const String& key) {
  if (value.isNil()) return removeObjectForKey(key);
  if (key.isNil() || !hasFileForm(key, value)) return;
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->persistent[key] = value;
  state_->changes[key] = value;
  state_->resolve(key);
}

void UserDefaults::removeObjectForKey(const String& key) {
  if (key.isNil()) return;
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->persistent.erase(key);
  state_->changes[key] = std::nullopt;
  state_->resolve(key);
}

bool UserDefaults::boolForKey(const String& key) const {
  return toBool(objectForKey(key));
}

NSInteger UserDefaults::integerForKey(const String& key) const {
  return toInteger(objectForKey(key));
}

float UserDefaults::floatForKey(const String& key) const {
  return static_cast<float>(doubleForKey(key));
}

double UserDefaults::doubleForKey(const String& key) const {
  return toDouble(objectForKey(key)).value_or(0);
}

String UserDefaults::stringForKey(const String& key) const {
  return toString(objectForKey(key));
}

bool UserDefaults::synchronize() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  if (!state_->file) {
    state_->changes.clear();
    return true;
  }
  std::optional<PropertyList::Dictionary> saved = state_->file->exchange(state_->changes);
  if (!saved) return false;
  state_->persistent = std::move(*saved);
  state_->changes.clear();
  state_->resolve();
  return true;
}

void setString(UserDefaults& defaults, const String& value, const String& key) {
  defaults.setObject(value, key);
}

void setValue(UserDefaults& defaults, const PropertyList& value, const String& key) {
  defaults.setObject(value, key);
}

bool boolForKey(const UserDefaults& defaults, const String& key, bool fallback) {
  const PropertyList value = defaults.objectForKey(key);
  return value.isNil() ? fallback : toBool(value);
}

NSInteger integerForKey(const UserDefaults& defaults, const String& key, NSInteger fallback) {
  const PropertyList value = defaults.objectForKey(key);
  return value.isNil() ? fallback : toInteger(value);
}

float floatForKey(const UserDefaults& defaults, const String& key, float fallback) {
  const PropertyList value = defaults.objectForKey(key);
  return value.isNil() ? fallback : static_cast<float>(toDouble(value).value_or(0));
}

double doubleForKey(const UserDefaults& defaults, const String& key, double fallback) {
  return toDouble(defaults.objectForKey(key)).value_or(fallback);
}

String stringForKey(const UserDefaults& defaults, const String& key, const String& fallback) {
  const String value = defaults.stringForKey(key);
  return value.isNil() ? fallback : value;
}

PropertyList objectForKey(const UserDefaults& defaults, const String& key,
                          const PropertyList& fallback) {
  const PropertyList value = defaults.objectForKey(key);
  return value.isNil() ? fallback : value;
}

}  // namespace orvin
