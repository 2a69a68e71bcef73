#include "tests/support/fido_packet.h"

#include <algorithm>
#include <optional>

#include "tests/support/temp_dir.h"

namespace kestrel::testing {

namespace {

// Packet header offsets.
constexpr std::size_t kHdrOrigNode = 0;
constexpr std::size_t kHdrDestNode = 2;
constexpr std::size_t kHdrYear = 4;
constexpr std::size_t kHdrMonth = 6;
constexpr std::size_t kHdrDay = 8;
constexpr std::size_t kHdrHour = 10;
constexpr std::size_t kHdrMinute = 12;
constexpr std::size_t kHdrSecond = 14;
constexpr std::size_t kHdrBaud = 16;
constexpr std::size_t kHdrPacketType = 18;
constexpr std::size_t kHdrOrigNet = 20;
constexpr std::size_t kHdrDestNet = 22;
constexpr std::size_t kHdrProductCodeLow = 24;
constexpr std::size_t kHdrRevisionMajor = 25;
constexpr std::size_t kHdrPassword = 26;
constexpr std::size_t kHdrQmOrigZone = 34;
constexpr std::size_t kHdrQmDestZone = 36;
constexpr std::size_t kHdrAuxNet = 38;
constexpr std::size_t kHdrCapabilityValid = 40;
constexpr std::size_t kHdrProductCodeHigh = 42;
constexpr std::size_t kHdrRevisionMinor = 43;
constexpr std::size_t kHdrCapabilityWord = 44;
constexpr std::size_t kHdrOrigZone = 46;
constexpr std::size_t kHdrDestZone = 48;
constexpr std::size_t kHdrOrigPoint = 50;
constexpr std::size_t kHdrDestPoint = 52;
constexpr std::size_t kHdrProductData = 54;

// Packed message offsets (from the message type word).
constexpr std::size_t kMsgType = 0;
constexpr std::size_t kMsgOrigNode = 2;
constexpr std::size_t kMsgDestNode = 4;
constexpr std::size_t kMsgOrigNet = 6;
constexpr std::size_t kMsgDestNet = 8;
constexpr std::size_t kMsgAttribute = 10;
constexpr std::size_t kMsgCost = 12;

std::uint8_t GetByte(std::string_view bytes, std::size_t offset) {
  return static_cast<std::uint8_t>(bytes.at(offset));
}

// Reads a 0-terminated string that, terminator included, takes at most
// `limit` bytes from `offset`; nullopt when no 0 is found in reach.
std::optional<std::string> GetZString(std::string_view bytes, std::size_t& offset,
                                      std::size_t limit) {
  const std::size_t reach = std::min(limit, bytes.size() - std::min(offset, bytes.size()));
  const std::string_view window = bytes.substr(std::min(offset, bytes.size()), reach);
  const std::size_t zero = window.find('\0');
  if (zero == std::string_view::npos) return std::nullopt;
  offset += zero + 1;
  return std::string(window.substr(0, zero));
}

std::string Address(std::uint16_t zone, std::uint16_t net, std::uint16_t node,
                    std::uint16_t point) {
  return std::to_string(zone) + ":" + std::to_string(net) + "/" + std::to_string(node) + "." +
         std::to_string(point);
}

PacketHeader DecodeHeader(std::string_view b) {
  PacketHeader h;
  h.orig_node = GetLe16(b, kHdrOrigNode);
  h.dest_node = GetLe16(b, kHdrDestNode);
  h.year = GetLe16(b, kHdrYear);
  h.month = GetLe16(b, kHdrMonth);
  h.day = GetLe16(b, kHdrDay);
  h.hour = GetLe16(b, kHdrHour);
  h.minute = GetLe16(b, kHdrMinute);
  h.second = GetLe16(b, kHdrSecond);
  h.baud = GetLe16(b, kHdrBaud);
  h.packet_type = GetLe16(b, kHdrPacketType);
  h.orig_net = GetLe16(b, kHdrOrigNet);
  h.dest_net = GetLe16(b, kHdrDestNet);
  h.product_code_low = GetByte(b, kHdrProductCodeLow);
  h.revision_major = GetByte(b, kHdrRevisionMajor);
  const std::string_view password = b.substr(kHdrPassword, kPacketPasswordSize);
  h.password = std::string(password.substr(0, password.find('\0')));
  h.qm_orig_zone = GetLe16(b, kHdrQmOrigZone);
  h.qm_dest_zone = GetLe16(b, kHdrQmDestZone);
  h.aux_net = GetLe16(b, kHdrAuxNet);
  h.capability_valid = GetLe16(b, kHdrCapabilityValid);
  h.product_code_high = GetByte(b, kHdrProductCodeHigh);
  h.revision_minor = GetByte(b, kHdrRevisionMinor);
  h.capability_word = GetLe16(b, kHdrCapabilityWord);
  h.orig_zone = GetLe16(b, kHdrOrigZone);
  h.dest_zone = GetLe16(b, kHdrDestZone);
  h.orig_point = GetLe16(b, kHdrOrigPoint);
  h.dest_point = GetLe16(b, kHdrDestPoint);
  h.product_data = GetLe32(b, kHdrProductData);
  return h;
}

std::string EncodeHeader(const PacketHeader& h) {
  std::string b(kPacketHeaderSize, '\0');
  PutLe16(b, kHdrOrigNode, h.orig_node);
  PutLe16(b, kHdrDestNode, h.dest_node);
  PutLe16(b, kHdrYear, h.year);
  PutLe16(b, kHdrMonth, h.month);
  PutLe16(b, kHdrDay, h.day);
  PutLe16(b, kHdrHour, h.hour);
  PutLe16(b, kHdrMinute, h.minute);
  PutLe16(b, kHdrSecond, h.second);
  PutLe16(b, kHdrBaud, h.baud);
  PutLe16(b, kHdrPacketType, h.packet_type);
  PutLe16(b, kHdrOrigNet, h.orig_net);
  PutLe16(b, kHdrDestNet, h.dest_net);
  b[kHdrProductCodeLow] = static_cast<char>(h.product_code_low);
  b[kHdrRevisionMajor] = static_cast<char>(h.revision_major);
  b.replace(kHdrPassword, std::min(h.password.size(), kPacketPasswordSize), h.password, 0,
            kPacketPasswordSize);
  PutLe16(b, kHdrQmOrigZone, h.qm_orig_zone);
  PutLe16(b, kHdrQmDestZone, h.qm_dest_zone);
  PutLe16(b, kHdrAuxNet, h.aux_net);
  PutLe16(b, kHdrCapabilityValid, h.capability_valid);
  b[kHdrProductCodeHigh] = static_cast<char>(h.product_code_high);
  b[kHdrRevisionMinor] = static_cast<char>(h.revision_minor);
  PutLe16(b, kHdrCapabilityWord, h.capability_word);
  PutLe16(b, kHdrOrigZone, h.orig_zone);
  PutLe16(b, kHdrDestZone, h.dest_zone);
  PutLe16(b, kHdrOrigPoint, h.orig_point);
  PutLe16(b, kHdrDestPoint, h.dest_point);
  PutLe32(b, kHdrProductData, h.product_data);
  return b;
}

void AppendZString(std::string& out, std::string_view value, std::size_t field_size) {
  const std::string_view cut = value.substr(0, std::min(value.find('\0'), field_size - 1));
  out.append(cut);
  out.push_back('\0');
}

PacketReadResult Fail(PacketReadResult result, const std::string& what, std::size_t offset) {
  result.ok = false;
  result.error = what + " at offset " + std::to_string(offset);
  return result;
}

}  // namespace

std::string PacketHeader::OrigAddress() const {
  return Address(orig_zone != 0 ? orig_zone : qm_orig_zone, orig_net, orig_node, orig_point);
}

std::string PacketHeader::DestAddress() const {
  return Address(dest_zone != 0 ? dest_zone : qm_dest_zone, dest_net, dest_node, dest_point);
}

PacketReadResult ReadFidoPacket(std::string_view bytes) {
  PacketReadResult result;
  if (bytes.size() < kPacketHeaderSize) {
    return Fail(std::move(result), "packet shorter than its 58-byte header", bytes.size());
  }
  result.packet.header = DecodeHeader(bytes);
  if (result.packet.header.packet_type != kPacketType2) {
    const std::string what =
        "packet type " + std::to_string(result.packet.header.packet_type) + ", not 2";
    return Fail(std::move(result), what, kHdrPacketType);
  }
  std::size_t offset = kPacketHeaderSize;
  while (true) {
    if (bytes.size() - offset < 2) {
      return Fail(std::move(result), "packet ends without the closing 0 message type", offset);
    }
    const std::uint16_t type = GetLe16(bytes, offset + kMsgType);
    if (type == 0) break;
    if (type != kPacketType2) {
      return Fail(std::move(result), "message type " + std::to_string(type) + ", not 2", offset);
    }
    if (bytes.size() - offset < kPackedMessageFixedSize + kPacketDateTimeSize) {
      return Fail(std::move(result), "message header cut short", offset);
    }
    PackedMessage message;
    message.orig_node = GetLe16(bytes, offset + kMsgOrigNode);
    message.dest_node = GetLe16(bytes, offset + kMsgDestNode);
    message.orig_net = GetLe16(bytes, offset + kMsgOrigNet);
    message.dest_net = GetLe16(bytes, offset + kMsgDestNet);
    message.attribute = GetLe16(bytes, offset + kMsgAttribute);
    message.cost = GetLe16(bytes, offset + kMsgCost);
    const std::string_view date =
        bytes.substr(offset + kPackedMessageFixedSize, kPacketDateTimeSize);
    message.date_time = std::string(date.substr(0, date.find('\0')));
    offset += kPackedMessageFixedSize + kPacketDateTimeSize;

    const std::optional<std::string> to = GetZString(bytes, offset, kPacketNameSize);
    if (!to) return Fail(std::move(result), "recipient name without a 0 within 36 bytes", offset);
    const std::optional<std::string> from = GetZString(bytes, offset, kPacketNameSize);
    if (!from) return Fail(std::move(result), "sender name without a 0 within 36 bytes", offset);
    const std::optional<std::string> subject = GetZString(bytes, offset, kPacketSubjectSize);
    if (!subject) return Fail(std::move(result), "subject without a 0 within 72 bytes", offset);
    const std::optional<std::string> text = GetZString(bytes, offset, bytes.size());
    if (!text) return Fail(std::move(result), "message text without its closing 0", offset);
    message.to_name = *to;
    message.from_name = *from;
    message.subject = *subject;
    message.text = *text;
    result.packet.messages.push_back(std::move(message));
  }
  result.ok = true;
  return result;
}

std::string WriteFidoPacket(const FidoPacket& packet) {
  std::string out = EncodeHeader(packet.header);
  for (const PackedMessage& message : packet.messages) {
    std::string fixed(kPackedMessageFixedSize, '\0');
    PutLe16(fixed, kMsgType, kPacketType2);
    PutLe16(fixed, kMsgOrigNode, message.orig_node);
    PutLe16(fixed, kMsgDestNode, message.dest_node);
    PutLe16(fixed, kMsgOrigNet, message.orig_net);
    PutLe16(fixed, kMsgDestNet, message.dest_net);
    PutLe16(fixed, kMsgAttribute, message.attribute);
    PutLe16(fixed, kMsgCost, message.cost);
    out += fixed;
    std::string date(kPacketDateTimeSize, '\0');
    const std::string_view date_text = std::string_view(message.date_time).substr(0, 19);
    date.replace(0, date_text.size(), date_text);
    out += date;
    AppendZString(out, message.to_name, kPacketNameSize);
    AppendZString(out, message.from_name, kPacketNameSize);
    AppendZString(out, message.subject, kPacketSubjectSize);
    AppendZString(out, message.text, message.text.size() + 1);
  }
  out.append(2, '\0');
  return out;
}

FidoPacket PacketFromUplink(std::uint16_t year) {
  FidoPacket packet;
  packet.header.orig_zone = packet.header.qm_orig_zone = 2;
  packet.header.orig_net = 5020;
  packet.header.orig_node = 2;
  packet.header.dest_zone = packet.header.qm_dest_zone = 2;
  packet.header.dest_net = 5020;
  packet.header.dest_node = 1;
  packet.header.year = year;
  packet.header.capability_word = 1;
  packet.header.capability_valid = 0x0100;
  return packet;
}

}  // namespace kestrel::testing
