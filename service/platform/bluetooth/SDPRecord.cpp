#include "service/platform/bluetooth/SDPRecord.h"

#include <optional>

namespace wendlock {
namespace {

using Bytes = std::span<const std::uint8_t>;

enum ElementType : std::uint8_t {
  kNil = 0,
  kUnsigned = 1,
  kUUID = 3,
  kSequence = 6,
  kAlternative = 7,
};

struct Element {
  std::uint8_t type = kNil;
  std::uint8_t sizeIndex = 0;
  Bytes data;
};

std::uint32_t bigEndian(Bytes bytes) {
  std::uint32_t value = 0;
  for (std::uint8_t b : bytes) value = value << 8 | b;
  return value;
}

// Takes one data element off the front of *bytes. Size indexes 0 to 4 give
// a fixed size (1 to 16 bytes; none for nil), 5 to 7 a length of 1, 2 or 4
// bytes in front of the data, which has to fit in what is left.
bool takeElement(Bytes* bytes, Element* element) {
  if (bytes->empty()) return false;
  const std::uint8_t descriptor = bytes->front();
  Element e;
  e.type = descriptor >> 3;
  e.sizeIndex = descriptor & 7;
  Bytes rest = bytes->subspan(1);
  std::size_t size = 0;
  if (e.type == kNil) {
    if (e.sizeIndex != 0) return false;
  } else if (e.sizeIndex <= 4) {
    size = std::size_t{1} << e.sizeIndex;
  } else {
    const std::size_t lengthBytes = std::size_t{1} << (e.sizeIndex - 5);
    if (rest.size() < lengthBytes) return false;
    size = bigEndian(rest.first(lengthBytes));
    rest = rest.subspan(lengthBytes);
  }
  if (rest.size() < size) return false;
  e.data = rest.first(size);
  *bytes = rest.subspan(size);
  *element = e;
  return true;
}

bool isList(const Element& e) {
  return (e.type == kSequence || e.type == kAlternative) && e.sizeIndex >= 5;
}

// A UUID in its short form: 16 and 32 bits as they are, 128 bits only when
// built on the Bluetooth base UUID.
std::optional<std::uint32_t> shortUUID(const Element& e) {
  static constexpr std::uint8_t kBaseTail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                                 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB};
  if (e.type != kUUID) return std::nullopt;
  switch (e.sizeIndex) {
    case 1:
    case 2:
      return bigEndian(e.data);
    case 4:
      for (std::size_t i = 0; i < sizeof kBaseTail; ++i) {
        if (e.data[4 + i] != kBaseTail[i]) return std::nullopt;
      }
      return bigEndian(e.data.first(4));
    default:
      return std::nullopt;
  }
}

// One protocol descriptor: a sequence that starts with the protocol's UUID.
// *parameters is what follows the UUID.
std::optional<std::uint32_t> protocolOf(const Element& descriptor, Bytes* parameters) {
  if (descriptor.type != kSequence || descriptor.sizeIndex < 5) return std::nullopt;
  Bytes items = descriptor.data;
  Element uuid;
  if (!takeElement(&items, &uuid)) return std::nullopt;
  *parameters = items;
  return shortUUID(uuid);
}

// One protocol stack (a sequence of protocol descriptors, lowest first).
std::uint8_t channelOfStack(const Element& stack) {
  if (stack.type != kSequence || stack.sizeIndex < 5) return 0;
  Bytes descriptors = stack.data;
  Element l2cap;
  Element rfcomm;
  Bytes parameters;
  if (!takeElement(&descriptors, &l2cap) || protocolOf(l2cap, &parameters) != kSDPProtocolL2CAP) {
    return 0;
  }
  if (!takeElement(&descriptors, &rfcomm) ||
      protocolOf(rfcomm, &parameters) != kSDPProtocolRFCOMM) {
    return 0;
  }
  Element channel;
  if (!takeElement(&parameters, &channel)) return 0;
  if (channel.type != kUnsigned || channel.sizeIndex != 0) return 0;
  const std::uint8_t value = channel.data[0];
  return value >= kRFCOMMChannelFirst && value <= kRFCOMMChannelLast ? value : 0;
}

std::uint8_t channelOfDescriptorList(const Element& list) {
  if (list.type == kSequence) return channelOfStack(list);
  if (!isList(list)) return 0;
  Bytes alternatives = list.data;
  Element stack;
  while (takeElement(&alternatives, &stack)) {
    if (const std::uint8_t channel = channelOfStack(stack)) return channel;
  }
  return 0;
}

bool listsServiceClass(const Element& classes, std::uint32_t serviceClass) {
  if (classes.type != kSequence || classes.sizeIndex < 5) return false;
  Bytes items = classes.data;
  Element uuid;
  while (takeElement(&items, &uuid)) {
    if (shortUUID(uuid) == serviceClass) return true;
  }
  return false;
}

std::uint8_t channelOfRecordElement(const Element& record, std::uint32_t serviceClass) {
  if (record.type != kSequence || record.sizeIndex < 5) return 0;
  Bytes pairs = record.data;
  std::optional<Element> classes;
  std::optional<Element> protocols;
  while (!pairs.empty()) {
    Element id;
    Element value;
    if (!takeElement(&pairs, &id) || !takeElement(&pairs, &value)) return 0;
    if (id.type != kUnsigned || id.sizeIndex != 1) return 0;
    const std::uint32_t attribute = bigEndian(id.data);
    if (attribute == kSDPAttributeServiceClassIDList && !classes) classes = value;
    if (attribute == kSDPAttributeProtocolDescriptorList && !protocols) protocols = value;
  }
  if (!classes || !protocols || !listsServiceClass(*classes, serviceClass)) return 0;
  return channelOfDescriptorList(*protocols);
}

}  // namespace

std::uint8_t rfcommChannelOfProtocolDescriptorList(std::span<const std::uint8_t> value) {
  Element list;
  if (!takeElement(&value, &list)) return 0;
  return channelOfDescriptorList(list);
}

std::uint8_t rfcommChannelOfRecord(std::span<const std::uint8_t> record,
                                   std::uint32_t serviceClass) {
  Element element;
  if (!takeElement(&record, &element)) return 0;
  return channelOfRecordElement(element, serviceClass);
}

std::uint8_t rfcommChannelOfAttributeLists(std::span<const std::uint8_t> lists,
                                           std::uint32_t serviceClass) {
  Element outer;
  if (!takeElement(&lists, &outer) || outer.type != kSequence || outer.sizeIndex < 5) return 0;
  Bytes records = outer.data;
  Element record;
  while (takeElement(&records, &record)) {
    if (const std::uint8_t channel = channelOfRecordElement(record, serviceClass)) return channel;
  }
  return 0;
}

bool isSafeSearchAttributeResponse(std::span<const std::uint8_t> packet) {
  constexpr std::uint8_t kErrorResponse = 0x01;
  constexpr std::uint8_t kSearchAttributeResponse = 0x07;
  constexpr std::size_t kHeader = 5;  // PDU ID, transaction ID, parameter length
  constexpr std::size_t kMostContinuationState = 16;
  if (packet.size() < kHeader + 2) return false;
  if (bigEndian(packet.subspan(3, 2)) != packet.size() - kHeader) return false;
  if (packet[0] == kErrorResponse) return true;
  if (packet[0] != kSearchAttributeResponse) return false;
  const std::size_t count = bigEndian(packet.subspan(kHeader, 2));
  const std::size_t state = kHeader + 2 + count;
  if (state >= packet.size()) return false;
  return packet[state] <= kMostContinuationState && state + 1 + packet[state] == packet.size();
}

}  // namespace wendlock
