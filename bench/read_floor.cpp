// The least I/O a reader of an area must do, as a program of its own, so that
// bench/run_benchmarks.sh can set Kestrel's time beside it in the same run:
//
//   read_floor --read LIST [--unlink LIST] [--copy LIST DIR] [--write BYTES FILE]
//
// LIST files hold NUL-separated path names, each spelled exactly as it is on
// disk (no case look-up).
//   --read LIST        opens every file, reads it from start to end in reads
//                      of 64 KB (the read size of Kestrel's read-ahead window
//                      and index loads) and closes it: for a *.MSG area one
//                      open+read+close per message file; for a Squish or JAM
//                      base one sequential read of the index, the headers and
//                      the texts.
//   --copy LIST DIR    writes each listed file as a new file of the same name
//                      in DIR (what a *.MSG move must write), then removes the
//                      original;
//   --unlink LIST      removes each listed file (what a *.MSG kill must do);
//   --write BYTES FILE writes BYTES bytes to a new FILE in 64 KB writes (what
//                      a Squish or JAM move must write at least).
// Nothing is synced: the cost of durability is measured on its own
// (bench/durability_cost.sh). Prints nothing; exit 1 when a file fails.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kChunk = 65536;

std::vector<std::string> ReadList(const char* list_file) {
  std::ifstream in(list_file, std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start < all.size()) {
    std::size_t end = all.find('\0', start);
    if (end == std::string::npos) end = all.size();
    if (end > start) names.push_back(all.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

bool Fail(const std::string& what, const std::string& name) {
  std::fprintf(stderr, "read_floor: cannot %s %s: %s\n", what.c_str(), name.c_str(),
               std::strerror(errno));
  return false;
}

// Reads the whole file; `into` receives every byte when not null.
bool ReadWhole(const std::string& name, std::vector<char>& buffer, std::string* into) {
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Fail("open", name);
  for (;;) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0) {
      ::close(fd);
      return Fail("read", name);
    }
    if (into != nullptr) into->append(buffer.data(), static_cast<std::size_t>(n));
    if (static_cast<std::size_t>(n) < buffer.size()) break;
  }
  ::close(fd);
  return true;
}

bool WriteAll(int fd, const char* bytes, std::size_t count, const std::string& name) {
  while (count > 0) {
    const ssize_t n = ::write(fd, bytes, count < kChunk ? count : kChunk);
    if (n <= 0) return Fail("write", name);
    bytes += n;
    count -= static_cast<std::size_t>(n);
  }
  return true;
}

bool CopyOut(const std::string& name, const std::string& directory, std::vector<char>& buffer) {
  std::string bytes;
  if (!ReadWhole(name, buffer, &bytes)) return false;
  const std::string target = directory + "/" + name.substr(name.rfind('/') + 1);
  const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return Fail("create", target);
  const bool written = WriteAll(fd, bytes.data(), bytes.size(), target);
  ::close(fd);
  if (!written) return false;
  return ::unlink(name.c_str()) == 0 || Fail("remove", name);
}

bool WriteBytes(long long count, const std::string& name) {
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return Fail("create", name);
  const std::vector<char> zeros(kChunk);
  bool ok = true;
  while (ok && count > 0) {
    const std::size_t n = count < static_cast<long long>(kChunk) ? count : kChunk;
    ok = WriteAll(fd, zeros.data(), n, name);
    count -= static_cast<long long>(n);
  }
  ::close(fd);
  return ok;
}

int Usage() {
  std::fprintf(stderr,
               "usage: read_floor --read LIST [--unlink LIST] [--copy LIST DIR] "
               "[--write BYTES FILE]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<char> buffer(kChunk);
  bool ok = true;
  for (int i = 1; ok && i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--read" && i + 1 < argc) {
      for (const std::string& name : ReadList(argv[++i]))
        ok = ok && ReadWhole(name, buffer, nullptr);
    } else if (option == "--unlink" && i + 1 < argc) {
      for (const std::string& name : ReadList(argv[++i]))
        ok = ok && (::unlink(name.c_str()) == 0 || Fail("remove", name));
    } else if (option == "--copy" && i + 2 < argc) {
      const std::vector<std::string> names = ReadList(argv[i + 1]);
      const std::string directory = argv[i + 2];
      i += 2;
      for (const std::string& name : names)
        ok = ok && CopyOut(name, directory, buffer);
    } else if (option == "--write" && i + 2 < argc) {
      ok = WriteBytes(std::atoll(argv[i + 1]), argv[i + 2]);
      i += 2;
    } else {
      return Usage();
    }
  }
  return ok ? 0 : 1;
}
