#include "support/pasteboard/Pasteboard.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace orvin {

Pasteboard::~Pasteboard() = default;

String Pasteboard::stringForType(const String& type) {
  const std::optional<Bytes> data = dataForType(type);
  if (!data) return String();
  return String::withUtf8(
      std::string_view(reinterpret_cast<const char*>(data->data()), data->size()));
}

PropertyList Pasteboard::propertyListForType(const String& type) {
  if (type == NSStringPboardType) return PropertyList(stringForType(type));
  const std::optional<Bytes> data = dataForType(type);
  if (!data) return PropertyList();
  return propertyListFromData(*data);
}

String Pasteboard::availableTypeFromArray(const std::vector<String>& wanted) {
  const std::vector<String> declared = types();
  for (const String& type : wanted) {
    if (!type.isNil() && std::find(declared.begin(), declared.end(), type) != declared.end()) {
      return type;
    }
  }
  return String();
}

bool Pasteboard::setString(const String& s, const String& type) {
  if (s.isNil()) return false;
  const std::string utf8 = s.toUtf8();
  return setData(Bytes(utf8.begin(), utf8.end()), type);
}

bool Pasteboard::setPropertyList(const PropertyList& plist, const String& type) {
  if (type == NSStringPboardType && plist.kind() == PropertyList::Kind::String) {
    return setString(plist.stringValue(), type);
  }
  const std::optional<Bytes> data = dataFromPropertyList(plist);
  return data && setData(*data, type);
}

// ---------------------------------------------------------------------------
// Registry

namespace {

struct Registry {
  std::mutex lock;
  Pasteboard::Factory generalFactory;
  std::shared_ptr<Pasteboard> general;
  std::map<std::u16string, std::shared_ptr<Pasteboard>> named;
};

// Never destroyed, so pasteboards stay usable from other static destructors.
Registry& registry() {
  static auto* r = new Registry;
  return *r;
}

}  // namespace

std::shared_ptr<Pasteboard> Pasteboard::generalPasteboard() {
  Registry& r = registry();
  Factory factory;
  {
    std::lock_guard<std::mutex> guard(r.lock);
    if (r.general) return r.general;
    factory = r.generalFactory;
  }
  // Made outside the lock: the factory may itself look up pasteboards.
  std::shared_ptr<Pasteboard> made = factory ? factory() : nullptr;
  if (!made) made = std::make_shared<InMemoryPasteboard>(String(NSGeneralPboard));
  std::lock_guard<std::mutex> guard(r.lock);
  if (!r.general) r.general = std::move(made);
  return r.general;
}

std::shared_ptr<Pasteboard> Pasteboard::pasteboardWithName(const String& name) {
  if (name.isEmpty()) return nullptr;
  if (name == NSGeneralPboard) return generalPasteboard();
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.lock);
  std::shared_ptr<Pasteboard>& slot = r.named[name.toU16String()];
  if (!slot) slot = std::make_shared<InMemoryPasteboard>(name);
  return slot;
}

void Pasteboard::setGeneralPasteboardFactory(Factory factory) {
  Registry& r = registry();
  std::shared_ptr<Pasteboard> previous;
  {
    std::lock_guard<std::mutex> guard(r.lock);
    r.generalFactory = std::move(factory);
    previous = std::move(r.general);
    r.general.reset();
  }
  // `previous` is released here, outside the lock.
}

// ---------------------------------------------------------------------------
// InMemoryPasteboard

InMemoryPasteboard::InMemoryPasteboard(String name) : name_(std::move(name)) {}

String InMemoryPasteboard::name() {
  return name_;
}

std::vector<String> InMemoryPasteboard::types() {
  std::vector<String> result;
  result.reserve(entries_.size());
  for (const Entry& e : entries_) result.push_back(e.type);
  return result;
}

InMemoryPasteboard::Entry* InMemoryPasteboard::find(const String& type) {
  const auto found = std::find_if(entries_.begin(), entries_.end(),
                                  [&](const Entry& e) { return e.type == type; });
  return found != entries_.end() ? &*found : nullptr;
}

std::optional<Bytes> InMemoryPasteboard::dataForType(const String& type) {
  const Entry* e = find(type);
  return e != nullptr ? e->data : std::nullopt;
}

NSInteger InMemoryPasteboard::declareTypes(const std::vector<String>& types, const void* owner) {
  entries_.clear();
  for (const String& type : types) {
    if (!type.isNil() && find(type) == nullptr) entries_.push_back(Entry{type, std::nullopt});
  }
  owner_ = owner;
  return ++changeCount_;
}

bool InMemoryPasteboard::setData(const Bytes& data, const String& type) {
  Entry* e = find(type);
  if (e == nullptr) return false;
  e->data = data;
  return true;
}

NSInteger InMemoryPasteboard::changeCount() {
  return changeCount_;
}

}  // namespace orvin
