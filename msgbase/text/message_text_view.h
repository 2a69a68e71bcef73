// Line reading over a stream this object does not own.
//
// A `MessageTextView` is a `MessageBase` whose text is a stream borrowed
// from its creator (for example an open *.MSG file): the shared line reader
// (`GetTextLineZ`, `GetTextLine`, `EndOfText`, ...) works on any stream that
// can seek, read and report its position and size. The view never disposes
// the stream; its creator keeps it alive while the view is used. Operations
// that only a format provides raise run-time failure 217, as on a plain
// `MessageBase`.
#pragma once

#include "msgbase/message_base.h"

namespace kestrel {

class MessageTextView : public MessageBase {
 public:
  // InitTextView: an empty object reading `stream`.
  explicit MessageTextView(BaseStream& stream);
  // Lets go of the stream without disposing it.
  ~MessageTextView() override;
};

}  // namespace kestrel
