// A run of the mover over areas of all three formats, for the tests that
// interrupt it: netmail in a *.MSG, a Squish and a JAM area, each message
// bound for a *.MSG, Squish or JAM destination, for KILL, or for nothing
// (it stays). The scenario knows every message's fate, takes a census of all
// areas, and checks what a run (complete or cut off anywhere) may leave.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace kestrel::testing {

// Where one message is to go.
enum class Fate { kToMsgDir, kToSquish, kToJam, kKill, kKeep };

struct ScenarioMessage {
  std::string subject;  // unique: identifies the message in every area
  std::string from;
  std::string to;
  std::string text;
  std::string source;  // area id (absolute path)
  Fate fate = Fate::kKeep;
};

// Where every copy of every message is, by subject.
struct Census {
  std::map<std::string, std::vector<std::string>> places;  // subject -> area ids
  std::vector<std::string> problems;                       // messages that are not what was written
};

class MoverScenario {
 public:
  // `move`: MOVE YES (copies leave the netmail area) or MOVE NO (copies stay).
  MoverScenario(const TempDir& dir, int messages_per_area, bool move);

  // Writes the netmail areas (the destinations do not exist yet) and the
  // configuration "kestrel.cfg".
  void Create() const;
  // The same from the areas another scenario of the same kind created (a
  // copy of its files: much faster than writing every message again).
  void CreateFrom(const TempDir& created) const;

  const std::vector<std::string>& Sources() const { return sources_; }
  const std::vector<std::string>& Destinations() const { return destinations_; }
  std::size_t MessageCount() const { return messages_.size(); }
  bool moves() const { return move_; }

  // Reads every area that exists and compares each message found with what
  // was written.
  Census Take() const;

  // The structural checks of every area that exists (Squish and JAM
  // checkers, the *.MSG checker), at their strictest: after a cut-off run
  // they hold once every area has been opened (Take) and so put right.
  std::vector<std::string> CheckStructure() const;

  // What a run cut off anywhere may leave: nothing lost, every message where
  // it is allowed to be, and in both its source and destination only when it
  // was copied and not yet deleted (at most one message, the one in hand).
  // The messages so found twice are added to `in_hand`.
  std::vector<std::string> CheckInterrupted(const Census& census,
                                            std::vector<std::string>& in_hand) const;

  // What the run that follows must leave: every message where its fate puts
  // it, exactly once, except that one found twice after the interruption
  // (`in_hand`) has its destination copy twice. With MOVE NO and
  // `one_copied_again` (the run before was killed in the middle of a message,
  // after its copy and before its progress was stored) one message may have
  // been copied again: two copies of it, one of every other.
  std::vector<std::string> CheckFinished(const Census& census,
                                         const std::vector<std::string>& in_hand,
                                         bool one_copied_again = false) const;

 private:
  std::string DestinationOf(Fate fate) const;
  void WriteConfig() const;

  const TempDir& dir_;
  bool move_;
  std::vector<std::string> sources_;
  std::vector<std::string> destinations_;
  std::vector<ScenarioMessage> messages_;
};

}  // namespace kestrel::testing
