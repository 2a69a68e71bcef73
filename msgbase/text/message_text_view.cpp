#include "msgbase/text/message_text_view.h"

namespace kestrel {

MessageTextView::MessageTextView(BaseStream& stream) {
  SetBorrowedText(&stream);
}

MessageTextView::~MessageTextView() {
  SetBorrowedText(nullptr);
}

}  // namespace kestrel
