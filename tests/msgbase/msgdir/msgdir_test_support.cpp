#include "tests/msgbase/msgdir/msgdir_test_support.h"

#include <algorithm>

namespace kestrel::testing {
namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

}  // namespace

std::unique_ptr<MsgDirBase> MsgDirAreaTest::OpenArea() {
  auto base = std::make_unique<MsgDirBase>();
  EXPECT_TRUE(base->OpenMsgBase(Area()));
  return base;
}

std::optional<std::string> MsgDirAreaTest::FindFile(const std::string& name) const {
  for (const std::string& entry : dir_.List("area")) {
    if (Lower(entry) == Lower(name)) return entry;
  }
  return std::nullopt;
}

std::string MsgDirAreaTest::ReadMessage(std::int32_t n) const {
  const std::optional<std::string> name = FindFile(std::to_string(n) + ".msg");
  return name ? dir_.ReadFile("area/" + *name) : std::string();
}

void MsgDirAreaTest::WriteMessage(std::int32_t n, const std::string& bytes) const {
  const std::optional<std::string> name = FindFile(std::to_string(n) + ".msg");
  dir_.WriteFile("area/" + name.value_or(std::to_string(n) + ".MSG"), bytes);
}

std::string TextOf(MessageBase& base) {
  BaseStream* text = base.GetTextStream();
  if (text == nullptr) return "";
  std::string bytes(static_cast<std::size_t>(text->GetSize()), '\0');
  text->Seek(0);
  for (std::size_t at = 0; at < bytes.size();) {
    const auto piece = static_cast<std::uint16_t>(std::min<std::size_t>(bytes.size() - at, 60000));
    text->Read(bytes.data() + at, piece);
    at += piece;
  }
  return bytes;
}

}  // namespace kestrel::testing
