#include "tests/crash/mover_scenario.h"

#include <algorithm>
#include <filesystem>

#include "msgbase/factory/message_base_factory.h"
#include "msgbase/jam/jam_base.h"
#include "msgbase/squish/squish_base.h"
#include "tests/crash/msg_area_checker.h"
#include "tests/msgbase/squish/squish_checker.h"
#include "tests/support/area_files.h"
#include "tests/support/jam_checker.h"

namespace kestrel::testing {
namespace {

constexpr FidoAddress kHere{2, 5020, 1, 0};
constexpr FidoAddress kThere{1, 2, 3, 4};

// The rule subject prefix of each fate.
const char* PrefixOf(Fate fate) {
  switch (fate) {
    case Fate::kToMsgDir:
      return "tom";
    case Fate::kToSquish:
      return "tos";
    case Fate::kToJam:
      return "toj";
    case Fate::kKill:
      return "kill";
    case Fate::kKeep:
      break;
  }
  return "keep";
}

// The body: the text without its kludge lines. The formats keep the body
// byte for byte; kludge lines may come back in another order (JAM keeps them
// as subfields).
std::string BodyOf(const std::string& text) {
  std::string body;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\r', at);
    end = end == std::string::npos ? text.size() : end + 1;
    if (text[at] != '\x01') body += text.substr(at, end - at);
    at = end;
  }
  return body;
}

std::size_t CountOf(const std::vector<std::string>& places, const std::string& area) {
  return static_cast<std::size_t>(std::count(places.begin(), places.end(), area));
}

}  // namespace

MoverScenario::MoverScenario(const TempDir& dir, int messages_per_area, bool move)
    : dir_(dir), move_(move) {
  sources_ = {"M" + dir.Path("netm"), "S" + dir.Path("nets"), "J" + dir.Path("netj")};
  destinations_ = {"M" + dir.Path("destm"), "S" + dir.Path("dests"), "J" + dir.Path("destj")};
  const Fate fates[] = {Fate::kToMsgDir, Fate::kToSquish, Fate::kToJam, Fate::kKill, Fate::kKeep};
  int serial = 0;
  for (const std::string& source : sources_) {
    for (int i = 0; i < messages_per_area; ++i) {
      ScenarioMessage message;
      // Every fifth message of a source the same fate, shifted per source so
      // that each destination gets messages from each source.
      message.fate = fates[(i + serial / messages_per_area) % 5];
      message.subject = std::string(PrefixOf(message.fate)) + " " + source.substr(0, 1) + " " +
                        std::to_string(serial);
      message.from = "Sender " + std::to_string(serial % 7);
      message.to = "Receiver " + std::to_string(serial % 11);
      message.source = source;
      char msgid[16];
      std::snprintf(msgid, sizeof msgid, "%08x", 0x10000 + serial);
      message.text = Netmail(message.from, kThere, message.to, kHere, message.subject, msgid).text +
                     std::string(static_cast<std::size_t>(serial % 13) * 40, 'x') + "\r";
      messages_.push_back(std::move(message));
      ++serial;
    }
  }
}

std::string MoverScenario::DestinationOf(Fate fate) const {
  switch (fate) {
    case Fate::kToMsgDir:
      return destinations_[0];
    case Fate::kToSquish:
      return destinations_[1];
    case Fate::kToJam:
      return destinations_[2];
    case Fate::kKill:
    case Fate::kKeep:
      break;
  }
  return "";
}

void MoverScenario::Create() const {
  for (const std::string& source : sources_) {
    std::vector<AreaMessage> area;
    for (const ScenarioMessage& message : messages_) {
      if (message.source != source) continue;
      AreaMessage stored =
          Netmail(message.from, kThere, message.to, kHere, message.subject, "00000000");
      stored.text = message.text;
      area.push_back(std::move(stored));
    }
    AddMessages(source, area);
  }
  WriteConfig();
}

