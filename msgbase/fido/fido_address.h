// FidoNet addresses (zone:net/node.point): the record, its text forms, the
// parser and the ordering.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

// Four unsigned 16-bit numbers (0-65535: nets and points above 32767 exist);
// 0:0/0.0 means "no address". A point of 0 means the address is not a point.
struct FidoAddress {
  std::uint16_t zone = 0;
  std::uint16_t net = 0;
  std::uint16_t node = 0;
  std::uint16_t point = 0;

  friend bool operator==(const FidoAddress&, const FidoAddress&) = default;
};

// The words of an address text split by the address grammar, still as text:
// each part is set only when the text's form gives it.
struct AddressWords {
  std::optional<std::string> zone;
  std::optional<std::string> net;
  std::optional<std::string> node;
  std::optional<std::string> point;
};

// Splits `text` by the address grammar shared by addresses and address
// patterns: a leading "/" and everything from the first "@" are dropped;
// "z:n/f.p" (any of ".", "/", ":" separating four words), "n/f.p", "f.p" and
// ".p" give the parts they name; "z:n" (a colon without a slash) gives none.
// Returns false for an empty text or a character `allowed` rejects.
bool SplitAddressWords(std::string_view text, bool (*allowed)(char), AddressWords& words);

// Parses an address text into `addr`. Accepted forms: "z:n/f.p", "z:n/f",
// "n/f[.p]", "f[.p]", ".p"; a leading "/" is dropped, and so is everything from
// the first "@" (a domain). Parts the text does not give keep their value in
// `addr`; "z:n" (a colon without a slash) is accepted and changes nothing.
// Numbers are taken modulo 65536. Returns false for an empty text and for any
// character other than digits, ".", "/" and ":"; `addr` is then unchanged.
bool ParseAddress(std::string_view text, FidoAddress& addr);

// "zone:net/node", followed by ".point" only when the point is not 0.
std::string FormatAddress(const FidoAddress& addr);
// Always "zone:net/node".
std::string FormatAddress3D(const FidoAddress& addr);
// Always "zone:net/node.point", ".0" included.
std::string FormatAddress4D(const FidoAddress& addr);

void ClearAddress(FidoAddress& addr);
bool IsZeroAddress(const FidoAddress& addr);

// Orders by zone, then net, node and point, each as an unsigned number.
// Returns -1, 0 or +1.
int CompareAddress(const FidoAddress& a, const FidoAddress& b);

}  // namespace kestrel
