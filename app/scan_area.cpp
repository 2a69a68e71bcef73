#include "app/scan_area.h"

#include <limits>
#include <memory>

#include "app/config_text.h"
#include "app/console_messages.h"
#include "app/copy_to_destination.h"
#include "app/current_header.h"
#include "app/interruption.h"
#include "app/match_rules.h"
#include "app/stored_msg_id.h"
#include "app/version.h"
#include "msgbase/fido/field_widths.h"
#include "msgbase/factory/message_base_factory.h"
#include "msgbase/msgdir/msgdir_base.h"
#include "msgbase/io/peer_lock.h"
#include "msgbase/fido/string_functions.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/process.h"
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
  std::string msgId;  // the tail of its MSGID line
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
      : area_(area), config_(config), log_(log), msgIdFile_(StoredMsgIdFileName(area)) {}
  AreaScanner(const AreaScanner&) = delete;
  AreaScanner& operator=(const AreaScanner&) = delete;

  AreaScanResult Run();

 private:
  void HoldMsgIdFile();
  // Tells of the entries of a *.MSG area that its listing did not take.
  void WarnOfFilesLeftAlone();
  StartDecision DecideStart();
  // Looks after the lastread message for the one the stored MSGID names; when
  // found, the scan goes on after it. False when none has it.
  bool ResumeAfterStoredAhead(const std::string& stored, StartDecision& start);
  void ScanMessage();
  bool LeftAloneAsLocalUnsent();
  // Stores the resume state (stored MSGID, then lastread); the failing
  // system error of the stored-MSGID file, or 0.
  platform::DosError StoreResumePoint();
  // Stores the resume state right after a copy that left its source in
  // place, so that a run killed later does not copy it again.
  void StoreAfterCopy();
  void ShowEndOfArea();
  // Ends the run when a file of the area was refused for being a symbolic
  // link, even where the format itself only skips a file it cannot open.
  void StopAtRefusedLink(const std::string& what);
  // Closes the area, then ends the run with the error (naming the symbolic
  // link an open was refused at, if any).
  [[noreturn]] void Fail(const std::string& message);

  const std::string& area_;
  const MoverConfig& config_;
  LogFile& log_;
  StoredMsgIdFile msgIdFile_;
  std::unique_ptr<MessageBase> base_;
  AreaScanResult result_;
  ResumePoint kept_;
  bool scanning_ = false;  // inside the message loop: kept_ is the progress
};

AreaScanResult AreaScanner::Run() {
  platform::TakeRefusedLink();  // what an earlier area or the log met is told already
  HoldMsgIdFile();
  if (!OpenBase(area_, base_)) {
    if (IsPeerLockRefusal(BaseResult)) Fail(LockedAreaError(area_));
    Fail("unable to open messagebase - " + area_);
  }
  WarnOfFilesLeftAlone();
  base_->SetMailFlag(MailFlagEchomail | MailFlagLocal, false);
  base_->SetMailFlag(MailFlagNetmail, true);

  StartDecision start = DecideStart();
  StopAtRefusedLink("unable to read or store lastread in messagebase - " + area_);
  kept_ = start.confirmed;
  if (base_->GetHighMsgNum() < start.startNumber && !start.nextFound && !start.scanAll) {
    result_.nothingToScan = true;
    CloseBase(base_);
    ShowEndOfArea();
    return result_;
  }
  if (start.startNumber <= 0 || start.scanAll) start.startNumber = 1;

  base_->SeekFirst(start.startNumber);
  scanning_ = true;
  while (base_->SeekFound()) {
    ScanMessage();
    // The message in hand is completely handled: a stop asked for by a
    // signal loses nothing here, and the resume state stored on the way out
    // names the last message left in place, so the next run goes on from
    // there.
    const std::string_view signal = platform::NotedInterrupt();
    if (!signal.empty()) Fail(InterruptionMessage(signal, kStoppedInArea));
    base_->SeekNext();
  }
  scanning_ = false;
  log_.LogQuiet(kScannedMark, kLogTag, IntToStr(result_.scannedCount) + " message(s) scanned");
  if (config_.UseLastRead || config_.MoveSource) {
    const platform::DosError rc = StoreResumePoint();
    if (rc != platform::dos_error::kNone) Fail(StoredMsgIdFailure(rc));
    StopAtRefusedLink("unable to store lastread in messagebase - " + area_);
  }
  CloseBase(base_);
  ShowEndOfArea();
  return result_;
}

