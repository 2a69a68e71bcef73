// A message format kept in memory, only for the tests of the shared
// operations: a set of message numbers, an open message whose text is a
// memory stream, two dates, and a destination address in its "header" that
// the format reports through its own GetDestAddr, as *.MSG does.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "msgbase/plain_message_base.h"

namespace kestrel::testing {

class MemoryFormat : public PlainMessageBase {
 public:
  // Installs a fresh text holding exactly `bytes`, positioned at 0.
  void SetText(std::string_view bytes);
  // The whole text; the position is kept.
  std::string TextBytes();

  bool MsgExists(std::int32_t num) override { return numbers.count(num) != 0; }
  std::int32_t GetHighMsgNum() override { return numbers.empty() ? 0 : *numbers.rbegin(); }
  void GetDateWritten(MsgDateTime& dt) override { dt = written; }
  void GetDateArrived(MsgDateTime& dt) override { dt = arrived; }
  void SetDateWritten(const MsgDateTime& dt) override { written = dt; }
  void SetDateArrived(const MsgDateTime& dt) override { arrived = dt; }
  // The header's destination, overridden by the kludges as the default does.
  void GetDestAddr(FidoAddress& addr) override;

  std::set<std::int32_t> numbers;
  MsgDateTime written{};
  MsgDateTime arrived{};
  FidoAddress header_dest{};
  bool use_header_dest = false;
};

}  // namespace kestrel::testing
