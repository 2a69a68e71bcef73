// Scratch space of one fuzzing process: a directory of its own under the
// system's temporary directory, made on first use and removed with
// everything in it when the process ends. Each input writes its files there,
// runs, and removes them again, so no run sees what an earlier one left.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel::fuzz {

// The directory (absolute, no trailing separator).
const std::string& ScratchDir();

// ScratchDir() + "/" + name.
std::string ScratchPath(std::string_view name);

// Writes the file with exactly these bytes (replacing it).
void WriteScratchFile(std::string_view name, std::string_view bytes);

// Removes every entry of the scratch directory (not the directory itself).
void ClearScratch();

// Cuts the fuzzer's input into pieces: each piece but the last is preceded by
// a 16-bit little-endian length (cut to what is left); the last piece is the
// rest. So every input is some set of pieces, and a length mutation moves
// bytes from one piece to the next.
class InputPieces {
 public:
  InputPieces(const std::uint8_t* data, std::size_t size)
      : data_(reinterpret_cast<const char*>(data)), size_(size) {}

  std::string_view Next();
  std::string_view Rest();
  // One byte of the input as a choice value (0 when the input is used up).
  std::uint8_t Byte();

 private:
  const char* data_;
  std::size_t size_;
};

// Builds the bytes that InputPieces cuts back into these pieces (the seed
// generator uses it).
std::string JoinPieces(const std::string* pieces, std::size_t count);

}  // namespace kestrel::fuzz
