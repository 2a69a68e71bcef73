#include "tools/dry_run.h"

#include <memory>

#include "app/config_text.h"
#include "app/current_header.h"
#include "app/log_file.h"
#include "app/match_rules.h"
#include "msgbase/factory/message_base_factory.h"
#include "msgbase/fido/string_functions.h"
#include "tools/area_check.h"

namespace kestrel::check {
namespace {

struct AreaTotals {
  int scanned = 0;
  int copied = 0;
  int moved = 0;
  int killed = 0;
  int not_touched = 0;
  int no_rule = 0;
};

std::string Described(const CurrentHeader& h) {
  return "from " + Quoted(h.msgFrom) + " " + FormatAddress(h.msgOrig) + " to " + Quoted(h.msgTo) +
         " " + FormatAddress(h.msgDest) + " subj " + Quoted(h.msgSubj);
}

std::string Outcome(const CheckedConfig& checked, bool local_unsent, const RuleDecision& decision,
                    AreaTotals& totals) {
  if (local_unsent) {
    ++totals.not_touched;
    return "not touched (local and unsent)";
  }
  const std::string rule = std::string(decision.list) + " line " +
                           std::to_string(EntryLine(checked, decision.list, decision.entry));
  if (decision.notTouched) {
    ++totals.not_touched;
    return "not touched (" + rule + ")";
  }
  if (!decision.matched) {
    ++totals.no_rule;
    return "no rule";
  }
  if (decision.killIt) {
    ++totals.killed;
    return rule + ": kill";
  }
  if (checked.config.MoveSource) {
    ++totals.moved;
    return rule + ": move to " + decision.destination;
  }
  ++totals.copied;
  return rule + ": copy to " + decision.destination;
}

void DryRunArea(const CheckedConfig& checked, std::size_t index, Findings& findings,
                std::ostream& out) {
  const std::string& area = checked.config.NetmailAreas[index];
  const int line = EntryLine(checked, "NETMAIL", index);
  out << "Area " << area << "\n";
  if (StateOfArea(area) != AreaState::kExists) {
    out << "  not there (see above)\n";
    return;
  }
  std::unique_ptr<MessageBase> base;
  if (!OpenBase(area, base)) {
    out << "  cannot be opened\n";
    findings.Fail(line, "dry run: the netmail area " + Quoted(area) + " cannot be opened");
    return;
  }
  base->SetMailFlag(kMailFlagEchomail | kMailFlagLocal, false);
  base->SetMailFlag(kMailFlagNetmail, true);
  // Found-mail entries go nowhere: the log file is not touched.
  LogFile no_log("", false, false);
  AreaTotals totals;
  for (base->SeekFirst(1); base->SeekFound(); base->SeekNext()) {
    const std::int32_t number = base->GetMsgNum();
    if (!base->OpenMsg()) {
      out << "  #" << number << " cannot be read\n";
      findings.Fail(line, "dry run: message " + IntToStr(number) + " of " + Quoted(area) +
                              " cannot be read: Kestrel stops there");
      break;
    }
    // Read as the scan reads it, so the rules see the same fields.
    CurrentHeader header;
    ReadCurrentHeader(*base, header);
    const bool local_unsent =
        checked.config.DontTouchLocalUnsent && !base->GetAttr(AttrSent) && base->GetAttr(AttrLocal);
    RuleDecision decision;
    if (!local_unsent) decision = MatchRules(checked.config, header, no_log);
    base->CloseMsg();
    ++totals.scanned;
    out << "  #" << number << " " << Described(header) << ": "
        << Outcome(checked, local_unsent, decision, totals) << "\n";
  }
  CloseBase(base);
  out << "  " << area << ": " << totals.scanned << " message(s): " << totals.copied << " copy to, "
      << totals.moved << " move to, " << totals.killed << " kill, " << totals.not_touched
      << " not touched, " << totals.no_rule << " no rule\n";
}

}  // namespace

void DryRun(const CheckedConfig& checked, Findings& findings, std::ostream& out) {
  out << "Dry run (nothing is changed):\n";
  if (checked.config.UseLastRead) {
    out << "  USELASTREAD is on: every message is tested here; a run starts after the lastread "
           "message when its MSGID still matches\n";
  }
  for (std::size_t k = 0; k < checked.config.NetmailAreas.size(); ++k)
    DryRunArea(checked, k, findings, out);
}

}  // namespace kestrel::check
