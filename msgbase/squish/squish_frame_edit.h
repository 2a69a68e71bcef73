// One change of the two frame chains of a Squish data file (the message
// chain and the free chain), planned in memory first and written after.
//
// Every frame header the change touches is read once, checked and kept
// here; the chain operations change only these copies and a working copy of
// the base header. A neighbour that is not what the chain says it is (no
// frame id, the wrong frame type, a link that does not point back, an offset
// outside the file) makes the operation fail before anything is written, so
// a damaged chain is never made worse. The caller then writes the changed
// headers in the order that keeps the base readable should it stop halfway.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>

#include "msgbase/squish/squish_base_header.h"
#include "msgbase/squish/squish_data_file.h"
#include "msgbase/squish/squish_frame_header.h"

namespace kestrel::squish {

enum class Chain { kMessages, kFree };

class FrameEdit {
 public:
  // `header` is the working copy of the base header whose chain ends change.
  FrameEdit(SquishDataFile& file, SquishBaseHeader& header);

  // The frame header at `offset`, read once: null when no frame of this
  // chain's type is there (offset below the base header or outside the
  // file, a wrong frame id, another frame type).
  SquishFrameHeader* Load(std::uint32_t offset, Chain chain);
  // Adds or replaces the header of a frame this change writes.
  SquishFrameHeader& Put(std::uint32_t offset, const SquishFrameHeader& header);

  // Takes the loaded frame at `offset` out of its chain: its neighbours (or
  // the chain's ends) are joined. False, changing nothing, when the
  // neighbours do not link back to it.
  bool Unlink(Chain chain, std::uint32_t offset);
  // Makes the frame at `offset` (loaded or put) the last of the chain. False,
  // changing nothing, when the chain's tail is not a sound last frame.
  bool AppendToTail(Chain chain, std::uint32_t offset);
  // The frame put at `new_offset` takes the place in the message chain of
  // the loaded frame at `old_offset`: same neighbours, which now link to it.
  bool TakeOver(std::uint32_t old_offset, std::uint32_t new_offset);

  // The first frame of the free chain with at least `room` bytes of room
  // that lies wholly inside the file, ends where a frame header or the end
  // of the file begins (one that claims more room than it has is left
  // alone), and can be unlinked cleanly. The walk
  // stops (no frame) at the first link that is damaged or leads back to a
  // frame already seen, so a looping chain cannot hold it up.
  std::optional<std::uint32_t> FindFreeFrame(std::uint32_t room);

  // Writes the changed headers, except those at the offsets in `skip`, in
  // the order of their offsets.
  void WriteChanged(std::initializer_list<std::uint32_t> skip = {});
  // Writes one header if it was changed.
  void WriteOne(std::uint32_t offset);

 private:
  struct Entry {
    SquishFrameHeader header;
    bool changed = false;
  };

  // Whether a frame at `offset` with this frame length lies inside the file
  // and ends where the next frame header or the end of the file begins.
  bool ExtentIsSound(std::uint32_t offset, std::uint32_t frame_length);
  ChainEnds Ends(Chain chain) const;
  void SetEnds(Chain chain, const ChainEnds& ends);
  void MarkChanged(std::uint32_t offset) { frames_[offset].changed = true; }

  SquishDataFile& file_;
  SquishBaseHeader& header_;
  std::map<std::uint32_t, Entry> frames_;
};

}  // namespace kestrel::squish
