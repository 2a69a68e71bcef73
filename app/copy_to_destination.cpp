#include "app/copy_to_destination.h"

#include <cstdint>
#include <memory>

#include "app/version.h"
#include "msgbase/factory/message_base_factory.h"
#include "msgbase/fido/string_functions.h"
#include "msgbase/io/peer_lock.h"

namespace kestrel {
namespace {

// Attribute bits 0 to 14 (private to update request) are copied; bit 15
// (scanned) describes the source area's processing and is not.
constexpr std::uint32_t kFirstCopiedAttribute = AttrPrivate;
constexpr std::uint32_t kLastCopiedAttribute = AttrUpdateRequest;

void CopyAttributes(MessageBase& source, MessageBase& copy, bool mark_unsent) {
  for (std::uint32_t mask = kFirstCopiedAttribute; mask <= kLastCopiedAttribute; mask <<= 1) {
    copy.SetAttr(mask, source.GetAttr(mask));
  }
  if (mark_unsent) copy.SetAttr(AttrSent, false);
}

// Gives the copy a text of the source's MSGID line alone (none when the
// source has none), for the address setters below.
void CopyMsgIdLine(MessageBase& source, MessageBase& copy) {
  BaseStream* to = copy.GetTextStream();
  if (to == nullptr) return;
  std::string line;
  const bool found = source.GetTextStream() != nullptr && source.GetKludge(kKludgeMsgId, line);
  to->Seek(0);
  to->Truncate();
  if (found) copy.PutTextLine(line);
}

// Replaces whatever the copy's text holds (the address setters write kludge
// lines into it) by the source text, byte for byte. The source's text is
// handed over, not copied: a large message is held in memory once. The
// source keeps its header; it has no text afterwards.
void MoveText(MessageBase& source, MessageBase& copy) {
  if (copy.GetTextStream() == nullptr) return;
  std::unique_ptr<BaseStream> text = source.TakeTextStream();
  if (text == nullptr) {
    copy.GetTextStream()->Seek(0);
    copy.GetTextStream()->Truncate();
    return;
  }
  text->Seek(text->GetSize());
  copy.SetTextStream(std::move(text));
}

}  // namespace

std::string LockedAreaError(const std::string& area) {
  return "messagebase locked by another program - " + area;
}

FatalOutcome CopyToDestination(MessageBase& source, const std::string& destination,
                               CurrentHeader& header, bool mark_unsent, LogFile& log) {
  std::unique_ptr<MessageBase> copy_base;
  if (!OpenOrCreateBase(destination, copy_base)) {
    if (copy_base != nullptr && IsPeerLockRefusal(copy_base->GetLastError())) {
      CloseBase(copy_base);
      return FatalError(LockedAreaError(destination));
    }
    return FatalError("unable to open destination messagebase - " + destination);
  }
  MessageBase& copy = *copy_base;
  copy.SetMailType(kMailTypeNetmail);
  if (!copy.CreateMsg()) {
    return FatalError("Cannot create message: " + IntToStr(copy.GetLastError()));
  }

  // The copy holds the source's MSGID line while its addresses are set: the
  // setter then keeps its serial, instead of making a new one (which waits
  // for the clock to reach the next hundredth of a second) only for the
  // text below to replace it.
  CopyMsgIdLine(source, copy);
  source.GetOrigDestAddr(header.msgOrig, header.msgDest);
  copy.SetOrigDestAddr(header.msgOrig, header.msgDest, false);
  copy.SetFrom(header.msgFrom);
  copy.SetTo(header.msgTo);
  copy.SetSubj(header.msgSubj);

  MsgDateTime date;
  source.GetDateWritten(date);
  copy.SetDateWritten(date);
  source.GetDateArrived(date);
  copy.SetDateArrived(date);

  CopyAttributes(source, copy, mark_unsent);
  MoveText(source, copy);

  if (!copy.WriteMsg()) {
    if (IsPeerLockRefusal(copy.GetLastError())) return FatalError(LockedAreaError(destination));
    return FatalError("Cannot write message. Wadda fuck?!");
  }
  copy.CloseMsg();
  log.LogQuiet(kCopyMark, kLogTag, "Copy message to destination messagebase - " + destination);
  CloseBase(copy_base);
  return std::nullopt;
}

}  // namespace kestrel
