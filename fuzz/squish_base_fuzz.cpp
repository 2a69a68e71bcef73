// Fuzzes a Squish base: the input is cut into the bytes of the .SQD, .SQI
// and .SQL files, a choice byte and the text of a new message. The base is
// opened, walked and read in full, a message is written, one is rewritten
// and killed, and the base is closed and opened once more.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "fuzz/exercise_base.h"
#include "fuzz/fuzz_scratch.h"
#include "msgbase/factory/message_base_factory.h"
#include "msgbase/squish/squish_base.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrel;
  static const bool installed = (InstallStreamFactories(), true);
  (void)installed;

  fuzz::InputPieces input(data, size);
  fuzz::WriteScratchFile("fz.sqd", input.Next());
  fuzz::WriteScratchFile("fz.sqi", input.Next());
  const std::string_view lastread = input.Next();
  if (!lastread.empty()) fuzz::WriteScratchFile("fz.sql", lastread);
  const std::uint8_t choice = input.Byte();
  const std::string_view text = input.Rest();

  const std::string path = fuzz::ScratchPath("fz");
  {
    SquishBase base;
    if (base.OpenMsgBase(path)) {
      fuzz::ReadEveryMessage(base);
      fuzz::WriteOneMessage(base, text, choice);
      fuzz::RewriteAndKillOne(base, choice >> 3);
      base.CloseMsgBase();
    }
  }
  {
    // Whatever the run above left must open and read again.
    SquishBase base;
    if (base.OpenMsgBase(path)) {
      fuzz::ReadEveryMessage(base);
      base.CloseMsgBase();
    }
  }
  fuzz::ClearScratch();
  return 0;
}
