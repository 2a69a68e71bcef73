// The index of a Squish base this process closed, kept in memory so that the
// base opened again (a destination is opened once for every message copied
// into it) does not read and decode its whole index on every open: without
// this, filling a base of n messages reads n^2/2 index records.
//
// An index is handed out again only for the same base path when the base
// header read at the new open is byte for byte the one this process wrote at
// close, and the index file is the same file, of the kept records' size, not
// changed since the close (its stamp, platform::GetFileStamp, is the one
// taken then). At most a few indexes are kept, and only small enough ones to
// keep the memory bounded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "msgbase/squish/squish_base_header.h"
#include "msgbase/squish/squish_index_record.h"
#include "platform/file_system.h"

namespace kestrel::squish {

// Moves the index kept for `base_path` into `records` and `highest_uid` when
// it is still the base's: `header` is the base header just read, `index_size`
// the size of the index file and `index_stamp` its stamp. False (nothing
// changed) otherwise.
bool TakeKeptIndex(const std::string& base_path, const SquishBaseHeader& header,
                   std::int32_t index_size, const platform::DirectoryStamp& index_stamp,
                   std::vector<SquishIndexRecord>& records, std::uint32_t& highest_uid);

// Keeps the index of `base_path` as it is on disk at close, under the base
// header `header` written last, the index file's stamp being `index_stamp`.
// `highest_uid` is what a fresh load of the records gives (the highest unique
// id among them).
void KeepIndex(const std::string& base_path, const SquishBaseHeader& header,
               const platform::DirectoryStamp& index_stamp,
               std::vector<SquishIndexRecord>&& records, std::uint32_t highest_uid);

// Drops the kept index of `base_path`, if any.
void ForgetKeptIndex(const std::string& base_path);

}  // namespace kestrel::squish
