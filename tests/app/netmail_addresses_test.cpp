// Addresses through the binary where they are easiest to lose: plain netmail
// that names its addresses only in the header (no INTL, FMPT, TOPT or
// MSGID line), and address parts above 32767.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "msgbase/fido/fido_address.h"
#include "tests/support/area_files.h"
#include "tests/support/kestrel_run.h"
#include "tests/support/msg_file.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {
namespace {

std::uint16_t Le16(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[at]) |
                                    static_cast<std::uint8_t>(bytes[at + 1]) << 8);
}

// The address fields of the first message header of a Squish data file, as
// a tosser reads them: base header 256, frame header 28, origin at 148 and
// destination at 156 of the message header.
FidoAddress SquishHeaderAddress(const std::string& sqd, bool origin) {
  const std::size_t at = 256 + 28 + (origin ? 148 : 156);
  return {Le16(sqd, at), Le16(sqd, at + 2), Le16(sqd, at + 4), Le16(sqd, at + 6)};
}

// One destination area of each format in `dir`, and a run that moves the
// messages of the *.MSG area `inbox` to them by recipient ("Squish", "Jam",
// "Msg").
struct EachFormat {
  explicit EachFormat(const TempDir& dir)
      : squish("S" + dir.Path("sdest")),
        jam("J" + dir.Path("jdest")),
        msg("M" + dir.Path("mdest")) {}
  ProgramResult MoveFrom(const TempDir& dir, const std::string& inbox) const {
    return RunKestrelOn(dir, "LOG kestrel.log\nNETMAIL " + inbox +
                                 "\nPRIORITY TO\nMOVE YES\nTO SQUISH," + squish + "\nTO JAM," +
                                 jam + "\nTO MSG," + msg + "\n");
  }
  std::vector<std::string> All() const { return {squish, jam, msg}; }
  std::string squish;
  std::string jam;
  std::string msg;
};

// The one copy in `area`, checked for both addresses.
AreaMessage TheCopyWithAddresses(const std::string& area, const FidoAddress& orig,
                                 const FidoAddress& dest) {
  SCOPED_TRACE(area);
  const std::vector<AreaMessage> copies = ReadArea(area);
  EXPECT_EQ(copies.size(), 1u);
  if (copies.empty()) return {};
  EXPECT_EQ(copies[0].orig, orig);
  EXPECT_EQ(copies[0].dest, dest);
  return copies[0];
}

TEST(NetmailAddressesTest, PlainNetmailKeepsItsAddressesInEveryFormat) {
  TempDir dir;
  const std::string text = "Plain netmail, no kludges.\r";
  dir.MakeDir("inbox");
  int number = 2;
  for (const char* to : {"Squish", "Jam", "Msg"}) {
    MsgFile plain;
    plain.from = "Sender";
    plain.to = to;
    plain.subject = "plain";
    plain.date_text = "03 Nov 26  09:00:00";
    plain.orig_net = 5020;
    plain.orig_node = 10;
    plain.dest_net = 5020;
    plain.dest_node = 20;
    plain.text = text;
    dir.WriteFile("inbox/" + std::to_string(number++) + ".msg", EncodeMsgFile(plain));
  }
  const EachFormat dest(dir);
  const ProgramResult run = dest.MoveFrom(dir, "M" + dir.Path("inbox"));
  ASSERT_EQ(run.exit_code, 0) << run.output << ReadLog(dir);

  constexpr FidoAddress kOrig{2, 5020, 10, 0};
  constexpr FidoAddress kDest{2, 5020, 20, 0};
  for (const std::string& area : dest.All())
    TheCopyWithAddresses(area, kOrig, kDest);
  // The header fields other programs route by, and a text left as it was.
  const std::string sqd = ReadWholeFile(dir.Path("sdest.sqd"));
  EXPECT_EQ(SquishHeaderAddress(sqd, true), kOrig);
  EXPECT_EQ(SquishHeaderAddress(sqd, false), kDest);
  EXPECT_EQ(TheCopyWithAddresses(dest.squish, kOrig, kDest).text, text);
  EXPECT_EQ(TheCopyWithAddresses(dest.msg, kOrig, kDest).text, text);
}

TEST(NetmailAddressesTest, PartsAbove32767AreWrittenAndReadAsTheyAre) {
  TempDir dir;
  const std::string inbox = "M" + dir.Path("inbox");
  AreaMessage message;
  message.from = "Far Point";
  message.subj = "big numbers";
  message.text =
      "\x01INTL 2:40000/1 2:65535/65000\r\x01"
      "FMPT 40001\r\x01TOPT 65535\rHello.\r";
  std::vector<AreaMessage> messages;
  for (const char* to : {"Squish", "Jam", "Msg"}) {
    message.to = to;
    messages.push_back(message);
  }
  AddMessages(inbox, messages);
  const EachFormat dest(dir);
  ProgramResult run = dest.MoveFrom(dir, inbox);
  ASSERT_EQ(run.exit_code, 0) << run.output << ReadLog(dir);

  constexpr FidoAddress kOrig{2, 65535, 65000, 40001};
  constexpr FidoAddress kDest{2, 40000, 1, 65535};
  for (const std::string& area : dest.All()) {
    SCOPED_TRACE(area);
    const AreaMessage copy = TheCopyWithAddresses(area, kOrig, kDest);
    // JAM keeps addresses in subfields and writes these lines anew.
    EXPECT_NE(copy.text.find("\x01INTL 2:40000/1 2:65535/65000\r"), std::string::npos);
    EXPECT_NE(copy.text.find("\x01"
                             "FMPT 40001\r"),
              std::string::npos);
    EXPECT_NE(copy.text.find("\x01TOPT 65535\r"), std::string::npos);
  }
  const std::string sqd = ReadWholeFile(dir.Path("sdest.sqd"));
  EXPECT_EQ(SquishHeaderAddress(sqd, true), kOrig);
  EXPECT_EQ(SquishHeaderAddress(sqd, false), kDest);

  // Address rules match such parts, read back from the JAM copy.
  run = RunKestrelOn(dir, "LOG kestrel.log\nNETMAIL " + dest.jam +
                              "\nPRIORITY FROMADDR\nMOVE YES\nFROMADDR 2:65535/65000.40001," +
                              dest.msg + "\n");
  ASSERT_EQ(run.exit_code, 0) << run.output << ReadLog(dir);
  EXPECT_TRUE(ReadArea(dest.jam).empty());
  EXPECT_EQ(ReadArea(dest.msg).size(), 2u);
}

}  // namespace
}  // namespace kestrel::testing
