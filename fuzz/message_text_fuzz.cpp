// Fuzzes the text and kludge operations every format shares, on arbitrary
// text in a memory stream: line reading with buffers of every size, kludge
// search, replacement, deletion and insertion, the address kludges in both
// directions and the origin line. Names and lines come from the input too.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_scratch.h"
#include "msgbase/fido/fido_address.h"
#include "msgbase/plain_message_base.h"
#include "msgbase/factory/message_base_factory.h"
#include "msgbase/io/stream_hooks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrel;
  static const bool installed = (InstallStreamFactories(), true);
  (void)installed;

  fuzz::InputPieces input(data, size);
  const std::string name(input.Next());
  const std::string line(input.Next());
  const std::uint8_t buffer_size = input.Byte();
  const std::string_view text = input.Rest();

  PlainMessageBase base;
  base.SetTextStream(MakeMemStream(MemStreamHint));
  std::size_t done = 0;
  while (done < text.size()) {
    const std::size_t block = text.size() - done > 0xFFFF ? 0xFFFF : text.size() - done;
    base.WriteTextBlock(text.data() + done, static_cast<std::uint16_t>(block));
    done += block;
  }

  // Every line, with a buffer of the chosen size (0 included).
  std::vector<char> buffer(buffer_size + 1u, '\x55');
  base.SetTextPos(0);
  while (!base.EndOfText())
    base.GetTextLineZ(buffer.data(), buffer_size);
  std::string read_line;
  base.SetTextPos(0);
  while (!base.EndOfText())
    base.GetTextLine(read_line);

  // Searches with the fuzzed name and the usual ones.
  base.FindKludgeZ(name.c_str(), buffer.data(), buffer_size);
  base.GetKludge(name, read_line);
  base.GetKludge(kKludgeMsgId, read_line);
  FidoAddress orig{};
  FidoAddress dest{};
  base.GetOrigDestAddr(orig, dest);
  base.ParseOrigKludge(line, orig);
  base.ParseDestKludge(line, dest);
  base.GetKludgeInsertPos();

  // Changes, each followed by reading the result.
  base.SetKludge(name, line);
  base.GetOrigDestAddr(orig, dest);
  base.AddKludge(line);
  base.DeleteKludge(name);
  base.SetMailType(kMailTypeNetmail);
  base.SetMailFlag(kMailFlagNetmail, true);
  // Only over an existing MSGID line: a new serial waits for the clock to
  // tick, which would make every input take a hundredth of a second.
  if (base.GetKludge(kKludgeMsgId, read_line)) base.SetOrigDestAddr(orig, dest, false);
  base.GetOrigDestAddr(orig, dest);
  base.SetTextPos(base.GetTextSize());
  base.WriteOrigin(orig, line);
  base.PutTextLine(line);
  base.SetTextPos(base.GetTextSize() / 2);
  base.TruncateText();
  base.SetTextPos(0);
  while (!base.EndOfText())
    base.GetTextLine(read_line);
  return 0;
}
