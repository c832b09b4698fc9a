// Wendlock: the services provider that pushes the selected text to a
// Bluetooth device as one .txt file with OBEX Put. One request per process:
// the handler starts the transfer, waits in one-second ticks while the
// session callbacks carry it forward, and ends the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "service/Service.h"
#include "service/obex/OBEXCodec.h"
#include "service/obex/OBEXSession.h"
#include "service/platform/ServiceRecord.h"
#include "service/platform/Services.h"

namespace wendlock {

class Wendlock : public Service, public ServicesProvider {
 public:
  Wendlock();
  ~Wendlock() override;

  // The services message: reads the selection, lets the user choose a
  // device, pushes the text, ends the process (except when busy).
  void doSendToService(orvin::Pasteboard& pasteboard, const orvin::String& userData,
                       orvin::String* error) override;

  // Releases the transfer's data items; safe to repeat; the session stays.
  void releaseDataItems();

  [[nodiscard]] const char* className() const override { return "Wendlock"; }

  // The session callbacks; the provider comes from the event's user
  // reference, and an event without one is ignored.
  static void ConnectedCallback(const OBEXSessionEvent* event);
  static void PutCallback(const OBEXSessionEvent* event);
  static void DisconnectedCallback(const OBEXSessionEvent* event);

  // Read-only views for tests.
  [[nodiscard]] OBEXSessionRef session() const noexcept { return mOBEXSessionRef; }
  [[nodiscard]] const orvin::String& filename() const noexcept { return mFilename; }

 private:
  void showMessage(const char16_t* message);
  // "Too much data to send." with the numbers, for a Put of `payload` bytes.
  void showTooMuchData(std::size_t payload);
  // Fills the header items (dictionary, strings, encoded bytes); false
  // when they cannot be made.
  bool encodeHeaders();
  // Hands the chooser what it shows of the text and the target last sent to.
  void describeOutgoing(const orvin::String& text);
  // The user's Cancel while the push waits: ends the session with a
  // Disconnect, now or after the answer in flight.
  void cancel();
  // The end of a push that got an answer: the desktop is told, and a
  // delivery remembers its target for the next chooser.
  void announceEnd();
  // Notes a quiet end: exit status 3, and a line on a terminal.
  void noteEndWithoutDelivery(const char16_t* reason);
  void terminate();
  void disconnect();
  void connected(std::uint8_t responseCode);
  void putAnswered(std::uint8_t responseCode);
  void disconnected();
  void linkFailed();

  std::optional<OBEXBytes> mData;  // the file's bytes; nullopt: none
  orvin::String mMimeType;
  orvin::String mFilename;
  OBEXSessionRef mOBEXSessionRef = nullptr;
  std::optional<OBEXHeaderDictionary> mHeadersDictionary;
  orvin::String mStringRef[2];  // the Name and Type header strings
  std::optional<OBEXBytes> mHeadersData;
  std::uint16_t mMaxPacketLength = 0;
  std::uint32_t mPutDone = 0;
  // The link to the device broke (no answer can come): the wait ends at once
  // with "Connection failed." instead of running out its 60 ticks.
  bool mLinkFailed = false;
  // The user cancelled while the push waited.
  bool mCancelled = false;
  // How the device answered the Put: Success, or a refusal of the file.
  bool mDelivered = false;
  bool mDeclined = false;
  ServiceRecord mTarget;  // the chosen service, for what the user is told
};

}  // namespace wendlock
