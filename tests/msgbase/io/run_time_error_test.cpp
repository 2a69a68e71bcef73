#include "msgbase/io/run_time_error.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

TEST(RunTimeErrorTest, CarriesCodeAndSourceLocation) {
  try {
    RaiseRunTimeError(kFailureAbstractCall);
    FAIL() << "RaiseRunTimeError returned";
  } catch (const RunTimeError& error) {
    EXPECT_EQ(error.code(), 217);
    EXPECT_EQ(error.module(), "run_time_error_test");
    EXPECT_GT(error.line(), 0);
  }
}

}  // namespace
}  // namespace kestrel
