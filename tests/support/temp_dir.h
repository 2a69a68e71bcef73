// A scratch directory for one test, removed with everything in it when the
// object goes away.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Absolute path of the directory, without a trailing separator.
  const std::string& path() const { return path_; }
  // path() + "/" + relative.
  std::string Path(std::string_view relative) const;

  // Writes a file (creating parent directories) with exactly these bytes.
  void WriteFile(std::string_view relative, std::string_view bytes) const;
  // The whole content of a file; empty when it cannot be read.
  std::string ReadFile(std::string_view relative) const;
  bool Exists(std::string_view relative) const;
  void MakeDir(std::string_view relative) const;
  // Names directly inside a directory of the temp dir, sorted.
  std::vector<std::string> List(std::string_view relative = "") const;

 private:
  std::string path_;
};

// While it lives, new TempDirs go to a memory file system (/dev/shm) when
// there is one, where a sync costs nothing: for tests that run Kestrel many
// times and look at what a kill or a modelled power cut leaves, not at what
// reaches a disk.
class ScratchInMemory {
 public:
  ScratchInMemory();
  ~ScratchInMemory();
  ScratchInMemory(const ScratchInMemory&) = delete;
  ScratchInMemory& operator=(const ScratchInMemory&) = delete;

 private:
  std::string saved_;
  bool had_ = false;
};

// Reads and writes whole files by absolute path.
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, std::string_view bytes);

// Little-endian helpers for building and checking binary records in tests.
void PutLe16(std::string& bytes, std::size_t offset, std::uint16_t value);
void PutLe32(std::string& bytes, std::size_t offset, std::uint32_t value);
std::uint16_t GetLe16(std::string_view bytes, std::size_t offset);
std::uint32_t GetLe32(std::string_view bytes, std::size_t offset);

}  // namespace kestrel::testing
