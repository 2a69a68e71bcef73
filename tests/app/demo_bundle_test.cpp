// The demo bundle in examples/demo does what the README promises: the
// configurations run on the bundled netmail area and every rule acts.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/area_files.h"
#include "tests/support/kestrel_run.h"

namespace kestrel::testing {
namespace {

TEST(DemoBundleTest, MovesKillsAndCopiesIntoEveryFormat) {
  TempDir dir;
  std::filesystem::copy(std::string(KESTREL_SOURCE_DIR) + "/examples/demo", dir.path(),
                        std::filesystem::copy_options::recursive);
  ASSERT_EQ(ReadArea("M" + dir.Path("netmail")).size(), 12u);

  for (const char* config : {"kestrel.cfg", "archive.cfg", "archive.cfg"}) {
    const ProgramResult result = RunProgram({KestrelBinary(), config}, dir.path());
    ASSERT_EQ(result.exit_code, 0) << config << "\n" << result.output;
  }
  EXPECT_EQ(Subjects("M" + dir.Path("netmail")),
            (std::vector<std::string>{"%LIST", "Re: Hello from Moscow", "Holiday plans"}));
  EXPECT_EQ(
      Subjects("M" + dir.Path("personal")),
      (std::vector<std::string>{"Hello from Moscow", "URGENT: link down", "Mail delivery report"}));
  EXPECT_EQ(Subjects("S" + dir.Path("bills")), std::vector<std::string>{"Invoice for November"});
  EXPECT_EQ(Subjects("J" + dir.Path("point7")), std::vector<std::string>{"Your new point"});
  EXPECT_EQ(Subjects("J" + dir.Path("net5030")),
            (std::vector<std::string>{"Echo statistics", "Question"}));
  // Copied once, although the archive configuration ran twice.
  EXPECT_EQ(Subjects("J" + dir.Path("archive")), Subjects("M" + dir.Path("netmail")));
}

}  // namespace
}  // namespace kestrel::testing
