// Fuzzes a *.MSG message file: the input is cut into the bytes of message
// file 2, an optional lastread file, a choice byte and the text of a new
// message. The area is opened, the message read field by field, its header
// rewritten, a new message written and one killed; then everything is read
// again.
#include <cstddef>
#include <cstdint>

#include "fuzz/exercise_base.h"
#include "fuzz/fuzz_scratch.h"
#include "msgbase/factory/message_base_factory.h"
#include "msgbase/msgdir/msgdir_base.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrel;
  static const bool installed = (InstallStreamFactories(), true);
  (void)installed;

  fuzz::InputPieces input(data, size);
  fuzz::WriteScratchFile("2.msg", input.Next());
  const std::string_view lastread = input.Next();
  if (!lastread.empty()) fuzz::WriteScratchFile("lastread", lastread);
  const std::uint8_t choice = input.Byte();
  const std::string_view text = input.Rest();

  const std::string& path = fuzz::ScratchDir();
  {
    MsgDirBase base;
    if (base.OpenMsgBase(path)) {
      fuzz::ReadEveryMessage(base);
      fuzz::WriteOneMessage(base, text, choice);
      fuzz::RewriteAndKillOne(base, 0);
      base.CloseMsgBase();
    }
  }
  {
    MsgDirBase base;
    if (base.OpenMsgBase(path)) {
      fuzz::ReadEveryMessage(base);
      base.CloseMsgBase();
    }
  }
  fuzz::ClearScratch();
  return 0;
}
