// The subfield records that follow a JAM message header: walking them and
// appending to them, always inside the bytes that are really there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::jam {

// One subfield as this program uses it: the id (LoID) and at most
// kSubfieldDataLimit bytes of its data.
struct Subfield {
  std::uint16_t id = 0;
  std::string data;
};

// Calls visit(id, data) for each record, in order, until it returns false.
// Records are taken from `area` only while they lie wholly within the first
// `limit` bytes, where limit is the smallest of `valid` (the bytes really
// read or written), `subfield_len` (what the header claims) and the area
// size: a SubfieldLen or DatLen larger than the data ends the walk instead of
// reading past what is there (or into the next message's bytes). `data` is cut
// to kSubfieldDataLimit bytes.
void WalkSubfields(const std::uint8_t* area, std::size_t valid, std::uint32_t subfield_len,
                   const std::function<bool(std::uint16_t id, std::string_view data)>& visit);

// All records of the walk above, in order.
std::vector<Subfield> ReadSubfields(const std::uint8_t* area, std::size_t valid,
                                    std::uint32_t subfield_len);

// Appends a record (LoID id, HiID 0, data cut to kSubfieldDataLimit bytes) at
// offset `used` of an area of kSubfieldAreaSize bytes and advances `used`.
// A record that would not fit wholly is not written: false, nothing changes.
bool AppendSubfield(std::uint8_t* area, std::uint32_t& used, std::uint16_t id,
                    std::string_view data);

}  // namespace kestrel::jam
