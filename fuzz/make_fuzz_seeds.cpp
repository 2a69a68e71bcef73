// Writes the seed inputs of the fuzz targets: small but complete bases of
// every format built by the library itself (messages with kludge lines, a
// deleted message, a lastread entry), message texts with every kind of
// kludge line, and the sample configurations.
//
//   make_fuzz_seeds CORPUS_DIR SOURCE_DIR
//
// writes CORPUS_DIR/<target>/seed-<n> for every target.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/exercise_base.h"
#include "fuzz/fuzz_scratch.h"
#include "msgbase/factory/message_base_factory.h"

namespace {

namespace fs = std::filesystem;
using kestrel::fuzz::JoinPieces;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteSeed(const fs::path& corpus, const std::string& target, int number,
               const std::string& bytes) {
  const fs::path dir = corpus / target;
  fs::create_directories(dir);
  std::ofstream out(dir / ("seed-" + std::to_string(number)), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

const std::vector<std::string>& SampleTexts() {
  static const std::vector<std::string> texts = {
      "\x01INTL 2:5020/1 1:2/3\r\x01"
      "FMPT 4\r\x01TOPT 7\r\x01MSGID: 1:2/3.4 1234abcd\r"
      "Hello,\rthis is a test.\r--- \r * Origin: here (1:2/3.4)\r",
      "\x01MSGID: 2:5020/1@fidonet 0badcafe\r\x01PID: x\rBody only one line",
      "",
      "\x01\r\x01\x01\r\r\r\n\n\0\x01INTL\r",
  };
  return texts;
}

// Builds a base with the library in `dir` and returns the bytes of its files.
std::vector<std::string> BuildBase(char kind, const fs::path& dir,
                                   const std::vector<std::string>& extensions, int kill_choice) {
  using namespace kestrel;
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string path = kind == 'M' ? dir.string() : (dir / "base").string();
  std::unique_ptr<MessageBase> base;
  if (!OpenOrCreateBase(std::string(1, kind) + path, base)) return {};
  std::uint8_t choice = 0x2B;
  for (const std::string& text : SampleTexts()) {
    fuzz::WriteOneMessage(*base, text, choice);
    choice = static_cast<std::uint8_t>(choice * 7 + 3);
  }
  if (kill_choice >= 0) fuzz::RewriteAndKillOne(*base, static_cast<std::uint8_t>(kill_choice));
  base->SetLastRead(0, 2);
  CloseBase(base);

  std::vector<std::string> files;
  for (const std::string& extension : extensions) {
    files.push_back(ReadFile(kind == 'M' ? dir / extension : dir / ("base" + extension)));
  }
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_fuzz_seeds CORPUS_DIR SOURCE_DIR\n");
    return 2;
  }
  kestrel::InstallStreamFactories();
  const fs::path corpus = argv[1];
  const fs::path source = argv[2];
  const fs::path work = kestrel::fuzz::ScratchDir();

  int number = 0;
  for (const int kill : {-1, 1}) {
    std::vector<std::string> squish = BuildBase('S', work / "s", {".sqd", ".sqi", ".sql"}, kill);
    // The second seed is a base left with the mark of an update under way, as
    // a run cut off leaves it: opening it rebuilds the chains.
    if (kill >= 0 && squish[0].size() >= 4) {
      squish[0][2] = 'U';
      squish[0][3] = 'P';
    }
    squish.push_back(std::string("\x2D") + SampleTexts()[0]);
    WriteSeed(corpus, "squish_base", number, JoinPieces(squish.data(), squish.size()));

    std::vector<std::string> jam =
        BuildBase('J', work / "j", {".jhr", ".jdx", ".jdt", ".jlr"}, kill);
    jam.push_back(std::string("\x2D") + SampleTexts()[1]);
    WriteSeed(corpus, "jam_base", number, JoinPieces(jam.data(), jam.size()));
    ++number;
  }

  // *.MSG: each message file of an area (the first is 1.msg, the rest follow).
  std::vector<std::string> msg =
      BuildBase('M', work / "m", {"1.msg", "2.msg", "3.msg", "lastread"}, -1);
  for (std::size_t i = 0; i + 1 < msg.size(); ++i) {
    const std::string pieces[] = {msg[i], msg.back(), std::string("\x05") + SampleTexts()[i]};
    WriteSeed(corpus, "msg_file", static_cast<int>(i), JoinPieces(pieces, 3));
  }

  number = 0;
  for (const std::string& text : SampleTexts()) {
    const std::string pieces[] = {"\x01MSGID", "\x01INTL 1:2/3 4:5/6",
                                  std::string(1, static_cast<char>(17 + number)) + text};
    WriteSeed(corpus, "message_text", number++, JoinPieces(pieces, 3));
  }

  number = 0;
  for (const fs::path cfg : {source / "examples/kestrel.cfg", source / "examples/demo/kestrel.cfg",
                             source / "examples/demo/archive.cfg"}) {
    const std::string pieces[] = {"SYSOP\x02\x14\x03\x01", ReadFile(cfg)};
    WriteSeed(corpus, "config", number++, std::string(1, '\x07') + JoinPieces(pieces, 2));
  }
  fs::remove_all(work);
  return 0;
}
