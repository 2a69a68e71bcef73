// FTS-0001 type-2 packets (with the type 2+ fields of the header): the form in
// which crashmail exports netmail, read with bounds checks so that a damaged
// packet gives an error, never a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::testing {

inline constexpr std::size_t kPacketHeaderSize = 58;
inline constexpr std::size_t kPackedMessageFixedSize = 14;
inline constexpr std::size_t kPacketDateTimeSize = 20;  // fixed field, text ends with a 0
inline constexpr std::size_t kPacketNameSize = 36;      // maximum, the terminating 0 included
inline constexpr std::size_t kPacketSubjectSize = 72;   // maximum, the terminating 0 included
inline constexpr std::size_t kPacketPasswordSize = 8;
inline constexpr std::uint16_t kPacketType2 = 2;

struct PacketHeader {
  std::uint16_t orig_node = 0;
  std::uint16_t dest_node = 0;
  std::uint16_t year = 0;
  std::uint16_t month = 0;  // 0 to 11
  std::uint16_t day = 0;
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
  std::uint16_t baud = 0;
  std::uint16_t packet_type = kPacketType2;
  std::uint16_t orig_net = 0;
  std::uint16_t dest_net = 0;
  std::uint8_t product_code_low = 0;
  std::uint8_t revision_major = 0;
  std::string password;  // at most 8 bytes, 0-padded on disk
  std::uint16_t qm_orig_zone = 0;
  std::uint16_t qm_dest_zone = 0;
  std::uint16_t aux_net = 0;
  std::uint16_t capability_valid = 0;  // the capability word byte-swapped
  std::uint8_t product_code_high = 0;
  std::uint8_t revision_minor = 0;
  std::uint16_t capability_word = 0;
  std::uint16_t orig_zone = 0;
  std::uint16_t dest_zone = 0;
  std::uint16_t orig_point = 0;
  std::uint16_t dest_point = 0;
  std::uint32_t product_data = 0;

  // "zone:net/node.point" of the packet's sender and addressee.
  std::string OrigAddress() const;
  std::string DestAddress() const;
};

struct PackedMessage {
  std::uint16_t orig_node = 0;
  std::uint16_t dest_node = 0;
  std::uint16_t orig_net = 0;
  std::uint16_t dest_net = 0;
  std::uint16_t attribute = 0;
  std::uint16_t cost = 0;
  std::string date_time;  // at most 19 characters
  std::string to_name;
  std::string from_name;
  std::string subject;
  std::string text;  // CR-ended lines, without the terminating 0
};

struct FidoPacket {
  PacketHeader header;
  std::vector<PackedMessage> messages;
};

struct PacketReadResult {
  bool ok = false;
  std::string error;  // what was wrong and at which offset, when not ok
  FidoPacket packet;  // everything read before the error
};

PacketReadResult ReadFidoPacket(std::string_view bytes);

// The packet as bytes, ended by the 0 message type. Strings longer than their
// field are cut so that the packet stays well formed.
std::string WriteFidoPacket(const FidoPacket& packet);

// An empty type-2+ packet from 2:5020/2 to 2:5020/1 (the address the peer
// tosser runs under in the tests), dated `year`.
FidoPacket PacketFromUplink(std::uint16_t year);

}  // namespace kestrel::testing
