#include "app/scan_area.h"

#include <limits>
#include <memory>

#include "app/config_text.h"
#include "app/copy_to_destination.h"
#include "app/current_header.h"
#include "app/interruption.h"
#include "app/match_rules.h"
#include "app/stored_msg_id.h"
#include "app/version.h"
#include "msgbase/factory/message_base_factory.h"
#include "msgbase/fido/field_widths.h"
#include "msgbase/fido/string_functions.h"
#include "msgbase/io/peer_lock.h"
#include "msgbase/msgdir/msgdir_base.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/signals.h"

namespace kestrel {
namespace {

// The kludge whose line identifies a message across runs.
constexpr char kMsgIdKludge[] = "\x01MSGID";

// Added to an error when a file was refused for being a symbolic link: a
// file Kestrel writes is never reached through one.
constexpr char kRefusedLinkText[] = ": symbolic link refused - ";

// Lastread values that name no message.
constexpr std::int32_t kNoLastRead = 0;
constexpr std::int32_t kInvalidLastRead = -1;

// The message the resume state names: the last one seen and left in place.
struct ResumePoint {
  std::int32_t number = 0;
  std::string msg_id;  // the tail of its MSGID line
};

// Where the scan of an area begins.
struct StartDecision {
  std::int32_t startNumber = 1;
  bool scanAll = false;
  bool nextFound = false;
  ResumePoint confirmed;  // the lastread message, when its MSGID was confirmed
};

class AreaScanner {
 public:
  AreaScanner(const std::string& area, const MoverConfig& config, LogFile& log)
      : area_(area), config_(config), log_(log), msg_id_file_(StoredMsgIdFileName(area)) {}
  AreaScanner(const AreaScanner&) = delete;
  AreaScanner& operator=(const AreaScanner&) = delete;

  FatalOutcome Run(AreaScanResult& result);

 private:
  FatalOutcome Open();
  FatalOutcome HoldMsgIdFile();
  // Tells of the entries of a *.MSG area that its listing did not take.
  void WarnOfFilesLeftAlone();
  FatalOutcome DecideStart(StartDecision& start);
  // Looks after the lastread message for the one the stored MSGID names; when
  // found, the scan goes on after it. False when none has it.
  bool ResumeAfterStoredAhead(const std::string& stored, StartDecision& start);
  FatalOutcome ScanFrom(std::int32_t start_number);
  FatalOutcome ScanMessage();
  // Deletes the message just handled; `deleted` tells whether it went.
  FatalOutcome Delete(std::int32_t number, bool& deleted);
  bool LeftAloneAsLocalUnsent();
  // Stores the resume state (stored MSGID, then lastread); the failing
  // system error of the stored-MSGID file, or 0.
  platform::DosError StoreResumePoint();
  // Stores the resume state right after a copy that left its source in
  // place, so that a run killed later does not copy it again.
  FatalOutcome StoreAfterCopy();
  FatalOutcome StoreAtEnd();
  void ShowEndOfArea();
  // Fails when a file of the area was refused for being a symbolic link,
  // even where the format itself only skips a file it cannot open.
  FatalOutcome FailAtRefusedLink(const std::string& what);
  // Keeps the progress, closes the area and returns the error (naming the
  // symbolic link an open was refused at, if any).
  FatalError Fail(const std::string& message);

