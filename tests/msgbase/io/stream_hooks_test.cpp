#include "msgbase/io/stream_hooks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace kestrel {
namespace {

// Puts every hook back as a fresh process has it.
class StreamHooksTest : public ::testing::Test {
 protected:
  void TearDown() override {
    NewFile = nullptr;
    NewMemStream = nullptr;
    NewDirSearch = nullptr;
    OnStreamInit = [](BaseStream&, std::uint32_t, const std::string&) {};
    OnStreamDone = [](BaseStream&) {};
  }
};

template <typename Call>
void ExpectAbstractCall(Call call) {
  try {
    call();
    ADD_FAILURE() << "the empty hook returned";
  } catch (const RunTimeError& error) {
    EXPECT_EQ(error.code(), kFailureAbstractCall);
    EXPECT_EQ(error.module(), "stream_hooks_test");  // reported where it was called
  }
}

TEST_F(StreamHooksTest, FactoriesRaiseFailure217UntilInstalled) {
  EXPECT_FALSE(NewFile.Installed());
  ExpectAbstractCall([] { NewFile("x", kFileCreate); });
  ExpectAbstractCall([] { NewMemStream(65536); });
  ExpectAbstractCall([] { NewDirSearch(); });
  EXPECT_THROW(DirExists("/"), RunTimeError);
}

TEST_F(StreamHooksTest, InstalledFactoriesMakeWorkingObjects) {
  NewFile = MakeFileStream;
  NewMemStream = MakeMemStream;
  NewDirSearch = MakeDirSearch;
  testing::TempDir dir;
  auto file = NewFile(dir.Path("a.bin"), kFileCreate);
  ASSERT_NE(file, nullptr);
  file->Write("abc", 3);
  EXPECT_EQ(file->GetSize(), 3);
  EXPECT_EQ(NewFile(dir.Path("a.bin"), 0x20), nullptr);

  auto memory = NewMemStream(65536);
  memory->Write("abc", 3);
  memory->Seek(0);
  file->Seek(0);
  memory->CopyFrom(*file, 3);
  EXPECT_EQ(memory->GetSize(), 3);

  auto search = NewDirSearch();
  EXPECT_TRUE(search->FindFirst(dir.Path("A.BIN"), kAttrAnyEntry));
  EXPECT_EQ(search->Name(), "a.bin");
}

TEST_F(StreamHooksTest, EveryStreamReportsItsBirthAndEnd) {
  std::vector<std::string> events;
  OnStreamInit = [&events](BaseStream&, std::uint32_t mode, const std::string& name) {
    events.push_back("init " + std::to_string(mode) + " " + name);
  };
  OnStreamDone = [&events](BaseStream& stream) { events.push_back("done " + stream.Name()); };
  testing::TempDir dir;
  {
    FileStream file(dir.Path("f"), kFileCreate);
    MemStream memory;
  }
  EXPECT_EQ(events, (std::vector<std::string>{"init 1 " + dir.Path("f"), "init 0 ", "done ",
                                              "done " + dir.Path("f")}));
}

}  // namespace
}  // namespace kestrel
