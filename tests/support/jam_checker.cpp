#include "tests/support/jam_checker.h"

#include <cstdio>
#include <optional>

#include "tests/support/jam_files.h"
#include "tests/support/jam_test_support.h"

namespace kestrel::testing {
namespace {

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08Xh", value);
  return text;
}

}  // namespace

std::string JamCheck::Describe() const {
  std::string text;
  for (const std::string& problem : problems)
    text += problem + "\n";
  return text;
}

JamCheck CheckJamBase(const std::string& base_path, IndexForm form) {
  JamCheck check;
  auto problem = [&check](std::string text) { check.problems.push_back(std::move(text)); };
  const JamBaseFiles files = LoadJamFiles(base_path);

  const std::optional<JamBaseHeader> header = files.Header();
  if (!header) {
    problem(".jhr holds " + std::to_string(files.jhr.size()) + " bytes, less than a base header");
    return check;
  }
  if (header->signature != kJamSignature) problem("base header without the JAM signature");
  if (files.jdx.size() % kJamIndexRecordSize != 0) {
    problem(".jdx size " + std::to_string(files.jdx.size()) + " is not a whole number of records");
  }

  const std::vector<JamIndexRecord> index = files.Index();
  for (std::size_t i = 0; i < index.size(); ++i) {
    const std::string where = "index record " + std::to_string(i) + ": ";
    const std::uint32_t offset = index[i].header_offset;
    if (offset == kJamDeletedHeaderOffset) {
      if (form == IndexForm::kCompact) problem(where + "deleted record left in the index");
      continue;
    }
    if (offset < kJamBaseHeaderSize) {
      problem(where + "header offset " + Hex(offset) + " inside the base header");
      continue;
    }
    const std::optional<JamMessage> message = files.MessageAt(offset);
    if (!message) {
      problem(where + "no whole header at " + Hex(offset));
      continue;
    }
    if (message->signature != kJamSignature) {
      problem(where + "header at " + Hex(offset) + " without the JAM signature");
    }
    if (!message->subfields_complete) {
      problem(where + "subfields do not fill SubfieldLen " + std::to_string(message->subfield_len) +
              " within the file");
    }
    if (!message->text_in_range) {
      problem(where + "text " + Hex(message->txt_offset) + "+" + Hex(message->txt_len) +
              " outside .jdt");
    }
    if ((message->attribute & kJamAttrDeleted) != 0) {
      if (form == IndexForm::kCompact) problem(where + "message carries the deleted attribute");
      continue;
    }
    ++check.messages;
  }

  const std::size_t counted = form == IndexForm::kCompact ? index.size() : check.messages;
  if (header->active_msgs != counted) {
    problem("ActiveMsgs " + std::to_string(header->active_msgs) + " but " +
            std::to_string(counted) +
            (form == IndexForm::kCompact ? " index records" : " live messages"));
  }
  const std::string jlr = ReadJamFile(base_path, "jlr");
  if (jlr.size() % 16 != 0)
    problem(".jlr size " + std::to_string(jlr.size()) + " is not whole records");
  return check;
}

}  // namespace kestrel::testing
