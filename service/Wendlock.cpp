#include "service/Wendlock.h"

#include <glib.h>

#include <algorithm>

#include "chars/MutableString.h"
#include "chars/StringFormat.h"
#include "chars/TextEncodings.h"
#include "service/platform/Application.h"
#include "service/platform/Bundle.h"
#include "service/platform/DeviceBrowser.h"
#include "service/platform/FrontEnd.h"
#include "service/platform/RunLoop.h"
#include "strings/Lines.h"
#include "strings/Trimming.h"
#include "support/DateFormatters.h"
#include "support/NumberFormatter.h"
#include "support/UserDefaults.h"

namespace wendlock {
namespace {

using orvin::String;

constexpr const char16_t* kAlertTitle = u"Wendlock";
constexpr const char16_t* kMimeTypePlainText = u"text/plain";
constexpr std::uint16_t kRequestedMaxPacketLength = 512;
constexpr std::uint16_t kFallbackChunkSize = 512;
constexpr int kMostWaitTicks = 60;
constexpr double kTickSeconds = 1.0;
// After a Cancel or a refusal, how long the Disconnect may take before the
// link is closed without its answer.
constexpr int kEndingTicks = 3;
// Characters of the first line the chooser shows.
constexpr glong kPreviewCharacters = 60;
// The user default that holds the target last delivered to.
constexpr const char16_t* kLastDeviceKey = u"LastDevice";

String localizedText(const char16_t* english) {
  return NSBundle::mainBundle().localizedStringForKey(english, u"");
}

// The first line of `text` that is not blank, trimmed, cut after
// kPreviewCharacters characters (never inside one) with "…".
//   previewOf(u"\n  Call Anna back\nre: dinner")  // "Call Anna back"
std::string previewOf(const String& text) {
  const std::string line =
      orvin::stringByTrimmingSpacesAndFeeds(
          orvin::firstLine(orvin::stringByTrimmingSpacesAndFeeds(text, true)), true)
          .toUtf8();
  if (g_utf8_strlen(line.c_str(), -1) <= kPreviewCharacters) return line;
  const char* end = g_utf8_offset_to_pointer(line.c_str(), kPreviewCharacters);
  // A combining mark belongs to the character before it.
  while (end > line.c_str() && g_unichar_ismark(g_utf8_get_char(end))) {
    end = g_utf8_prev_char(end);
  }
  return std::string(line.c_str(), end) + "…";
}

// What the user calls the target: its name, else its address.
String displayName(const ServiceRecord& record) {
  return String::withUtf8(record.name.empty() ? record.describe() : record.name);
}

// The file name: the short date and time, with the characters receivers
// take as path separators ("/" and ":") turned into "-".
String dateFileName() {
  orvin::MutableString date(orvin::localizedShortDateTimeDescription(orvin::Date::now()));
  date.replaceOccurrencesOfString(u"/", u"-", 0, orvin::NSRange{0, date.length()});
  date.replaceOccurrencesOfString(u":", u"-", 0, orvin::NSRange{0, date.length()});
  return orvin::stringWithFormat(u"%@.txt", {date});
}

Wendlock* providerOf(const OBEXSessionEvent* event) {
  return event == nullptr ? nullptr : static_cast<Wendlock*>(event->userRef);
}

}  // namespace

Wendlock::Wendlock() = default;

Wendlock::~Wendlock() {
  releaseDataItems();
}

void Wendlock::releaseDataItems() {
  mHeadersData.reset();
  mHeadersDictionary.reset();
  mStringRef[0] = String();
  mStringRef[1] = String();
  mData.reset();
  mFilename = String();
  mMimeType = String();
}

void Wendlock::showMessage(const char16_t* message) {
  NSRunCriticalAlertPanel(kAlertTitle, localizedText(message));
}

void Wendlock::showTooMuchData(std::size_t payload) {
  const std::size_t headers = mHeadersData ? mHeadersData->size() : 0;
  const std::size_t room = payload - std::min(payload, headers);
  const String detail = orvin::stringWithFormat(
      localizedText(u"The text is %@ bytes; at most %@ bytes can be sent at once."),
      {orvin::stringForInteger(static_cast<std::int64_t>(mData ? mData->size() : 0)),
       orvin::stringForInteger(static_cast<std::int64_t>(room))});
  NSRunCriticalAlertPanel(kAlertTitle, localizedText(u"Too much data to send."), detail);
}

void Wendlock::describeOutgoing(const String& text) {
  const String size =
      orvin::stringWithFormat(localizedText(u"%@ bytes"),
                              {orvin::stringForInteger(static_cast<std::int64_t>(mData->size()))});
  const String remembered =
      orvin::stringForKey(orvin::UserDefaults::standardUserDefaults(), kLastDeviceKey, u"");
  frontEnd().setOutgoing({previewOf(text), size.toUtf8(), remembered.toUtf8()});
}

void Wendlock::noteEndWithoutDelivery(const char16_t* reason) {
  NSApplication::sharedApplication().noteEndWithoutDelivery(localizedText(reason));
}

void Wendlock::terminate() {
  NSApplication::sharedApplication().terminate(this);
}

void Wendlock::doSendToService(orvin::Pasteboard& pasteboard, const String& /*userData*/,
                               String* /*error*/) {
  const String text = plainString(getStringOfPboard(pasteboard, false));
  // A transfer is under way in the wait below: this request is dropped.
  if (mOBEXSessionRef != nullptr) return;

  NSApplication::sharedApplication().activateIgnoringOtherApps(true);

  if (!text.isNil()) {
    // Strict: a text that has no UTF-8 form (an unpaired surrogate) has no data.
    if (auto bytes = orvin::bytesOfString(text, orvin::NSUTF8StringEncoding)) {
      mData = OBEXBytes(bytes->begin(), bytes->end());
    }
  }
  mMimeType = kMimeTypePlainText;
  mFilename = dateFileName();

  if (!mData || mData->empty()) {
    showMessage(u"No data to send.");
    terminate();
    return;
  }

  // No session can give a Put more room than the packets we ask for: a text
  // that cannot fit them is refused before a device is chosen or contacted.
  // A server with smaller packets is still caught once connected.
  constexpr std::size_t kLargestPayload = OBEXPutPayloadLength(kRequestedMaxPacketLength);
  if (encodeHeaders() && mHeadersData->size() + mData->size() > kLargestPayload) {
    showTooMuchData(kLargestPayload);
    releaseDataItems();
    terminate();
    return;
  }
  describeOutgoing(text);

  ServiceRecord record;
  const int browsed = IOBluetoothServiceBrowserControllerBrowseDevices(
      &record, kIOBluetoothServiceBrowserControllerOptionsAutoStartInquiry);
  if (browsed == kIOBluetoothUIUserCanceledErr) {
    noteEndWithoutDelivery(u"Cancelled.");
    terminate();
    return;
  }
  if (browsed != kIOBluetoothUISuccess) {
    showMessage(u"Bluetooth not available.");
    terminate();
    return;
  }

  if (IOBluetoothOBEXSessionCreateWithIOBluetoothSDPServiceRecordRef(record, &mOBEXSessionRef) !=
          kOBEXSuccess ||
      mOBEXSessionRef == nullptr) {
    mOBEXSessionRef = nullptr;
    showMessage(u"Connection failed.");
    terminate();
    return;
  }

  if (OBEXSessionConnect(mOBEXSessionRef, 0, kRequestedMaxPacketLength, nullptr, 0,
                         ConnectedCallback, this) != kOBEXSuccess) {
    OBEXSessionDelete(mOBEXSessionRef);
    mOBEXSessionRef = nullptr;
    releaseDataItems();
    showMessage(u"Connection failed.");
    terminate();
    return;
  }

  mTarget = record;
  frontEnd().showSending(
      orvin::stringWithFormat(localizedText(u"Sending to %@…"), {displayName(record)}).toUtf8(),
      [this] { cancel(); });
  // After a Cancel or a refusal only the Disconnect's answer is awaited, and
  // not for long: a device that refused may never answer it.
  int endingAt = -1;
  for (int tick = 0; mOBEXSessionRef != nullptr && tick < kMostWaitTicks; ++tick) {
    RunLoop::currentRunLoop().runUntilDate(orvin::Date::dateWithTimeIntervalSinceNow(kTickSeconds));
    if ((mCancelled || mDeclined) && endingAt < 0) endingAt = tick;
    if (endingAt >= 0 && tick - endingAt >= kEndingTicks) break;
  }
  frontEnd().endSending();

  if (mCancelled || mDeclined) {
    if (mOBEXSessionRef != nullptr) OBEXSessionDelete(mOBEXSessionRef);
    mOBEXSessionRef = nullptr;
    if (mDeclined) announceEnd();
    releaseDataItems();
    terminate();
    return;
  }
  if (mOBEXSessionRef == nullptr && !mLinkFailed) {
    announceEnd();
    releaseDataItems();
    terminate();
    return;
  }
  if (mOBEXSessionRef != nullptr) OBEXSessionDelete(mOBEXSessionRef);
  mOBEXSessionRef = nullptr;
  releaseDataItems();
  showMessage(u"Connection failed.");
  terminate();
}

void Wendlock::cancel() {
  if (mCancelled || mOBEXSessionRef == nullptr) return;
  mCancelled = true;
  noteEndWithoutDelivery(u"Cancelled.");
  // Busy while a request is in flight: its answer then leads to the
  // Disconnect instead of the next step.
  disconnect();
}

void Wendlock::announceEnd() {
  if (mDelivered) {
    orvin::UserDefaults& defaults = orvin::UserDefaults::standardUserDefaults();
    orvin::setString(defaults, String::withUtf8(mTarget.describe()), kLastDeviceKey);
    (void)defaults.synchronize();
    frontEnd().notify(
        orvin::stringWithFormat(localizedText(u"Sent to %@"), {displayName(mTarget)}).toUtf8());
  } else if (mDeclined) {
    frontEnd().notify(
        orvin::stringWithFormat(localizedText(u"%@ declined the text."), {displayName(mTarget)})
            .toUtf8());
  }
}

bool Wendlock::encodeHeaders() {
  mHeadersDictionary.emplace();
  mStringRef[0] = String::withUtf8(mFilename.toUtf8());
  mStringRef[1] = String::withUtf8(mMimeType.toUtf8());
  // Receivers such as Android's refuse a Put without the object's length.
  if (OBEXAddNameHeader(mStringRef[0], &*mHeadersDictionary) != kOBEXSuccess ||
      OBEXAddTypeHeader(mStringRef[1], &*mHeadersDictionary) != kOBEXSuccess ||
      OBEXAddLengthHeader(static_cast<std::uint32_t>(mData->size()), &*mHeadersDictionary) !=
          kOBEXSuccess) {
    return false;
  }
  mHeadersData = OBEXHeadersToBytes(&*mHeadersDictionary);
  return mHeadersData.has_value();
}

void Wendlock::disconnect() {
  (void)OBEXSessionDisconnect(mOBEXSessionRef, nullptr, 0, DisconnectedCallback, this);
}

void Wendlock::ConnectedCallback(const OBEXSessionEvent* event) {
  if (Wendlock* self = providerOf(event)) {
    RunLoop::currentRunLoop().guard([&] {
      if (event->status != kOBEXSuccess) {
        self->linkFailed();
      } else {
        self->connected(event->responseCode);
      }
    });
  }
}

void Wendlock::PutCallback(const OBEXSessionEvent* event) {
  if (Wendlock* self = providerOf(event)) {
    RunLoop::currentRunLoop().guard([&] {
      if (event->status != kOBEXSuccess) {
        self->linkFailed();
      } else {
        self->putAnswered(event->responseCode);
      }
    });
  }
}

void Wendlock::DisconnectedCallback(const OBEXSessionEvent* event) {
  if (Wendlock* self = providerOf(event)) {
    RunLoop::currentRunLoop().guard([&] { self->disconnected(); });
  }
}

void Wendlock::connected(std::uint8_t responseCode) {
  if (mCancelled) {
    disconnect();
    return;
  }
  if (responseCode != kOBEXResponseCodeSuccessWithFinalBit || !mData) {
    noteEndWithoutDelivery(u"The device refused the connection.");
    disconnect();
    return;
  }

  OBEXMaxPacketLength maxPacketLength = 0;
  if (OBEXSessionGetMaxPacketLength(mOBEXSessionRef, &maxPacketLength) == kOBEXSuccess) {
    mMaxPacketLength = static_cast<std::uint16_t>(maxPacketLength / 2);
  } else {
    mMaxPacketLength = kFallbackChunkSize;
  }

  if (!encodeHeaders()) {
    disconnect();
    return;
  }

  OBEXMaxPacketLength payload = 0;
  if (OBEXSessionGetAvailableCommandPayloadLength(mOBEXSessionRef, kOBEXOpCodePut, &payload) !=
      kOBEXSuccess) {
    disconnect();
    return;
  }
  const std::uint32_t dataLength = static_cast<std::uint32_t>(mData->size());
  const std::uint32_t headersLength = static_cast<std::uint32_t>(mHeadersData->size());
  if (payload < static_cast<std::uint64_t>(headersLength) + dataLength) {
    showTooMuchData(payload);
    disconnect();
    return;
  }

  // Unsigned on purpose: headers longer than a chunk make the first chunk
  // carry all the data, which the check above has let through.
  const std::uint32_t room = static_cast<std::uint32_t>(mMaxPacketLength) - headersLength;
  mPutDone = std::min(dataLength, room);
  const bool isFinal = mPutDone >= dataLength;
  if (OBEXSessionPut(mOBEXSessionRef, isFinal, mHeadersData->data(), mHeadersData->size(),
                     mData->data(), mPutDone, PutCallback, this) != kOBEXSuccess) {
    disconnect();
  }
}

void Wendlock::putAnswered(std::uint8_t responseCode) {
  if (mCancelled) {
    disconnect();
    return;
  }
  if (responseCode == kOBEXResponseCodeSuccessWithFinalBit) {
    mDelivered = true;
    disconnect();
    return;
  }
  // Any other final answer is the device declining the file (a user who
  // taps "Decline" gives Forbidden): no more will come, so end now, quietly,
  // as after a refused connection.
  if (responseCode != kOBEXResponseCodeContinueWithFinalBit) {
    mDeclined = true;
    noteEndWithoutDelivery(u"The device declined the file.");
    disconnect();
    return;
  }
  if (!mData) return;
  const std::uint32_t dataLength = static_cast<std::uint32_t>(mData->size());
  const std::uint32_t offset = mPutDone;
  // A Continue after the last chunk asks for data there is none of; it is
  // left unanswered rather than read past the end.
  if (offset >= dataLength) return;
  const std::uint32_t remaining = dataLength - offset;
  const std::uint32_t chunk = std::min<std::uint32_t>(mMaxPacketLength, remaining);
  mPutDone += chunk;
  const bool isFinal = mPutDone >= dataLength;
  if (OBEXSessionPut(mOBEXSessionRef, isFinal, nullptr, 0, mData->data() + offset, chunk,
                     PutCallback, this) != kOBEXSuccess) {
    disconnect();
  }
}

// An event without an answer: the connection could not be made, or broke,
// or the device sent something that is not OBEX. Nothing more will come, so
// the wait need not run out; a device that answers and refuses still ends
// quietly through the response code.
void Wendlock::linkFailed() {
  if (mOBEXSessionRef != nullptr) {
    OBEXSessionDelete(mOBEXSessionRef);
    mOBEXSessionRef = nullptr;
  }
  mLinkFailed = true;
}

void Wendlock::disconnected() {
  if (mOBEXSessionRef != nullptr) {
    OBEXSessionDelete(mOBEXSessionRef);
    mOBEXSessionRef = nullptr;
  }
  releaseDataItems();
}

}  // namespace wendlock
