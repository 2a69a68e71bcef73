// The scan of one netmail area: where to start, every message from there
// through the rules, the copies and deletions, and the resume state for the
// next run.
#pragma once

#include <cstdint>
#include <string>

#include "app/fatal_error.h"
#include "app/log_file.h"
#include "app/mover_config.h"

namespace kestrel {

// Log marks of the scan.
inline constexpr char kResumeMark = 'i';
inline constexpr char kKillMark = '-';
inline constexpr char kScannedMark = '*';

// What the scan of one area found.
struct AreaScanResult {
  bool nothingToScan = false;  // the area had nothing new; nothing was scanned
  std::int32_t scannedCount = 0;
  std::int32_t foundCount = 0;  // messages that matched a rule
};

// Scans the area named by `area` (type letter and path), which must exist.
//
// Start: from message 1, or, with USELASTREAD, after the lastread message of
// the configured user when the tail of that message's MSGID line equals the
// stored MSGID of the area (stored_msg_id.h). Each message from there is
// tested by the rules (unless it is local and unsent and such mail is to be
// left alone); a match is copied to its destination unless the action is
// KILL, and deleted from the area when the action is KILL or MOVE is on.
//
// Resume state: with USELASTREAD or MOVE, the lastread pointer and the
// stored MSGID are written at the end. Both describe the last message, in
// scan order, that this run saw and left in place (not moved or killed); when
// there is none, the message the start decision confirmed, if any. So a run
// that leaves nothing new in place keeps the state as it was, and a message
// copied without MOVE is never scanned, and copied, again.
//
// Every failure is fatal, returned as the error the run ends with: the area
// cannot be opened, a message cannot be opened, a copy fails (before its
// source is deleted), the stored-MSGID file cannot be read or written, or a
// signal asked the run to end (after the message in hand). Before it
// returns, the area is closed and, for a failure inside the message loop,
// the resume state names the last message handled and left in place.
// `result` is set only when the scan of the area completes.
[[nodiscard]] FatalOutcome ScanArea(const std::string& area, const MoverConfig& config,
                                    LogFile& log, AreaScanResult& result);

}  // namespace kestrel
