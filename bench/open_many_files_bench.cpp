// Opening every message of a large *.MSG directory whose files are named in
// lower case, through upper-case paths, as the mover does after reading an
// upper-cased configuration.
//
//   open_many_files_bench [count [directory]]
//
// count defaults to 50000; the directory (created, and removed afterwards)
// defaults to a new one under $TMPDIR or /tmp. Prints the time per create and
// per open; the second figure should not grow with the count.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "msgbase/io/file_stream.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void Report(const char* what, int count, double seconds) {
  std::printf("%-44s %8d files %9.3f s %9.2f us per file\n", what, count, seconds,
              seconds * 1e6 / count);
}

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  const int count = argc > 1 ? std::atoi(argv[1]) : 50000;
  if (count <= 0) {
    std::fprintf(stderr, "usage: %s [count [directory]]\n", argv[0]);
    return 2;
  }
  fs::path directory;
  if (argc > 2) {
    directory = argv[2];
  } else {
    const char* base = std::getenv("TMPDIR");
    directory =
        fs::path(base != nullptr && *base != '\0' ? base : "/tmp") /
        ("kestrel-bench-" + std::to_string(Clock::now().time_since_epoch().count() % 1000000007));
  }
  fs::create_directories(directory);
  const std::string lower = directory.string() + "/";
  std::string upper = lower;
  // The directory itself is named as it is; only the file names change case.

  auto start = Clock::now();
  for (int i = 1; i <= count; ++i) {
    kestrel::FileStream file(lower + std::to_string(i) + ".msg", kestrel::kFileCreateNew);
    if (file.Status() != kestrel::StOk) {
      std::fprintf(stderr, "cannot create %d.msg\n", i);
      return 1;
    }
  }
  Report("create lower-case files (create-new)", count, SecondsSince(start));

  int failed = 0;
  start = Clock::now();
  for (int i = 1; i <= count; ++i) {
    kestrel::FileStream file(upper + std::to_string(i) + ".MSG", kestrel::kFileOpenRead);
    if (file.Status() != kestrel::StOk) ++failed;
  }
  Report("open through upper-case paths", count, SecondsSince(start));

  start = Clock::now();
  for (int i = 1; i <= count; ++i) {
    kestrel::FileStream file(lower + std::to_string(i) + ".msg", kestrel::kFileOpenRead);
    if (file.Status() != kestrel::StOk) ++failed;
  }
  Report("open through exact paths (for comparison)", count, SecondsSince(start));

  std::error_code ignored;
  if (argc <= 2) fs::remove_all(directory, ignored);
  if (failed != 0) {
    std::fprintf(stderr, "%d opens failed\n", failed);
    return 1;
  }
  return 0;
}
