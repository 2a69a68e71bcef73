// A scratch *.MSG area for the tests: files are written and read by number,
// found without regard to the case of their names.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "msgbase/factory/message_base_factory.h"
#include "msgbase/msgdir/msgdir_base.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {

class MsgDirAreaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallStreamFactories();
    dir_.MakeDir("area");
  }

  std::string Area() const { return dir_.Path("area"); }
  // The base opened on the area; the test fails when it does not open.
  std::unique_ptr<MsgDirBase> OpenArea();
  // The name of a file in the area matching `name` in any case, if any.
  std::optional<std::string> FindFile(const std::string& name) const;
  bool HasMessage(std::int32_t n) const { return FindFile(std::to_string(n) + ".msg").has_value(); }
  // The bytes of message n's file ("" when there is none).
  std::string ReadMessage(std::int32_t n) const;
  void WriteMessage(std::int32_t n, const std::string& bytes) const;

  TempDir dir_;
};

// The whole text stream of the open message.
std::string TextOf(MessageBase& base);

}  // namespace kestrel::testing
