// User defaults: a per-user store of property-list values under string
// keys, kept in a file between runs, with typed reads that fall back to the
// caller's default when a key has no value.
//
// Domains, searched in this order: the command line's "-key value" pairs
// (this run only), the application's file, then registered defaults (this
// run only). Writes go to the file's domain in memory; synchronize() saves
// them.
//
// The file is $XDG_CONFIG_HOME/<application id>/defaults.plist (folder 0700,
// file 0600), an XML property list, replaced atomically under a lock file.
// Several processes may share it: synchronize() rereads the file and applies
// only the keys this process changed, so the last writer wins per key and no
// other key is lost. Changes of other processes show after synchronize().
// A file that cannot be read as a dictionary is kept as defaults.plist.bad,
// logged once, and the store starts empty. Without an application id the
// store lives in memory only. Numbers are read and written the same way in
// every locale.
//
// Safe to use from several threads.
#pragma once

#include <memory>

#include "chars/Export.h"
#include "chars/String.h"
#include "support/formats/PropertyList.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

class UserDefaults {
 public:
  // The process's store, opened at first use for applicationIdentifier()
  // (paths/ApplicationIdentifier.h); memory only when that is nil. Saved at
  // exit.
  [[nodiscard]] static UserDefaults& standardUserDefaults();

  // A store kept in `filePath` (its folder is created 0700 when missing), or
  // in memory only when `filePath` is nil. The file is read now.
  //   UserDefaults store(u"/home/anna/.config/wendlock/defaults.plist");
  explicit UserDefaults(const String& filePath);
  ~UserDefaults();
  UserDefaults(const UserDefaults&) = delete;
  UserDefaults& operator=(const UserDefaults&) = delete;

  // The command line's domain: each "-key value" pair (the key without its
  // "-"; the value as a string). Other arguments, and "--long" options, are
  // skipped. Replaces earlier arguments.
  //   store.setArguments(argc, argv);  // "-Volume 7" makes integerForKey(u"Volume") 7
  void setArguments(int argc, const char* const* argv);
  // Adds `defaults` to the registration domain (later values win).
  void registerDefaults(const PropertyList::Dictionary& defaults);

  // The value of `key` from the first domain that has it, or nil.
  [[nodiscard]] PropertyList objectForKey(const String& key) const;
  // Stores `value` (nil removes the key, as removeObjectForKey).
  void setObject(const PropertyList& value, const String& key);
  void removeObjectForKey(const String& key);

  // Typed reads ("the store's rules"):
  //  bool: a boolean as is; a number other than 0; a string that is "yes" or
  //   "true" in any case, or whose integerValue is not 0; else false.
  //  integer: an integer; a real truncated (saturating); a boolean as 0 or
  //   1; a string's integerValue; else 0.
  //  float, double: a number; a string's doubleValue; a boolean as 0 or 1;
  //   else 0.
  //  string: a string; a number as its decimal text ("2.5"); else nil.
  [[nodiscard]] bool boolForKey(const String& key) const;
  [[nodiscard]] NSInteger integerForKey(const String& key) const;
  [[nodiscard]] float floatForKey(const String& key) const;
  [[nodiscard]] double doubleForKey(const String& key) const;
  [[nodiscard]] String stringForKey(const String& key) const;

  // Saves this store's changes into its file and reads what other processes
  // saved. false when the file cannot be locked (within five seconds) or
  // written; the changes are then kept for the next try. A memory-only
  // store answers true.
  bool synchronize();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Stores a string for `key`.
//   setString(store, u"Anna", u"UserName");
void setString(UserDefaults& defaults, const String& value, const String& key);
// Stores `value` for `key`; nil removes the key.
//   setValue(store, PropertyList(), u"UserName");  // removed
void setValue(UserDefaults& defaults, const PropertyList& value, const String& key);

// `fallback` when the key has no value in any domain; else the store's own
// conversion, so a value that does not convert answers the store's 0 or
// false, not `fallback`.
//   integerForKey(store, u"Missing", 10)     // 10
//   integerForKey(store, u"HoldsText", 10)   // 0
[[nodiscard]] bool boolForKey(const UserDefaults& defaults, const String& key, bool fallback);
[[nodiscard]] NSInteger integerForKey(const UserDefaults& defaults, const String& key,
                                      NSInteger fallback);
[[nodiscard]] float floatForKey(const UserDefaults& defaults, const String& key, float fallback);
// `fallback` as well when the value is not a number, a boolean or a string
// (a date, data, an array, a dictionary); else its double value.
//   doubleForKey(store, u"HoldsArray", 1.5)  // 1.5
[[nodiscard]] double doubleForKey(const UserDefaults& defaults, const String& key, double fallback);
// The store's stringForKey, or `fallback` when that is nil.
[[nodiscard]] String stringForKey(const UserDefaults& defaults, const String& key,
                                  const String& fallback);
// The value, or `fallback` when the key has none.
[[nodiscard]] PropertyList objectForKey(const UserDefaults& defaults, const String& key,
                                        const PropertyList& fallback);

}  // namespace orvin
ORVIN_PUBLIC_END
