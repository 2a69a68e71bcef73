#include "bench/netmail_generator.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

#include "msgbase/fido/field_widths.h"
#include "msgbase/io/stream_blocks.h"

namespace kestrel::bench {
namespace {

constexpr char kLineEnd = '\r';
// Body lines are filled with words up to about this width.
constexpr std::size_t kLineWidth = 74;
// The longest line the body generator writes (a word may run past the width).
constexpr std::size_t kLongestBodyLine = 100;
// 2019-01-01 00:00:00, where the clock of the first message starts.
constexpr std::uint32_t kFirstSecond = 1546300800;

constexpr std::array<std::string_view, 28> kFirstNames = {
    "Ivan",  "Pavel",     "Anna",   "Oleg",  "Nina",       "Dmitry",   "Sergey",
    "Maria", "Alexander", "Elena",  "Yuri",  "Tatiana",    "Mikhail",  "Olga",
    "Boris", "Natalia",   "Andrey", "Irina", "Vladimir",   "Svetlana", "John",
    "Peter", "Michael",   "Thomas", "Jan",   "Konstantin", "Max",      "Li"};

constexpr std::array<std::string_view, 24> kLastNames = {"Petrov",  "Ivanova",
                                                         "Smirnov", "Kuznetsov",
                                                         "Volkova", "Sokolov",
                                                         "Orlov",   "Lebedev",
                                                         "Popova",  "Kozlov",
                                                         "Novikov", "Morozova",
                                                         "Fedorov", "Mikhailov",
                                                         "Doe",     "Jansen",
                                                         "Mueller", "van der Berg",
                                                         "Wu",      "Shcherbakov",
                                                         "Eriksen", "Konstantinopolsky",
                                                         "Zaitsev", "Belov"};

// Recipients that are not people.
constexpr std::array<std::string_view, 6> kRobots = {"Sysop",  "Areafix", "FileFix",
                                                     "AllFix", "Ping",    "Moderator"};

constexpr std::array<std::string_view, 22> kSubjects = {
    "Hello",
    "Link request",
    "Your point application",
    "Nodelist segment for net 5020",
    "Areafix: %LIST",
    "Invoice for the last quarter",
    "Meeting on Saturday at the usual place, bring the modem",
    "Question about the echo rules",
    "Files missing from the last tic batch",
    "test",
    "Bad packets from your uplink",
    "New BBS software",
    "URGENT: link down since morning",
    "Happy New Year!",
    "Routing table update",
    "Re-subscription to R50.SYSOP and its sister areas, please",
    "Lost mail",
    "Ping",
    "Password change",
    "Your message in SU.GENERAL was moderated",
    "\x8F\xE0\xA8\xA2\xA5\xE2",  // "Privet" in code page 866
    "\x82\xAE\xAF\xE0\xAE\xE1 \xAF\xAE \xE3\xA7\xAB\xE3",
};

constexpr std::array<std::string_view, 48> kWords = {
    "the",
    "mail",
    "node",
    "point",
    "link",
    "echo",
    "area",
    "modem",
    "session",
    "packet",
    "tosser",
    "uplink",
    "nodelist",
    "please",
    "again",
    "tomorrow",
    "yesterday",
    "about",
    "zone",
    "net",
    "files",
    "sysop",
    "message",
    "routing",
    "crash",
    "hold",
    "poll",
    "tonight",
    "we",
    "you",
    "it",
    "is",
    "was",
    "will",
    "not",
    "and",
    "but",
    "or",
    "with",
    "for",
    "a",
    "on",
    "\xAF\xE0\xA8\xA2\xA5\xE2",              // privet
    "\xE1\xAF\xA0\xE1\xA8\xA1\xAE",          // spasibo
    "\xAF\xAE\xE7\xE2\xA0",                  // pochta
    "\xE3\xA7\xA5\xAB",                      // uzel
    "\xAC\xAE\xA4\xA5\xAC",                  // modem
    "\xE1\xAE\xAE\xA1\xE9\xA5\xAD\xA8\xA5",  // soobshchenie
};

constexpr std::array<std::string_view, 5> kProgramIds = {"GoldED+/LNX 1.1.5-b20070503",
                                                         "GED/386 2.50+", "FMail-W32 1.60",
                                                         "SqzEd 1.0", "Hpt 1.9.0-cur 2020-01-01"};

constexpr std::array<std::string_view, 4> kTrackers = {"Squish/Linux 1.11", "hpt/lnx 1.9.0",
                                                       "FastEcho 1.46", "ifmail 2.15"};

std::string Hex8(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

std::string Two(unsigned value) {
  char text[3];
  std::snprintf(text, sizeof text, "%02u", value % 100);
  return text;
}

// "20190101.101112.UTC", the stamp of a Via line.
std::string ViaStamp(const MsgDateTime& t) {
  return std::to_string(t.year) + Two(t.month) + Two(t.day) + "." + Two(t.hour) + Two(t.min) +
         Two(t.sec) + ".UTC";
}

std::string MsgIdAddress(const FidoAddress& a) {
  return FormatAddress(a);
}

std::string CutTo(std::string text, std::size_t width) {
  if (text.size() > width) text.resize(width);
  return text;
}

}  // namespace

std::uint64_t BenchRandom::Next() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

std::uint32_t BenchRandom::Between(std::uint32_t low, std::uint32_t high) {
  const std::uint64_t span = std::uint64_t{high} - low + 1;
  return low + static_cast<std::uint32_t>(Next() % span);
}

NetmailGenerator::NetmailGenerator(const GeneratorOptions& options)
    : options_(options), random_(options.seed), clock_(kFirstSecond) {
  options_.match_percent = std::clamp(options_.match_percent, 0, 100);
  clock_ += 2 * random_.Between(0, 43200);
}

std::string NetmailGenerator::PersonName() {
  std::string name(kFirstNames[random_.Between(0, kFirstNames.size() - 1)]);
  if (random_.Chance(90)) {
    name += ' ';
    name += kLastNames[random_.Between(0, kLastNames.size() - 1)];
  }
  return CutTo(name, kNameWidth - 1);
}

std::string NetmailGenerator::Subject(bool reply) {
  std::string subject(kSubjects[random_.Between(0, kSubjects.size() - 1)]);
  if (random_.Chance(15)) subject += " (" + std::to_string(random_.Between(1, 99999)) + ")";
  if (reply) subject = "Re: " + subject;
  return CutTo(subject, kSubjectWidth - 1);
}

FidoAddress NetmailGenerator::Address() {
  FidoAddress address;
  const std::uint32_t zone_pick = random_.Between(1, 100);
  address.zone = static_cast<std::uint16_t>(zone_pick <= 80 ? 2 : zone_pick <= 92 ? 1 : 3);
  address.net = static_cast<std::uint16_t>(random_.Chance(60) ? random_.Between(5000, 5099)
                                                              : random_.Between(100, 9999));
  address.node = static_cast<std::uint16_t>(random_.Between(1, 999));
  address.point = static_cast<std::uint16_t>(random_.Chance(25) ? random_.Between(1, 99) : 0);
  return address;
}

std::string NetmailGenerator::Body(const GeneratedMessage& message, std::size_t target) {
  const std::string first_name = message.to.substr(0, message.to.find(' '));
  const std::string signer = message.from.substr(0, message.from.find(' '));
  const std::string tail = std::string(1, kLineEnd) + signer + kLineEnd + "--- " +
                           std::string(kProgramIds[random_.Between(0, kProgramIds.size() - 1)]) +
                           kLineEnd + " * Origin: " + signer + "'s station (" +
                           FormatAddress(message.orig) + ")" + kLineEnd;
  std::string body = "Hello " + first_name + "!" + kLineEnd + kLineEnd;
  std::string line;
  int lines_in_paragraph = 0;
  while (true) {
    if (line.empty() && random_.Chance(8)) {
      line.assign(1, ' ');
      line.append(signer, 0, 2);
      line.append("> ");
    }
    line += kWords[random_.Between(0, kWords.size() - 1)];
    if (line.size() < kLineWidth - random_.Between(0, 20)) {
      line += ' ';
      continue;
    }
    line += kLineEnd;
    if (++lines_in_paragraph >= static_cast<int>(random_.Between(2, 6))) {
      line += kLineEnd;
      lines_in_paragraph = 0;
    }
    if (body.size() + line.size() + tail.size() > target) break;
    body += line;
    line.clear();
  }
  return body + tail;
}

GeneratedMessage NetmailGenerator::Next() {
  GeneratedMessage message;
  const std::uint64_t index = count_++;
  const auto percent = static_cast<std::uint64_t>(options_.match_percent);
  message.matches = (index + 1) * percent / 100 != index * percent / 100;

  message.from = PersonName();
  if (message.matches) {
    message.to = CutTo(options_.match_recipient, kNameWidth - 1);
  } else {
    message.to = random_.Chance(15) ? std::string(kRobots[random_.Between(0, kRobots.size() - 1)])
                                    : PersonName();
  }
  const bool reply = random_.Chance(30);
  message.subject = Subject(reply);
  message.orig = Address();
  message.dest = Address();

  // Even seconds: every format stores them exactly (DOS times count in
  // steps of two seconds).
  clock_ += 2 * random_.Between(15, 3600);
  UnixToDateTime(clock_, message.written);
  UnixToDateTime(clock_ + 2 * random_.Between(30, 43200), message.arrived);

  message.attributes = random_.Chance(85) ? AttrPrivate : 0;
  if (!message.matches) {
    if (random_.Chance(8)) message.attributes |= AttrLocal;
    if (random_.Chance(30)) message.attributes |= AttrSent;
    if (random_.Chance(5)) message.attributes |= AttrCrash;
    if (random_.Chance(10)) message.attributes |= AttrKillSent;
    if (random_.Chance(2)) message.attributes |= AttrHold;
  }

  std::string& text = message.text;
  text +=
      "\x01INTL " + FormatAddress3D(message.dest) + " " + FormatAddress3D(message.orig) + kLineEnd;
  if (message.orig.point != 0)
    text +=
        "\x01"
        "FMPT " +
        std::to_string(message.orig.point) + kLineEnd;
  if (message.dest.point != 0) text += "\x01TOPT " + std::to_string(message.dest.point) + kLineEnd;
  text += "\x01MSGID: " + MsgIdAddress(message.orig) + " " +
          Hex8(static_cast<std::uint32_t>(random_.Next())) + kLineEnd;
  if (reply) {
    text += "\x01REPLY: " + MsgIdAddress(message.dest) + " " +
            Hex8(static_cast<std::uint32_t>(random_.Next())) + kLineEnd;
  }
  text +=
      "\x01PID: " + std::string(kProgramIds[random_.Between(0, kProgramIds.size() - 1)]) + kLineEnd;
  if (random_.Chance(60))
    text +=
        "\x01"
        "CHRS: CP866 2" +
        std::string(1, kLineEnd);
  if (random_.Chance(50)) text += "\x01TZUTC: 0300" + std::string(1, kLineEnd);

  // Most bodies are short, a few run to the limit.
  const double u = static_cast<double>(random_.Between(0, 1000000)) / 1000000.0;
  const std::size_t room = kMaxBodyBytes - kMinBodyBytes - kLongestBodyLine;
  const std::size_t target =
      kMinBodyBytes + kLongestBodyLine + static_cast<std::size_t>(u * u * room);
  const std::string body = Body(message, target);
  message.body_bytes = body.size();
  text += body;

  MsgDateTime hop = message.arrived;
  const std::uint32_t hops = random_.Between(1, 3);
  for (std::uint32_t i = 0; i < hops; ++i) {
    FidoAddress via = message.dest;
    via.node = static_cast<std::uint16_t>(random_.Between(1, 999));
    via.point = 0;
    text += "\x01Via " + FormatAddress(via) + " @" + ViaStamp(hop) + " " +
            std::string(kTrackers[random_.Between(0, kTrackers.size() - 1)]) + kLineEnd;
  }
  return message;
}

namespace {

void ReplaceText(MessageBase& base, const std::string& text) {
  BaseStream* stream = base.GetTextStream();
  if (stream == nullptr) return;
  stream->Seek(0);
  WriteBlock(*stream, text.data(), text.size());
  stream->Truncate();
}

}  // namespace

bool WriteGeneratedMessage(MessageBase& base, const GeneratedMessage& message) {
  if (!base.CreateMsg()) return false;
  // The text goes in first so that the address setters find its MSGID line
  // and keep its serial (a new serial would wait for the clock); what they
  // write into the text is then replaced by the generated text again. The
  // setters also fill the header fields some formats keep addresses in.
  ReplaceText(base, message.text);
  base.SetOrigDestAddr(message.orig, message.dest, false);
  ReplaceText(base, message.text);
  base.SetFrom(message.from);
  base.SetTo(message.to);
  base.SetSubj(message.subject);
  base.SetDateWritten(message.written);
  base.SetDateArrived(message.arrived);
  for (std::uint32_t mask = AttrPrivate; mask <= AttrScanned; mask <<= 1) {
    base.SetAttr(mask, (message.attributes & mask) != 0);
  }
  const bool written = base.WriteMsg();
  base.CloseMsg();
  return written;
}

}  // namespace kestrel::bench
