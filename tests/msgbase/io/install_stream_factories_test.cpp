#include <gtest/gtest.h>

#include "msgbase/factory/message_base_factory.h"
#include "msgbase/io/stream_hooks.h"
#include "msgbase/message_base.h"
#include "tests/support/temp_dir.h"

namespace kestrel {
namespace {

TEST(InstallStreamFactories, FillsTheThreeHooks) {
  InstallStreamFactories();
  std::unique_ptr<BaseStream> text = NewMemStream(MemStreamHint);
  ASSERT_NE(text, nullptr);
  text->Write("abc", 3);
  EXPECT_EQ(text->GetSize(), 3);

  testing::TempDir dir;
  std::unique_ptr<BaseStream> file = NewFile(dir.Path("new.msg"), kFileCreate);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Status(), StOk);
  file.reset();
  EXPECT_TRUE(dir.Exists("new.msg"));

  std::unique_ptr<DirSearch> search = NewDirSearch();
  ASSERT_NE(search, nullptr);
  EXPECT_TRUE(search->FindFirst(dir.Path("*.msg"), 0x3F));
  EXPECT_EQ(search->Name(), "new.msg");
  search->FindClose();

  // Back to the state before installation, for other tests in this process.
  NewFile = nullptr;
  NewMemStream = nullptr;
  NewDirSearch = nullptr;
}

}  // namespace
}  // namespace kestrel
