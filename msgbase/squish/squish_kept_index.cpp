#include "msgbase/squish/squish_kept_index.h"

#include <algorithm>

namespace kestrel::squish {
namespace {

// Bases kept at most, and records kept in all (12 bytes each in the file).
constexpr std::size_t kMaxKeptBases = 4;
constexpr std::size_t kMaxKeptRecords = 400000;

struct Kept {
  std::string base_path;
  SquishBaseHeader header;
  platform::DirectoryStamp index_stamp;
  std::vector<SquishIndexRecord> records;
  std::uint32_t highest_uid = 0;
};

std::vector<Kept>& KeptIndexes() {
  static std::vector<Kept> kept;
  return kept;
}

std::size_t KeptRecords() {
  std::size_t total = 0;
  for (const Kept& kept : KeptIndexes())
    total += kept.records.size();
  return total;
}

}  // namespace

bool TakeKeptIndex(const std::string& base_path, const SquishBaseHeader& header,
                   std::int32_t index_size, const platform::DirectoryStamp& index_stamp,
                   std::vector<SquishIndexRecord>& records, std::uint32_t& highest_uid) {
  auto& all = KeptIndexes();
  const auto found = std::find_if(all.begin(), all.end(),
                                  [&](const Kept& kept) { return kept.base_path == base_path; });
  if (found == all.end()) return false;
  const bool current =
      found->header.bytes() == header.bytes() && found->index_stamp == index_stamp &&
      static_cast<std::int64_t>(found->records.size()) * kIndexRecordSize == index_size;
  if (current) {
    records = std::move(found->records);
    highest_uid = found->highest_uid;
  }
  all.erase(found);
  return current;
}

void KeepIndex(const std::string& base_path, const SquishBaseHeader& header,
               const platform::DirectoryStamp& index_stamp,
               std::vector<SquishIndexRecord>&& records, std::uint32_t highest_uid) {
  ForgetKeptIndex(base_path);
  if (records.size() > kMaxKeptRecords) return;
  auto& all = KeptIndexes();
  while (!all.empty() &&
         (all.size() >= kMaxKeptBases || KeptRecords() + records.size() > kMaxKeptRecords)) {
    all.erase(all.begin());
  }
  all.push_back(Kept{base_path, header, index_stamp, std::move(records), highest_uid});
}

void ForgetKeptIndex(const std::string& base_path) {
  std::erase_if(KeptIndexes(), [&](const Kept& kept) { return kept.base_path == base_path; });
}

}  // namespace kestrel::squish
