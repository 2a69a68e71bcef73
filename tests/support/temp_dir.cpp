#include "tests/support/temp_dir.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include <random>
#else
#include <unistd.h>
#endif

namespace kestrel::testing {

namespace fs = std::filesystem;

#ifdef _WIN32
// Windows has no mkdtemp: a random name is tried until one is new.
TempDir::TempDir() {
  std::random_device random;
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = base / ("kestrel-test-" + std::to_string(random()));
    std::error_code error;
    if (fs::create_directory(candidate, error)) {
      path_ = candidate.string();
      return;
    }
  }
  throw std::runtime_error("no temporary directory");
}
#else
TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string templ =
      std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/kestrel-test-XXXXXX";
  std::vector<char> buffer(templ.begin(), templ.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = buffer.data();
}
#endif

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string TempDir::Path(std::string_view relative) const {
  return path_ + "/" + std::string(relative);
}

void TempDir::WriteFile(std::string_view relative, std::string_view bytes) const {
  const std::string full = Path(relative);
  fs::create_directories(fs::path(full).parent_path());
  WriteWholeFile(full, bytes);
}

std::string TempDir::ReadFile(std::string_view relative) const {
  return ReadWholeFile(Path(relative));
}

bool TempDir::Exists(std::string_view relative) const {
  return fs::exists(Path(relative));
}

void TempDir::MakeDir(std::string_view relative) const {
  fs::create_directories(Path(relative));
}

std::vector<std::string> TempDir::List(std::string_view relative) const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(relative.empty() ? path_ : Path(relative))) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteWholeFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void PutLe16(std::string& bytes, std::size_t offset, std::uint16_t value) {
  if (bytes.size() < offset + 2) bytes.resize(offset + 2, '\0');
  bytes[offset] = static_cast<char>(value & 0xFF);
  bytes[offset + 1] = static_cast<char>(value >> 8);
}

void PutLe32(std::string& bytes, std::size_t offset, std::uint32_t value) {
  PutLe16(bytes, offset, static_cast<std::uint16_t>(value & 0xFFFF));
  PutLe16(bytes, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

std::uint16_t GetLe16(std::string_view bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes.at(offset)) |
                                    static_cast<unsigned char>(bytes.at(offset + 1)) << 8);
}

std::uint32_t GetLe32(std::string_view bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(GetLe16(bytes, offset)) |
         static_cast<std::uint32_t>(GetLe16(bytes, offset + 2)) << 16;
}

#ifdef _WIN32
// Windows has no memory file system to point at: the usual one serves.
ScratchInMemory::ScratchInMemory() {}
ScratchInMemory::~ScratchInMemory() {}
#else
ScratchInMemory::ScratchInMemory() {
  const char* old = std::getenv("TMPDIR");
  had_ = old != nullptr;
  if (had_) saved_ = old;
  if (::access("/dev/shm", W_OK) == 0) ::setenv("TMPDIR", "/dev/shm", 1);
}

ScratchInMemory::~ScratchInMemory() {
  if (had_) {
    ::setenv("TMPDIR", saved_.c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
}
#endif

}  // namespace kestrel::testing
