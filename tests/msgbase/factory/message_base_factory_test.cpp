// Area identifiers and the factory: which object, which path, what BaseResult
// says, and who owns the object after a failure.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "msgbase/factory/message_base_factory.h"
#include "msgbase/plain_message_base.h"

namespace kestrel {
namespace {

TEST(ParseAreaId, TypeLetterAndPath) {
  struct Case {
    std::string id;
    AreaKind kind;
    std::string path;
  };
  const Case cases[] = {
      {"*c:\\mail\\", KindMsgDir, "c:\\mail\\"}, {"Mnetmail", KindMsgDir, "netmail"},
      {"f/fido/out ", KindMsgDir, "/fido/out "}, {"s", KindSquish, ""},
      {"S/fido/net", KindSquish, "/fido/net"},   {"j/fido/jam", KindJam, "/fido/jam"},
      {"x/fido", KindUnknown, "x/fido"},         {"\x01\xff", KindUnknown, "\x01\xff"},
  };
  for (const Case& c : cases) {
    AreaKind kind = KindJam;
    std::string path = "old";
    ParseAreaId(c.id, kind, path);
    EXPECT_EQ(kind, c.kind) << c.id;
    EXPECT_EQ(path, c.path) << c.id;
  }
  AreaKind kind = KindJam;
  std::string path = "old";
  ParseAreaId("", kind, path);
  EXPECT_EQ(kind, KindUnknown);
  EXPECT_EQ(path, "old");
}

// What the stand-in format does, and what the factory did with it.
struct Script {
  bool opens = false;
  bool exists = false;
  bool creates = false;
  std::int32_t error = 0;
  std::vector<std::string> calls;
  int disposed = 0;
};

class ScriptedBase : public PlainMessageBase {
 public:
  explicit ScriptedBase(Script& script) : script_(script) {}
  ~ScriptedBase() override { ++script_.disposed; }
  bool OpenMsgBase(const std::string& path) override { return Note("open " + path, script_.opens); }
  bool MsgBaseExists(const std::string& path) override {
    return Note("exists " + path, script_.exists);
  }
  bool CreateMsgBase(const std::string& path) override {
    return Note("create " + path, script_.creates);
  }
  void CloseMsgBase() override { Note("close", true); }

 private:
  bool Note(const std::string& call, bool result) {
    script_.calls.push_back(call);
    if (!result) SetLastError(script_.error);
    return result;
  }
  Script& script_;
};

class FactoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetBaseConstructorOverride([this](AreaKind kind) -> std::unique_ptr<MessageBase> {
      kinds.push_back(kind);
      if (kind == KindJam) return nullptr;  // a format this program lacks
      return std::make_unique<ScriptedBase>(script);
    });
  }
  void TearDown() override { SetBaseConstructorOverride(nullptr); }

  Script script;
  std::vector<AreaKind> kinds;
  std::unique_ptr<MessageBase> base;
};

TEST_F(FactoryTest, UnusableIdentifiersGiveNoObjectAnd256) {
  for (const std::string id : {"", "x/fido", "J/fido/jam"}) {
    BaseResult = 0;
    base = std::make_unique<PlainMessageBase>();
    EXPECT_FALSE(OpenBase(id, base)) << id;
    EXPECT_EQ(base, nullptr);
    EXPECT_EQ(BaseResult, BaseResultUnknownArea);
    EXPECT_FALSE(OpenOrCreateBase(id, base));
    EXPECT_EQ(BaseResult, BaseResultUnknownArea);
  }
  EXPECT_EQ(kinds, (std::vector<AreaKind>{KindJam, KindJam}));
}

TEST_F(FactoryTest, OpenBase) {
  script.opens = true;
  ASSERT_TRUE(OpenBase("M/fido/netmail", base));
  EXPECT_NE(base, nullptr);
  EXPECT_EQ(script.calls, std::vector<std::string>{"open /fido/netmail"});
  EXPECT_TRUE(CloseBase(base));
  EXPECT_EQ(base, nullptr);
  EXPECT_EQ(script.calls.back(), "close");
  EXPECT_EQ(script.disposed, 1);

  // A base that cannot be opened: the format's error, the object disposed.
  script.opens = false;
  script.error = 0x3001;
  EXPECT_FALSE(OpenBase("s/fido/net", base));
  EXPECT_EQ(base, nullptr);
  EXPECT_EQ(BaseResult, 0x3001);
  EXPECT_EQ(script.disposed, 2);
  EXPECT_EQ(kinds, (std::vector<AreaKind>{KindMsgDir, KindSquish}));
}

TEST_F(FactoryTest, OpenOrCreateBase) {
  script.creates = true;
  ASSERT_TRUE(OpenOrCreateBase("Snew", base));
  EXPECT_EQ(script.calls, (std::vector<std::string>{"open new", "exists new", "create new"}));
  EXPECT_TRUE(DisposeBase(base));
  EXPECT_EQ(script.calls.size(), 3u);  // disposed without closing

  // Exists but cannot be opened (locked): 257, the object stays for the caller.
  script.exists = true;
  EXPECT_FALSE(OpenOrCreateBase("Slocked", base));
  EXPECT_EQ(BaseResult, BaseResultCannotOpen);
  ASSERT_NE(base, nullptr);
  EXPECT_TRUE(CloseBase(base));
  EXPECT_EQ(script.calls.back(), "close");

  // Cannot be created: the format's error, the object stays.
  script.exists = false;
  script.creates = false;
  script.error = 0x1002;
  EXPECT_FALSE(OpenOrCreateBase("M/ro", base));
  EXPECT_EQ(BaseResult, 0x1002);
  EXPECT_NE(base, nullptr);
  EXPECT_TRUE(DisposeBase(base));
  EXPECT_EQ(script.disposed, 3);

  EXPECT_FALSE(CloseBase(base));
  EXPECT_FALSE(DisposeBase(base));
}

}  // namespace
}  // namespace kestrel
