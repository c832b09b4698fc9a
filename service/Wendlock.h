// Wendlock: the services provider that pushes the selected text to a
// Bluetooth device as one .txt file with OBEX Put. One request per process:
// the handler starts the transfer, waits in one-second ticks while the
// session callbacks carry it forward, and ends the process.
#pragma once

#include <cstdint>
#include <optional>

#include "service/Service.h"
#include "service/obex/OBEXCodec.h"
#include "service/obex/OBEXSession.h"
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
};

}  // namespace wendlock