  const std::string& area_;
  const MoverConfig& config_;
  LogFile& log_;
  StoredMsgIdFile msg_id_file_;
  std::unique_ptr<MessageBase> base_;
  AreaScanResult result_;
  ResumePoint kept_;
  bool scanning_ = false;  // inside the message loop: kept_ is the progress
};

FatalOutcome AreaScanner::Run(AreaScanResult& result) {
  if (FatalOutcome fatal = Open()) return fatal;
  StartDecision start;
  if (FatalOutcome fatal = DecideStart(start)) return fatal;
  if (FatalOutcome fatal =
          FailAtRefusedLink("unable to read or store lastread in messagebase - " + area_))
    return fatal;
  kept_ = start.confirmed;
  if (base_->GetHighMsgNum() < start.startNumber && !start.nextFound && !start.scanAll) {
    result_.nothingToScan = true;
  } else {
    if (start.startNumber <= 0 || start.scanAll) start.startNumber = 1;
    if (FatalOutcome fatal = ScanFrom(start.startNumber)) return fatal;
    log_.LogQuiet(kScannedMark, kLogTag, IntToStr(result_.scannedCount) + " message(s) scanned");
    if (FatalOutcome fatal = StoreAtEnd()) return fatal;
  }
  CloseBase(base_);
  ShowEndOfArea();
  result = result_;
  return std::nullopt;
}

FatalOutcome AreaScanner::Open() {
  platform::TakeRefusedLink();  // what an earlier area or the log met is told already
  if (FatalOutcome fatal = HoldMsgIdFile()) return fatal;
  if (!OpenBase(area_, base_)) {
    if (IsPeerLockRefusal(BaseResult)) return Fail(LockedAreaError(area_));
    return Fail("unable to open messagebase - " + area_);
  }
  WarnOfFilesLeftAlone();
  base_->SetMailFlag(kMailFlagEchomail | kMailFlagLocal, false);
  base_->SetMailFlag(kMailFlagNetmail, true);
  return std::nullopt;
}

FatalOutcome AreaScanner::ScanFrom(std::int32_t start_number) {
  base_->SeekFirst(start_number);
  scanning_ = true;
  while (base_->SeekFound()) {
    if (FatalOutcome fatal = ScanMessage()) return fatal;
    // The message in hand is completely handled: an interruption asked for
    // by a signal loses nothing here, and the resume state stored on the way
    // out names the last message left in place, so the next run goes on from
    // there.
    const std::string_view signal = platform::NotedInterrupt();
    if (!signal.empty()) return Fail(InterruptionMessage(signal, kStoppedInArea));
    base_->SeekNext();
  }
  scanning_ = false;
  return std::nullopt;
}

FatalOutcome AreaScanner::StoreAtEnd() {
  if (!config_.UseLastRead && !config_.MoveSource) return std::nullopt;
  const platform::DosError rc = StoreResumePoint();
  if (rc != platform::dos_error::kNone) return Fail(StoredMsgIdFailure(rc));
  return FailAtRefusedLink("unable to store lastread in messagebase - " + area_);
}

FatalOutcome AreaScanner::HoldMsgIdFile() {
  // Only a scan that keeps resume state uses the file; without it the scan
  // leaves the file alone, so a run without either never creates it.
  if (!config_.UseLastRead && !config_.MoveSource) return std::nullopt;
  AreaKind kind = KindUnknown;
  std::string path;
  ParseAreaId(area_, kind, path);
  if (kind != KindMsgDir) return std::nullopt;
  // Taken before the area is listed, so that a second run fails before it
  // has read or changed anything. An area directory that does not exist is
  // reported by the open that follows.
  const platform::DosError rc = msg_id_file_.Hold();
  if (rc != platform::dos_error::kNone && rc != platform::dos_error::kPathNotFound &&
      rc != platform::dos_error::kFileNotFound)
    return Fail(StoredMsgIdFailure(rc));
  return std::nullopt;
}

void AreaScanner::WarnOfFilesLeftAlone() {
  const auto* msg_dir = dynamic_cast<const MsgDirBase*>(base_.get());
  if (msg_dir == nullptr) return;
  if (msg_dir->SkippedEntries() > 0) {
    log_.Warning(kLogTag, IntToStr(msg_dir->SkippedEntries()) +
                              " file(s) not taken as messages (name not <number>.msg, or not "
                              "a regular file) - " +
                              area_);
  }
  if (msg_dir->MessagesBeyondLimit() > 0) {
    log_.Warning(kLogTag, IntToStr(msg_dir->MessagesBeyondLimit()) + " message(s) numbered " +
                              IntToStr(kMsgNumberLimit) +
                              " or above not scanned (beyond the number limit) - " + area_);
  }
}

FatalOutcome AreaScanner::DecideStart(StartDecision& start) {
  if (!config_.UseLastRead) return std::nullopt;
  start.startNumber = base_->GetLastRead(config_.UserNumber);
  if (start.startNumber == kNoLastRead) base_->SetLastRead(config_.UserNumber, kNoLastRead);
  if (start.startNumber == kNoLastRead || start.startNumber == kInvalidLastRead) {
    start.scanAll = true;
    log_.LogQuiet(kResumeMark, kLogTag, "store lastread msgnumber = 0, then scan all messages");
    return std::nullopt;
  }
  base_->SeekFirst(start.startNumber);
  if (!base_->OpenMsg()) {
    start.startNumber = 1;
    log_.LogQuiet(kResumeMark, kLogTag, "OpenMessage(LastRead) failed => scanning from 1st msg");
    return std::nullopt;
  }
  std::string line;
  base_->GetKludge(kMsgIdKludge, line);
  base_->CloseMsg();
  const std::string current = StoredMsgIdOf(line);
  std::string stored;
  const platform::DosError rc = msg_id_file_.Read(stored);
  if (rc != platform::dos_error::kNone) return Fail(StoredMsgIdFailure(rc));
  if (current != stored) {
    if (ResumeAfterStoredAhead(stored, start)) return std::nullopt;
    start.scanAll = true;
    log_.LogQuiet(kResumeMark, kLogTag, "store MSGiD <> new MSGiD => scan all messages");
    return std::nullopt;
  }
  start.confirmed = {start.startNumber, stored};
  base_->SeekNext();
  // The highest number stays as it is: no message can follow it.
  if (start.startNumber < std::numeric_limits<std::int32_t>::max()) ++start.startNumber;
  if (base_->SeekFound()) {
    start.nextFound = true;
    log_.LogQuiet(kResumeMark, kLogTag,
                  "store MSGiD = new MSGiD, but found next msg, then Lastread+1");
  }
  return std::nullopt;
}

bool AreaScanner::ResumeAfterStoredAhead(const std::string& stored, StartDecision& start) {
  // A run cut short between storing the MSGID and the lastread leaves the
  // MSGID of a message after the lastread one. A message without MSGID is
  // never taken for it.
  if (stored.empty()) return false;
  base_->SeekFirst(start.startNumber);
  for (base_->SeekNext(); base_->SeekFound(); base_->SeekNext()) {
    if (!base_->OpenMsg()) continue;
    std::string line;
    base_->GetKludge(kMsgIdKludge, line);
    const std::int32_t number = base_->GetMsgNum();
    base_->CloseMsg();
    if (line.empty() || StoredMsgIdOf(line) != stored) continue;
    log_.LogQuiet(kResumeMark, kLogTag,
                  "store MSGiD <> new MSGiD, but found store MSGiD after Lastread, then "
                  "its msgnumber+1");
    // The lastread is put right at once, so the next run need not look again.
    base_->SetLastRead(config_.UserNumber, number);
    start.confirmed = {number, stored};
    start.startNumber = number;
    base_->SeekNext();
    if (start.startNumber < std::numeric_limits<std::int32_t>::max()) ++start.startNumber;
    start.nextFound = base_->SeekFound();
    return true;
  }
  return false;
}

FatalOutcome AreaScanner::ScanMessage() {
  MessageBase& base = *base_;
  if (!base.OpenMsg()) {
    if (!base.TextTooLarge()) return Fail("unable to process messagebase - " + area_);
    // Left where it is, and the rest of the area goes on: one message that
    // cannot be held must not hold up the area for good. It is not counted
    // as scanned, and the resume state is not moved for it.
    log_.ReportError(kLogTag, "message " + IntToStr(base.GetMsgNum()) + " of messagebase - " +
                                  area_ + " is larger than " +
                                  IntToStr(static_cast<std::int32_t>(kMaxTextSize >> 20)) +
                                  " MB; left in place");
    return std::nullopt;
  }
  CurrentHeader header;
  ReadCurrentHeader(base, header);
  ++result_.scannedCount;

  RuleDecision decision;
  if (!LeftAloneAsLocalUnsent()) decision = MatchRules(config_, header, log_);
  std::string msgid_line;
  if (config_.UseLastRead) base.GetKludge(kMsgIdKludge, msgid_line);
  if (decision.matched && (config_.MoveSource || decision.killIt) && base.MsgReadOnly()) {
    // A message that cannot be deleted is neither killed nor copied for a
    // move: every later run would find it again and copy it once more.
    log_.Warning(kLogTag, "message " + IntToStr(base.GetMsgNum()) + " of messagebase - " + area_ +
                              " is read-only; left in place");
    decision = RuleDecision{};
  }
  if (decision.matched) {
    if (!decision.killIt) {
      if (FatalOutcome fatal =
              CopyToDestination(base, decision.destination, header, config_.MarkUnsent, log_))
        return Fail(fatal->message());
    }
    ++result_.foundCount;
  }
  const std::int32_t number = base.GetMsgNum();
  base.CloseMsg();

  bool deleted = false;
  if (decision.matched && (config_.MoveSource || decision.killIt)) {
    if (FatalOutcome fatal = Delete(number, deleted)) return fatal;
  }
  if (!deleted) {
    kept_ = {number, StoredMsgIdOf(msgid_line)};
    if (decision.matched && !decision.killIt) {
      if (FatalOutcome fatal = StoreAfterCopy()) return fatal;
    }
  }

  platform::ConsoleShowProgress(IntToStr(result_.scannedCount) + " message(s) scanned");
  return std::nullopt;
}

FatalOutcome AreaScanner::Delete(std::int32_t number, bool& deleted) {
  deleted = base_->KillMsg();
  // Another program keeps the area locked: the scan of the area ends here,
  // the copy made stays, and the next run sees the message again.
  if (!deleted && IsPeerLockRefusal(base_->GetLastError())) return Fail(LockedAreaError(area_));
  if (deleted) {
    log_.LogQuiet(kKillMark, kLogTag, "moving or kill message");
  } else {
    // The message is still there (and, for a move, copied as well): it is
    // counted as left in place, so it is not copied again by a later run.
    log_.Warning(kLogTag,
                 "unable to delete message " + IntToStr(number) + " from messagebase - " + area_);
  }
  return std::nullopt;
}

bool AreaScanner::LeftAloneAsLocalUnsent() {
  return config_.DontTouchLocalUnsent && !base_->GetAttr(AttrSent) && base_->GetAttr(AttrLocal);
}

platform::DosError AreaScanner::StoreResumePoint() {
  const platform::DosError rc = msg_id_file_.Write(kept_.msg_id);
  if (rc == platform::dos_error::kNone) base_->SetLastRead(config_.UserNumber, kept_.number);
  return rc;
}

FatalOutcome AreaScanner::StoreAfterCopy() {
  if (!config_.UseLastRead) return std::nullopt;
  const platform::DosError rc = StoreResumePoint();
  if (rc == platform::dos_error::kNone) return std::nullopt;
  // A store that failed once is not tried again on the way out. A lastread
  // refused at a symbolic link is told at the end of the area.
  scanning_ = false;
  return Fail(StoredMsgIdFailure(rc));
}

void AreaScanner::ShowEndOfArea() {
  // Written whatever the output is: on a terminal it keeps the last progress
  // count on its line; in a batch log it is the empty line after the area.
  platform::ConsoleWrite("\n");
}

FatalOutcome AreaScanner::FailAtRefusedLink(const std::string& what) {
  const std::string link = platform::TakeRefusedLink();
  if (!link.empty()) return Fail(what + kRefusedLinkText + link);
  return std::nullopt;
}

FatalError AreaScanner::Fail(const std::string& message) {
  const std::string link = platform::TakeRefusedLink();
  // A failure inside the scan keeps its progress: the resume state names the
  // last message handled and left in place, so the next run neither copies
  // again what this one copied nor passes over the message that failed (it
  // was not handled). A failure to store it (a refused link included)
  // changes nothing of the error.
  if (scanning_ && (config_.UseLastRead || config_.MoveSource)) {
    scanning_ = false;
    StoreResumePoint();
    platform::TakeRefusedLink();
  }
  // Closing the area leaves its files consistent (a JAM base header is only
  // written at close).
  CloseBase(base_);
  return FatalError(link.empty() ? message : message + kRefusedLinkText + link);
}

}  // namespace

FatalOutcome ScanArea(const std::string& area, const MoverConfig& config, LogFile& log,
                      AreaScanResult& result) {
  return AreaScanner(area, config, log).Run(result);
}

}  // namespace kestrel