void AreaScanner::HoldMsgIdFile() {
  // Only a scan that keeps resume state uses the file; without it the scan
  // leaves the file alone, as it always did.
  if (!config_.UseLastRead && !config_.MoveSource) return;
  AreaKind kind = KindUnknown;
  std::string path;
  ParseAreaId(area_, kind, path);
  if (kind != KindMsgDir) return;
  // Taken before the area is listed, so that a second run fails before it
  // has read or changed anything. An area directory that does not exist is
  // reported by the open that follows, as always.
  const platform::DosError rc = msgIdFile_.Hold();
  if (rc != platform::dos_error::kNone && rc != platform::dos_error::kPathNotFound &&
      rc != platform::dos_error::kFileNotFound)
    Fail(StoredMsgIdFailure(rc));
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

StartDecision AreaScanner::DecideStart() {
  StartDecision start;
  if (!config_.UseLastRead) return start;
  start.startNumber = base_->GetLastRead(config_.UserNumber);
  if (start.startNumber == kNoLastRead) base_->SetLastRead(config_.UserNumber, kNoLastRead);
  if (start.startNumber == kNoLastRead || start.startNumber == kInvalidLastRead) {
    start.scanAll = true;
    log_.LogQuiet(kResumeMark, kLogTag, "store lastread msgnumber = 0, then scan all messages");
    return start;
  }
  base_->SeekFirst(start.startNumber);
  if (!base_->OpenMsg()) {
    start.startNumber = 1;
    log_.LogQuiet(kResumeMark, kLogTag, "OpenMessage(LastRead) failed => scanning from 1st msg");
    return start;
  }
  std::string line;
  base_->GetKludge(kMsgIdKludge, line);
  base_->CloseMsg();
  const std::string current = StoredMsgIdOf(line);
  std::string stored;
  const platform::DosError rc = msgIdFile_.Read(stored);
  if (rc != platform::dos_error::kNone) Fail(StoredMsgIdFailure(rc));
  if (current != stored) {
    if (ResumeAfterStoredAhead(stored, start)) return start;
    start.scanAll = true;
    log_.LogQuiet(kResumeMark, kLogTag, "store MSGiD <> new MSGiD => scan all messages");
    return start;
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
  return start;
}

bool AreaScanner::ResumeAfterStoredAhead(const std::string& stored, StartDecision& start) {
  // A run stopped between storing the MSGID and the lastread leaves the
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

void AreaScanner::ScanMessage() {
  MessageBase& base = *base_;
  if (!base.OpenMsg()) {
    if (!base.TextTooLarge()) Fail("unable to process messagebase - " + area_);
    // Left where it is, and the rest of the area goes on: one message that
    // cannot be held must not stop the area for good. It is not counted as
    // scanned, and the resume state is not moved for it.
    log_.ReportError(kLogTag, "message " + IntToStr(base.GetMsgNum()) + " of messagebase - " +
                                  area_ + " is larger than " +
                                  IntToStr(static_cast<std::int32_t>(MaxTextSize >> 20)) +
                                  " MB; left in place");
    return;
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
      const std::string failure =
          CopyToDestination(base, decision.destination, header, config_.MarkUnsent, log_);
      if (!failure.empty()) Fail(failure);
    }
    ++result_.foundCount;
  }
  const std::int32_t number = base.GetMsgNum();
  base.CloseMsg();

  bool deleted = false;
  if (decision.matched && (config_.MoveSource || decision.killIt)) {
    deleted = base.KillMsg();
    // Another program keeps the area locked: the area stops here, the copy
    // made stays, and the next run sees the message again.
    if (!deleted && IsPeerLockRefusal(base.GetLastError())) Fail(LockedAreaError(area_));
    if (deleted) {
      log_.LogQuiet(kKillMark, kLogTag, "moving or kill message");
    } else {
      // The message is still there (and, for a move, copied as well): it is
      // counted as left in place, so it is not copied again by a later run.
      log_.Warning(kLogTag,
                   "unable to delete message " + IntToStr(number) + " from messagebase - " + area_);
    }
  }
  if (!deleted) {
    kept_ = {number, StoredMsgIdOf(msgid_line)};
    if (decision.matched && !decision.killIt) StoreAfterCopy();
  }

  platform::ConsoleShowProgress(IntToStr(result_.scannedCount) + " message(s) scanned");
}

bool AreaScanner::LeftAloneAsLocalUnsent() {
  return config_.DontTouchLocalUnsent && !base_->GetAttr(AttrSent) && base_->GetAttr(AttrLocal);
}

platform::DosError AreaScanner::StoreResumePoint() {
  const platform::DosError rc = msgIdFile_.Write(kept_.msgId);
  if (rc == platform::dos_error::kNone) base_->SetLastRead(config_.UserNumber, kept_.number);
  return rc;
}

void AreaScanner::StoreAfterCopy() {
  if (!config_.UseLastRead) return;
  const platform::DosError rc = StoreResumePoint();
  if (rc == platform::dos_error::kNone) return;
  // A store that failed once is not tried again on the way out. A lastread
  // refused at a symbolic link is told at the end of the area, as before.
  scanning_ = false;
  Fail(StoredMsgIdFailure(rc));
}

void AreaScanner::ShowEndOfArea() {
  // Written whatever the output is: on a terminal it keeps the last progress
  // count on its line; in a batch log it is the empty line after the area.
  platform::ConsoleWrite("\n");
}

void AreaScanner::StopAtRefusedLink(const std::string& what) {
  const std::string link = platform::TakeRefusedLink();
  if (!link.empty()) Fail(what + kRefusedLinkText + link);
}

void AreaScanner::Fail(const std::string& message) {
  const std::string link = platform::TakeRefusedLink();
  // A stop inside the scan keeps its progress: the resume state names the
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
  log_.Error(kLogTag, link.empty() ? message : message + kRefusedLinkText + link);
  // Error ends the process; a log that returned must not let the scan go on.
  platform::ExitProcess(kFatalErrorExitCode);
}

}  // namespace

AreaScanResult ScanArea(const std::string& area, const MoverConfig& config, LogFile& log) {
  return AreaScanner(area, config, log).Run();
}

}  // namespace kestrel
