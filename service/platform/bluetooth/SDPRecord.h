// Reading what an SDP server answers: the data elements of service records,
// as far as finding a service's RFCOMM channel needs, and a check of a
// response packet before libbluetooth's sdp_process sees it. The bytes come
// from a device in radio range, so nothing here trusts a length or a type.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace wendlock {

// Attribute IDs and UUIDs in their 16-bit short form.
inline constexpr std::uint16_t kSDPAttributeServiceClassIDList = 0x0001;
inline constexpr std::uint16_t kSDPAttributeProtocolDescriptorList = 0x0004;
inline constexpr std::uint32_t kSDPServiceClassObjectPush = 0x1105;
inline constexpr std::uint32_t kSDPProtocolL2CAP = 0x0100;
inline constexpr std::uint32_t kSDPProtocolRFCOMM = 0x0003;

// The channels a server can listen on.
inline constexpr std::uint8_t kRFCOMMChannelFirst = 1;
inline constexpr std::uint8_t kRFCOMMChannelLast = 30;

// The RFCOMM channel in a ProtocolDescriptorList, given as the attribute's
// value element: L2CAP first, RFCOMM next with its channel as a uint8 from
// 1 to 30. With alternatives (a DEA of lists) the first that has one wins.
// 0 when there is none or the bytes are malformed.
//   {35 0C 35 03 19 01 00 35 05 19 00 03 08 0C} -> 12
[[nodiscard]] std::uint8_t rfcommChannelOfProtocolDescriptorList(
    std::span<const std::uint8_t> value);

// The RFCOMM channel of one service record (a sequence of attribute ID and
// value pairs) whose ServiceClassIDList names `serviceClass`; 0 otherwise.
//   rfcommChannelOfRecord(bytes, kSDPServiceClassObjectPush)
[[nodiscard]] std::uint8_t rfcommChannelOfRecord(std::span<const std::uint8_t> record,
                                                 std::uint32_t serviceClass);

// The RFCOMM channel of the first record for `serviceClass` in the
// AttributeLists of a ServiceSearchAttribute response (a sequence of
// records); 0 when no record has one.
//   rfcommChannelOfAttributeLists(lists, kSDPServiceClassObjectPush)
[[nodiscard]] std::uint8_t rfcommChannelOfAttributeLists(std::span<const std::uint8_t> lists,
                                                         std::uint32_t serviceClass);

// True when `packet` (one whole SDP PDU as received) is an error response
// or a ServiceSearchAttribute response whose counts agree with its size, so
// that sdp_process reads nothing outside it. Any other PDU is refused:
// sdp_process takes the counts of a ServiceSearch response on trust and
// reads far beyond its buffer.
//   isSafeSearchAttributeResponse({07 00 01 00 05 00 02 35 00 00}) == true
[[nodiscard]] bool isSafeSearchAttributeResponse(std::span<const std::uint8_t> packet);

}  // namespace wendlock
