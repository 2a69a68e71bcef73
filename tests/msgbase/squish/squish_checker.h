// A structure check of a Squish base, for tests: reads the .SQD and .SQI
// bytes on its own (it shares no code with the format) and lists every way
// in which they are not a sound base.
//
// Checked: the base header's chain ends and end of data; both frame chains
// walked forwards and backwards (frame ids, frame types 0 and 1, links that
// point back, no loops, no frame in both chains, lengths that fit their
// frames, the closing zero bytes of the control information and of the
// text); every index record pointing at a message frame whose header holds
// the same unique id, unique ids rising and below the next unique id, the
// hash of the recipient name; the counts of the index, the message chain
// and the base header agreeing; and the frames lying end to end from the
// base header to the end of data, none outside a chain.
//
// Tests that leave a base in the state of an interrupted run can relax the
// last two checks (a frame may then be in no chain, the header's counts may
// lag), keeping everything that makes a base readable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::testing {

struct SquishCheckOptions {
  // The frames must lie end to end and each be in a chain.
  bool frames_end_to_end = true;
  // The base header's message count must equal the index's.
  bool header_counts = true;
};

struct SquishCheckReport {
  std::vector<std::string> problems;
  // Frame offsets of the message chain, from first to last.
  std::vector<std::uint32_t> message_frames;
  // Frame offsets of the free chain, from first to last.
  std::vector<std::uint32_t> free_frames;
  // Unique ids of the index records, in file order.
  std::vector<std::uint32_t> unique_ids;

  bool ok() const { return problems.empty(); }
  // All problems, one per line (for test failure messages).
  std::string Describe() const;
};

SquishCheckReport CheckSquishBytes(std::string_view sqd, std::string_view sqi,
                                   const SquishCheckOptions& options = {});

// Reads `base` + ".sqd" and `base` + ".sqi" and checks them. The file names
// are matched without regard to ASCII case, as the format opens them.
SquishCheckReport CheckSquishBase(const std::string& base, const SquishCheckOptions& options = {});

// The path of the existing file whose last component equals that of `path`
// ignoring ASCII case (the exact spelling first); "" when there is none.
std::string FindAnyCase(const std::string& path);
// The bytes of that file; "" when there is none.
std::string ReadAnyCase(const std::string& path);

// The recipient-name hash of the index, computed independently.
std::uint32_t ReferenceSquishHash(std::string_view name);

}  // namespace kestrel::testing
