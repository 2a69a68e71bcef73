// A structural check of a JAM base on disk, for tests that interrupt or
// damage writes and then want to know whether the base is still sound.
//
// It reads the files only (no message-base code) and reports every problem
// it finds: the base header (size, signature), the index (whole records,
// record count against ActiveMsgs), and for every index record the message
// it points at (a whole header with the JAM signature inside .JHR,
// subfields that exactly fill SubfieldLen inside the file, a text inside
// .JDT).
#pragma once

#include <string>
#include <vector>

namespace kestrel::testing {

enum class IndexForm {
  // As this program keeps a base: no deleted records, ActiveMsgs equals the
  // number of records and no message carries the deleted attribute.
  kCompact,
  // As JAM software in general may leave it: deleted records (header offset
  // -1) and messages with the deleted attribute stay in the index;
  // ActiveMsgs counts the others.
  kWithDeleted,
};

struct JamCheck {
  std::vector<std::string> problems;
  std::size_t messages = 0;  // index records that name a live message

  bool ok() const { return problems.empty(); }
  // The problems, one per line, for a failure message.
  std::string Describe() const;
};

JamCheck CheckJamBase(const std::string& base_path, IndexForm form = IndexForm::kCompact);

}  // namespace kestrel::testing