void MoverScenario::CreateFrom(const TempDir& created) const {
  // Entry by entry into the existing directory (copying a directory onto one
  // that exists fails on Windows).
  for (const auto& entry : std::filesystem::directory_iterator(created.path())) {
    std::filesystem::copy(entry.path(),
                          std::filesystem::path(dir_.path()) / entry.path().filename(),
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
  }
  WriteConfig();
}

void MoverScenario::WriteConfig() const {
  std::string config;
  for (const std::string& source : sources_)
    config += "NETMAIL " + source + "\n";
  config += "SUBJ TOM*, " + destinations_[0] + "\n";
  config += "SUBJ TOS*, " + destinations_[1] + "\n";
  config += "SUBJ TOJ*, " + destinations_[2] + "\n";
  config += "SUBJ KILL*, KILL\n";
  config += std::string("MOVE ") + (move_ ? "YES" : "NO") + "\n";
  config += "USELASTREAD YES\nUSERNUMBER 1\nPRIORITY SUBJ\nLOG kestrel.log\n";
  dir_.WriteFile("kestrel.cfg", config);
}

Census MoverScenario::Take() const {
  Census census;
  std::map<std::string, const ScenarioMessage*> by_subject;
  for (const ScenarioMessage& message : messages_)
    by_subject[message.subject] = &message;

  std::vector<std::string> areas = sources_;
  areas.insert(areas.end(), destinations_.begin(), destinations_.end());
  for (const std::string& area : areas) {
    const bool is_source = std::find(sources_.begin(), sources_.end(), area) != sources_.end();
    if (!AreaExists(area)) {
      if (is_source) census.problems.push_back("netmail area " + area + " does not open");
      continue;
    }
    for (const AreaMessage& found : ReadArea(area)) {
      // A *.MSG file cut off before its header was written reads as a message
      // without sender, recipient and subject: it is no message of ours.
      if (found.subj.empty() && found.from.empty() && found.to.empty()) continue;
      const auto known = by_subject.find(found.subj);
      if (known == by_subject.end()) {
        census.problems.push_back(area + ": unknown message \"" + found.subj + "\"");
        continue;
      }
      const ScenarioMessage& original = *known->second;
      if (found.from != original.from || found.to != original.to ||
          BodyOf(found.text) != BodyOf(original.text)) {
        census.problems.push_back(area + ": message \"" + found.subj +
                                  "\" differs from the original");
      }
      census.places[found.subj].push_back(area);
    }
  }
  return census;
}

std::vector<std::string> MoverScenario::CheckStructure() const {
  InstallStreamFactories();
  std::vector<std::string> problems;
  std::vector<std::string> areas = sources_;
  areas.insert(areas.end(), destinations_.begin(), destinations_.end());
  for (const std::string& area : areas) {
    const std::string path = area.substr(1);
    switch (area[0]) {
      case 'M': {
        if (!dir_.Exists(path.substr(dir_.path().size() + 1))) break;
        const MsgAreaCheck check = CheckMsgArea(path);
        if (!check.ok()) problems.push_back(area + ":\n" + check.Describe());
        break;
      }
      case 'S': {
        // Files a creation cut off before the base header left are no base
        // (the next copy creates it anew): there is nothing to check.
        if (!SquishBase().MsgBaseExists(path)) break;
        const SquishCheckReport check = CheckSquishBase(path);
        if (!check.ok()) problems.push_back(area + ":\n" + check.Describe());
        break;
      }
      case 'J': {
        if (!JamBase().MsgBaseExists(path)) break;
        const JamCheck check = CheckJamBase(path, IndexForm::kCompact);
        if (!check.ok()) problems.push_back(area + ":\n" + check.Describe());
        break;
      }
      default:
        problems.push_back("unknown area " + area);
    }
  }
  return problems;
}

std::vector<std::string> MoverScenario::CheckInterrupted(const Census& census,
                                                         std::vector<std::string>& in_hand) const {
  std::vector<std::string> problems = census.problems;
  for (const ScenarioMessage& message : messages_) {
    const auto found = census.places.find(message.subject);
    const std::vector<std::string> none;
    const std::vector<std::string>& places = found == census.places.end() ? none : found->second;
    const std::string destination = DestinationOf(message.fate);
    const std::size_t in_source = CountOf(places, message.source);
    const std::size_t in_destination = destination.empty() ? 0 : CountOf(places, destination);
    const std::string name = "\"" + message.subject + "\" ";
    if (in_source + in_destination != places.size()) problems.push_back(name + "in a wrong area");
    if (in_source > 1 || in_destination > 1) problems.push_back(name + "stored twice in one area");
    switch (message.fate) {
      case Fate::kKeep:
        if (in_source != 1) problems.push_back(name + "lost from its netmail area");
        break;
      case Fate::kKill:
        break;
      default:
        if (!move_ && in_source != 1) problems.push_back(name + "deleted although MOVE is off");
        if (in_source + in_destination == 0) problems.push_back(name + "LOST");
        if (move_ && in_source == 1 && in_destination == 1) in_hand.push_back(message.subject);
    }
  }
  if (in_hand.size() > 1) {
    problems.push_back(std::to_string(in_hand.size()) +
                       " messages both copied and still in the netmail area (at most 1)");
  }
  return problems;
}

std::vector<std::string> MoverScenario::CheckFinished(const Census& census,
                                                      const std::vector<std::string>& in_hand,
                                                      bool one_copied_again) const {
  std::vector<std::string> problems = census.problems;
  int copied_twice = 0;
  for (const ScenarioMessage& message : messages_) {
    const auto found = census.places.find(message.subject);
    const std::vector<std::string> none;
    const std::vector<std::string>& places = found == census.places.end() ? none : found->second;
    const std::string destination = DestinationOf(message.fate);
    const std::size_t in_source = CountOf(places, message.source);
    const std::size_t in_destination = destination.empty() ? 0 : CountOf(places, destination);
    const std::string name = "\"" + message.subject + "\" ";
    if (in_source + in_destination != places.size()) problems.push_back(name + "in a wrong area");
    switch (message.fate) {
      case Fate::kKeep:
        if (in_source != 1) problems.push_back(name + "not once in its netmail area");
        break;
      case Fate::kKill:
        if (in_source != 0) problems.push_back(name + "not killed");
        break;
      default: {
        if (move_) {
          const bool twice =
              std::find(in_hand.begin(), in_hand.end(), message.subject) != in_hand.end();
          if (in_source != 0) problems.push_back(name + "not moved");
          if (in_destination != (twice ? 2u : 1u)) {
            problems.push_back(name + std::to_string(in_destination) + " copies in " + destination);
          }
        } else {
          if (in_source != 1) problems.push_back(name + "not kept in its netmail area");
          if (in_destination == 2 && one_copied_again) ++copied_twice;
          if (in_destination < 1 || in_destination > (one_copied_again ? 2u : 1u)) {
            problems.push_back(name + std::to_string(in_destination) + " copies in " + destination);
          }
        }
      }
    }
  }
  if (copied_twice > 1) {
    problems.push_back(std::to_string(copied_twice) +
                       " messages copied twice (at most 1, the one in hand)");
  }
  return problems;
}

}  // namespace kestrel::testing
