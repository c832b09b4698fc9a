#include "service/Service.h"

#include <string>

#include "chars/PlatformException.h"
#include "service/platform/Application.h"
#include "service/platform/Bundle.h"
#include "service/platform/Services.h"
#include "service/platform/Workspace.h"
#include "strings/Lines.h"
#include "support/Log.h"
#include "support/formats/RtfReader.h"
#include "support/formats/Rtfd.h"

namespace wendlock {
namespace {

using orvin::AttributedString;
using orvin::Pasteboard;
using orvin::String;

bool declares(const std::vector<String>& types, std::u16string_view type) {
  for (const String& t : types) {
    if (t == String(type)) return true;
  }
  return false;
}

std::string_view asText(const orvin::Bytes& data) {
  return std::string_view(reinterpret_cast<const char*>(data.data()), data.size());
}

// The lines of a rich text, each keeping its style runs.
std::vector<Text> attributedLines(const AttributedString& text) {
  std::vector<Text> result;
  orvin::NSUInteger at = 0;
  for (const String& line : orvin::lines(text.string())) {
    result.emplace_back(text.attributedSubstringFromRange(orvin::NSRange{at, line.length()}));
    at += line.length();
  }
  return result;
}

}  // namespace

Text Service::getStringOfPboard(Pasteboard& pasteboard, bool attributed,
                                std::optional<orvin::DocumentAttributes>* documentAttributes) {
  const std::vector<String> types = pasteboard.types();
  didPerformService();
  if (documentAttributes != nullptr) documentAttributes->reset();

  std::optional<AttributedString> rich;
  String characters;  // read without attributes: no style runs are built
  bool richTried = false;
  orvin::DocumentAttributes attributes;
  if (declares(types, orvin::NSRTFDPboardType)) {
    if (const auto data = pasteboard.dataForType(String(orvin::NSRTFDPboardType))) {
      if (attributed) {
        rich = AttributedString::initWithRTFD(asText(*data), &attributes);
      } else {
        characters = orvin::readRTFDCharacters(asText(*data), &attributes);
      }
      richTried = true;
    }
  }
  // An RTFD that was there but did not parse goes straight to the plain
  // string: RTF is not tried.
  if (!richTried && declares(types, orvin::NSRTFPboardType)) {
    if (const auto data = pasteboard.dataForType(String(orvin::NSRTFPboardType))) {
      if (attributed) {
        rich = AttributedString::initWithRTF(asText(*data), &attributes);
      } else {
        characters = orvin::readRTFCharacters(asText(*data), &attributes);
      }
    }
  }
  if (rich || !characters.isNil()) {
    if (documentAttributes != nullptr) *documentAttributes = attributes;
    if (rich) return *rich;
    return characters;
  }
  if (declares(types, orvin::NSStringPboardType)) {
    const String plain = pasteboard.stringForType(String(orvin::NSStringPboardType));
    if (!plain.isNil()) return plain;
  }
  return std::monostate{};
}

Text Service::getStringOfPboard(Pasteboard& pasteboard, bool attributed) {
  return getStringOfPboard(pasteboard, attributed, nullptr);
}

MutableText Service::getMutableStringOfPboard(Pasteboard& pasteboard) {
  return mutableCopyOfPboardString(getStringOfPboard(pasteboard, true));
}

MutableText Service::mutableCopyOfPboardString(const Text& text) {
  if (const auto* a = std::get_if<AttributedString>(&text)) return a->mutableCopy();
  if (const auto* s = std::get_if<String>(&text)) {
    if (!s->isNil()) return s->mutableCopy();
  }
  return std::monostate{};
}

void Service::writeString(const Text& text, Pasteboard& pasteboard) {
  didPerformService();
  if (pasteboard.name() != String(orvin::NSGeneralPboard)) {
    const auto active = NSWorkspace::sharedWorkspace().activeApplication();
    const auto name = active.find("NSApplicationName");
    if (name != active.end() && name->second == String(u"Mail")) {
      _writeString(text, *Pasteboard::generalPasteboard());
    }
  }
  _writeString(text, pasteboard);
}

void Service::_writeString(const Text& text, Pasteboard& pasteboard) {
  if (const auto* rich = std::get_if<AttributedString>(&text)) {
    std::optional<std::string> data;
    std::u16string_view type;
    try {
      const orvin::NSRange whole{0, rich->length()};
      if (rich->containsAttachments()) {
        data = rich->RTFDFromRange(whole, nullptr);
        type = orvin::NSRTFDPboardType;
      } else {
        data = rich->RTFFromRange(whole, nullptr);
        type = orvin::NSRTFPboardType;
      }
    } catch (const orvin::PlatformException& e) {
      orvin::NSLogGuardedException(u"_writeString:toPboard:", String::withUtf8(className()), e);
      return;
    }
    if (!data) return;
    pasteboard.declareTypes({String(type)}, nullptr);
    pasteboard.setData(orvin::Bytes(data->begin(), data->end()), String(type));
    return;
  }
  if (const auto* plain = std::get_if<String>(&text)) {
    if (plain->isNil()) return;
    pasteboard.declareTypes({String(orvin::NSStringPboardType)}, nullptr);
    pasteboard.setString(*plain, String(orvin::NSStringPboardType));
  }
}

MutableText Service::getEmptyMutableStringAndLines(std::optional<std::vector<Text>>* lines,
                                                   Pasteboard& pasteboard) {
  const Text text = getStringOfPboard(pasteboard, true);
  didPerformService();
  if (const auto* rich = std::get_if<AttributedString>(&text)) {
    if (lines != nullptr) *lines = attributedLines(*rich);
    return orvin::MutableAttributedString();
  }
  if (const auto* plain = std::get_if<String>(&text); plain != nullptr && !plain->isNil()) {
    if (lines != nullptr) {
      std::vector<Text> split;
      for (const String& line : orvin::lines(*plain)) split.emplace_back(line);
      *lines = std::move(split);
    }
    return orvin::MutableString();
  }
  if (lines != nullptr) lines->reset();
  return std::monostate{};
}

bool Service::launchedAsApplication() {
  if (didPerformService_) return false;
  NSBundle& bundle = NSBundle::mainBundle();
  NSUpdateDynamicServices();
  NSApplication& application = NSApplication::sharedApplication();
  application.activateIgnoringOtherApps(true);

  const String title = bundle.objectForInfoDictionaryKey(u"CFBundleName");
  const String message = bundle.localizedStringForKey(u"SERVICE_LAUNCH", u"");
  const String quit = bundle.localizedStringForKey(u"Quit", u"");
  const String help = bundle.localizedStringForKey(u"Help", u"");
  if (NSRunInformationalAlertPanel(title, message, quit, help, String()) ==
      NSAlertAlternateReturn) {
    const String readMe = bundle.pathForResource(u"Read Me", u"pdf");
    if (readMe.isNil() || !NSWorkspace::sharedWorkspace().openFile(readMe)) NSBeep();
  }
  application.terminate(this);
  return true;
}

}  // namespace wendlock
