#include "fuzz/exercise_base.h"

#include <string>

#include "msgbase/fido/date_time.h"
#include "msgbase/fido/fido_address.h"

namespace kestrel::fuzz {
namespace {

void ReadOpenMessage(MessageBase& base) {
  volatile std::size_t sink = 0;  // keeps the reads from being optimised away
  sink = sink + base.GetFrom().size() + base.GetTo().size() + base.GetSubj().size();
  FidoAddress orig{};
  FidoAddress dest{};
  base.GetOrigAddr(orig);
  base.GetDestAddr(dest);
  base.GetOrigDestAddr(orig, dest);
  MsgDateTime written{};
  MsgDateTime arrived{};
  base.GetDateWritten(written);
  base.GetDateArrived(arrived);
  for (std::uint32_t code = AttrPrivate; code <= AttrScanned; code <<= 1) {
    sink = sink + (base.GetAttr(code) ? 1 : 0);
  }
  std::string line;
  base.GetKludge(kKludgeMsgId, line);
  base.GetKludge("\x01", line);
  base.SetTextPos(0);
  while (!base.EndOfText()) {
    base.GetTextLine(line);
    sink = sink + line.size();
  }
  sink = sink + static_cast<std::size_t>(base.GetTextSize()) + base.GetKludgeInsertPos();
}

}  // namespace

void ReadEveryMessage(MessageBase& base) {
  base.GetHighMsgNum();
  base.GetMsgCount();
  base.GetLastRead(0);
  base.GetLastRead(1);
  base.SeekFirst(1);
  while (base.SeekFound()) {
    if (base.OpenMsg()) {
      ReadOpenMessage(base);
      base.CloseMsg();
    }
    if (base.OpenMsgHeader()) {
      base.GetFrom();
      base.CloseMsg();
    }
    base.SeekNext();
  }
  base.SeekFirst(base.GetHighMsgNum());
  while (base.SeekFound())
    base.SeekPrior();
}

void WriteOneMessage(MessageBase& base, std::string_view text, std::uint8_t choice) {
  if (!base.CreateMsg()) return;
  base.SetFrom("Fuzz Sender");
  base.SetTo("Fuzz Receiver");
  base.SetSubj("fuzz");
  base.SetAttr(AttrPrivate, (choice & 1) != 0);
  base.SetAttr(AttrLocal, (choice & 2) != 0);
  base.SetAttr(AttrSent, (choice & 4) != 0);
  const MsgDateTime when{12, 34, 56, 0, 7, 8, 2001};
  base.SetDateWritten(when);
  base.SetDateArrived(when);
  // The text goes in as it came, in blocks as the copier writes it.
  std::size_t done = 0;
  while (done < text.size()) {
    const std::size_t block = text.size() - done > 0xFFFF ? 0xFFFF : text.size() - done;
    base.WriteTextBlock(text.data() + done, static_cast<std::uint16_t>(block));
    done += block;
  }
  // Addresses are set only over an existing MSGID line: a new serial waits
  // for the clock to tick, which would slow every input down.
  std::string msgid;
  if ((choice & 8) != 0 && base.GetKludge(kKludgeMsgId, msgid)) {
    base.SetOrigDestAddr(FidoAddress{2, 5020, 1, 0}, FidoAddress{1, 2, 3, 4}, false);
  }
  if ((choice & 32) != 0) base.AddKludge("\x01PID: fuzz");
  base.WriteMsg();
  base.CloseMsg();
  base.SetLastRead(choice & 3, base.GetHighMsgNum());
}

void RewriteAndKillOne(MessageBase& base, std::uint8_t choice) {
  base.SeekFirst(1);
  for (std::uint8_t step = 0; step < (choice & 7) && base.SeekFound(); ++step)
    base.SeekNext();
  if (!base.SeekFound()) return;
  if (base.OpenMsg()) {
    base.SetAttr(AttrReceived, true);
    base.SetSubj("rewritten");
    base.RewriteHeader();
    base.CloseMsg();
  }
  // The rewritten header must read back.
  if (base.OpenMsg()) {
    ReadOpenMessage(base);
    base.CloseMsg();
  }
  base.KillMsg();
  base.SeekNext();
  if (base.SeekFound() && base.OpenMsg()) {
    ReadOpenMessage(base);
    base.CloseMsg();
  }
}

}  // namespace kestrel::fuzz
