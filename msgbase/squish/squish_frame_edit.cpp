#include "msgbase/squish/squish_frame_edit.h"

#include <algorithm>
#include <unordered_set>

namespace kestrel::squish {

namespace {

std::uint16_t FrameType(Chain chain) {
  return chain == Chain::kMessages ? kFrameTypeMessage : kFrameTypeFree;
}

// Links that point at the frame itself, or a frame whose two neighbours
// are one frame, belong to a looping chain: joining them would only make a
// smaller loop.
bool LinksLoop(std::uint32_t offset, const SquishFrameHeader& frame) {
  return frame.prev == offset || frame.next == offset ||
         (frame.prev != 0 && frame.prev == frame.next);
}

}  // namespace

FrameEdit::FrameEdit(SquishDataFile& file, SquishBaseHeader& header)
    : file_(file), header_(header) {}

SquishFrameHeader* FrameEdit::Load(std::uint32_t offset, Chain chain) {
  auto found = frames_.find(offset);
  if (found == frames_.end()) {
    SquishFrameHeader header;
    if (!file_.ReadFrameHeader(offset, header)) return nullptr;
    found = frames_.emplace(offset, Entry{header, false}).first;
  }
  SquishFrameHeader& header = found->second.header;
  if (!header.HasValidId() || header.frame_type != FrameType(chain)) return nullptr;
  return &header;
}

SquishFrameHeader& FrameEdit::Put(std::uint32_t offset, const SquishFrameHeader& header) {
  Entry& entry = frames_[offset];
  entry.header = header;
  entry.changed = true;
  return entry.header;
}

bool FrameEdit::Unlink(Chain chain, std::uint32_t offset) {
  const auto self = frames_.find(offset);
  if (self == frames_.end()) return false;
  const SquishFrameHeader frame = self->second.header;
  if (LinksLoop(offset, frame)) return false;
  ChainEnds ends = Ends(chain);

  SquishFrameHeader* prev = nullptr;
  SquishFrameHeader* next = nullptr;
  // The chain's head has no previous frame and its tail no next one; in a
  // ring every frame has both.
  if ((frame.prev == 0) != (ends.first == offset)) return false;
  if ((frame.next == 0) != (ends.last == offset)) return false;
  if (frame.prev != 0) {
    prev = Load(frame.prev, chain);
    if (prev == nullptr || prev->next != offset) return false;
  }
  if (frame.next != 0) {
    next = Load(frame.next, chain);
    if (next == nullptr || next->prev != offset) return false;
  }

  if (prev != nullptr) {
    prev->next = frame.next;
    MarkChanged(frame.prev);
  } else {
    ends.first = frame.next;
  }
  if (next != nullptr) {
    next->prev = frame.prev;
    MarkChanged(frame.next);
  } else {
    ends.last = frame.prev;
  }
  SetEnds(chain, ends);
  return true;
}

bool FrameEdit::AppendToTail(Chain chain, std::uint32_t offset) {
  ChainEnds ends = Ends(chain);
  SquishFrameHeader* tail = nullptr;
  if (ends.last == 0) {
    if (ends.first != 0) return false;
  } else {
    if (ends.last == offset) return false;
    tail = Load(ends.last, chain);
    if (tail == nullptr || tail->next != 0) return false;
  }
  SquishFrameHeader& frame = frames_[offset].header;
  frame.prev = ends.last;
  frame.next = 0;
  MarkChanged(offset);
  if (tail != nullptr) {
    tail->next = offset;
    MarkChanged(ends.last);
  } else {
    ends.first = offset;
  }
  ends.last = offset;
  SetEnds(chain, ends);
  return true;
}

bool FrameEdit::TakeOver(std::uint32_t old_offset, std::uint32_t new_offset) {
  const auto old_entry = frames_.find(old_offset);
  if (old_entry == frames_.end()) return false;
  const SquishFrameHeader old = old_entry->second.header;
  if (LinksLoop(old_offset, old) || new_offset == old.prev || new_offset == old.next) return false;
  ChainEnds ends = Ends(Chain::kMessages);

  SquishFrameHeader* prev = nullptr;
  SquishFrameHeader* next = nullptr;
  if ((old.prev == 0) != (ends.first == old_offset)) return false;
  if ((old.next == 0) != (ends.last == old_offset)) return false;
  if (old.prev != 0) {
    prev = Load(old.prev, Chain::kMessages);
    if (prev == nullptr || prev->next != old_offset) return false;
  }
  if (old.next != 0) {
    next = Load(old.next, Chain::kMessages);
    if (next == nullptr || next->prev != old_offset) return false;
  }

  SquishFrameHeader& frame = frames_[new_offset].header;
  frame.prev = old.prev;
  frame.next = old.next;
  MarkChanged(new_offset);
  if (prev != nullptr) {
    prev->next = new_offset;
    MarkChanged(old.prev);
  } else {
    ends.first = new_offset;
  }
  if (next != nullptr) {
    next->prev = new_offset;
    MarkChanged(old.next);
  } else {
    ends.last = new_offset;
  }
  SetEnds(Chain::kMessages, ends);
  return true;
}

bool FrameEdit::ExtentIsSound(std::uint32_t offset, std::uint32_t frame_length) {
  const std::int64_t end = std::int64_t{offset} + kFrameHeaderSize + frame_length;
  if (!file_.Holds(std::int64_t{offset} + kFrameHeaderSize, frame_length)) return false;
  if (end == file_.Size()) return true;
  // A frame that claims more room than it has would have the message
  // written over the frame that really follows it.
  SquishFrameHeader after;
  return file_.ReadFrameHeader(static_cast<std::uint32_t>(end), after) && after.HasValidId();
}

std::optional<std::uint32_t> FrameEdit::FindFreeFrame(std::uint32_t room) {
  const ChainEnds ends = Ends(Chain::kFree);
  std::unordered_set<std::uint32_t> seen;
  std::uint32_t prev = 0;
  std::uint32_t current = ends.first;
  while (current != 0) {
    // A frame met twice means the chain loops: stop rather than go round.
    if (!seen.insert(current).second) return std::nullopt;
    const SquishFrameHeader* frame = Load(current, Chain::kFree);
    if (frame == nullptr || frame->prev != prev || LinksLoop(current, *frame)) return std::nullopt;
    if (frame->frame_length >= room && ExtentIsSound(current, frame->frame_length)) {
      // Only a frame whose successor links back can leave the chain cleanly.
      if (frame->next == 0) {
        if (ends.last != current) return std::nullopt;
      } else {
        if (ends.last == current) return std::nullopt;
        const std::uint32_t after = frame->next;
        const SquishFrameHeader* next = Load(after, Chain::kFree);
        if (next == nullptr || next->prev != current) return std::nullopt;
      }
      return current;
    }
    prev = current;
    current = frame->next;
  }
  return std::nullopt;
}

void FrameEdit::WriteChanged(std::initializer_list<std::uint32_t> skip) {
  for (auto& [offset, entry] : frames_) {
    if (!entry.changed || std::find(skip.begin(), skip.end(), offset) != skip.end()) continue;
    file_.WriteFrameHeader(offset, entry.header);
    entry.changed = false;
  }
}

void FrameEdit::WriteOne(std::uint32_t offset) {
  const auto found = frames_.find(offset);
  if (found == frames_.end() || !found->second.changed) return;
  file_.WriteFrameHeader(offset, found->second.header);
  found->second.changed = false;
}

ChainEnds FrameEdit::Ends(Chain chain) const {
  return chain == Chain::kMessages ? header_.MessageChain() : header_.FreeChain();
}

void FrameEdit::SetEnds(Chain chain, const ChainEnds& ends) {
  if (chain == Chain::kMessages) {
    header_.SetMessageChain(ends);
  } else {
    header_.SetFreeChain(ends);
  }
}

}  // namespace kestrel::squish
