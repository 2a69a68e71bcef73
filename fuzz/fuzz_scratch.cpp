#include "fuzz/fuzz_scratch.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

namespace kestrel::fuzz {
namespace {

namespace fs = std::filesystem;

void RemoveScratchDir();

std::string MakeScratchDir() {
  std::random_device random;
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path dir =
        base / ("kestrel-fuzz-" + std::to_string(random()) + std::to_string(random()));
    std::error_code error;
    if (fs::create_directory(dir, error)) {
      std::atexit(RemoveScratchDir);
      return dir.string();
    }
  }
  std::abort();  // no scratch space: nothing sensible can be fuzzed
}

void RemoveScratchDir() {
  std::error_code error;
  fs::remove_all(ScratchDir(), error);
}

}  // namespace

const std::string& ScratchDir() {
  // Never destroyed: the exit handler that removes the directory runs after
  // the destructors of function statics made later than its registration.
  static const std::string* const dir = new std::string(MakeScratchDir());
  return *dir;
}

std::string ScratchPath(std::string_view name) {
  return ScratchDir() + "/" + std::string(name);
}

void WriteScratchFile(std::string_view name, std::string_view bytes) {
  std::ofstream out(ScratchPath(name), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void ClearScratch() {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(ScratchDir(), error)) {
    std::error_code ignored;
    fs::remove_all(entry.path(), ignored);
  }
}

std::string_view InputPieces::Next() {
  if (size_ < 2) return Rest();
  std::size_t length = static_cast<unsigned char>(data_[0]) |
                       (static_cast<std::size_t>(static_cast<unsigned char>(data_[1])) << 8);
  data_ += 2;
  size_ -= 2;
  if (length > size_) length = size_;
  const std::string_view piece(data_, length);
  data_ += length;
  size_ -= length;
  return piece;
}

std::string_view InputPieces::Rest() {
  const std::string_view piece(data_, size_);
  data_ += size_;
  size_ = 0;
  return piece;
}

std::uint8_t InputPieces::Byte() {
  if (size_ == 0) return 0;
  const auto value = static_cast<std::uint8_t>(data_[0]);
  ++data_;
  --size_;
  return value;
}

std::string JoinPieces(const std::string* pieces, std::size_t count) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < count; ++i) {
    const std::size_t length = pieces[i].size() > 0xFFFF ? 0xFFFF : pieces[i].size();
    bytes += static_cast<char>(length & 0xFF);
    bytes += static_cast<char>(length >> 8);
    bytes.append(pieces[i], 0, length);
  }
  if (count > 0) bytes += pieces[count - 1];
  return bytes;
}

}  // namespace kestrel::fuzz
