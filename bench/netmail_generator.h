// Realistic netmail for benchmarks: a deterministic stream of messages with
// the kludges a node's netmail area holds (INTL, FMPT/TOPT, MSGID, REPLY,
// PID, CHRS, TZUTC and Via lines), names and subjects of varied length and
// bodies of 200 bytes to 4 KB, some of them in code page 866. A chosen share
// of the messages, spread evenly over the stream, is addressed to one
// recipient that rules can match; no other message is addressed to it (as
// long as it is no name the generator makes up itself).
//
// The same seed always gives the same messages, on every platform: the
// random numbers come from a generator of our own, not from the standard
// library's distributions (whose results differ between implementations).
#pragma once

#include <cstdint>
#include <string>

#include "msgbase/fido/date_time.h"
#include "msgbase/fido/fido_address.h"
#include "msgbase/message_base.h"

namespace kestrel::bench {

// The recipient of the matching share unless another is given.
inline constexpr char kDefaultMatchRecipient[] = "Kestrel Bench Target";

// Bounds of a message body (the text after the kludge lines at its start).
inline constexpr std::size_t kMinBodyBytes = 200;
inline constexpr std::size_t kMaxBodyBytes = 4096;

struct GeneratorOptions {
  std::uint64_t seed = 1;
  // Share of the messages addressed to `match_recipient`, in percent (0-100).
  int match_percent = 10;
  std::string match_recipient = kDefaultMatchRecipient;
};

struct GeneratedMessage {
  std::string from;
  std::string to;
  std::string subject;
  FidoAddress orig;
  FidoAddress dest;
  MsgDateTime written;
  MsgDateTime arrived;
  // Attribute codes of the message-base interface (AttrPrivate, ...).
  std::uint32_t attributes = 0;
  // Kludge lines, body, tear and origin lines, Via lines; lines end in "\r".
  std::string text;
  // How many bytes of `text` are body: from the first line after the
  // leading kludges to the end of the last line before the Via lines.
  std::size_t body_bytes = 0;
  // Addressed to the matching recipient.
  bool matches = false;
};

// The random numbers of the generator (SplitMix64).
class BenchRandom {
 public:
  explicit BenchRandom(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next();
  // Uniform in [low, high]; low <= high.
  std::uint32_t Between(std::uint32_t low, std::uint32_t high);
  // True with the given chance in percent.
  bool Chance(std::uint32_t percent) { return Between(1, 100) <= percent; }

 private:
  std::uint64_t state_;
};

class NetmailGenerator {
 public:
  explicit NetmailGenerator(const GeneratorOptions& options);

  // The next message of the stream.
  GeneratedMessage Next();
  // Messages handed out so far.
  std::uint64_t Count() const { return count_; }

 private:
  std::string PersonName();
  std::string Subject(bool reply);
  FidoAddress Address();
  std::string Body(const GeneratedMessage& message, std::size_t target);

  GeneratorOptions options_;
  BenchRandom random_;
  std::uint64_t count_ = 0;
  std::uint32_t clock_;  // seconds since 1970 of the last message written
};

// Stores the message as a new message of an open base, with exactly the
// generated text. False when the base refused to create or write it.
bool WriteGeneratedMessage(MessageBase& base, const GeneratedMessage& message);

}  // namespace kestrel::bench
