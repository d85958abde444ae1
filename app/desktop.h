// The desktop seam: what the song lookup needs of the window system. The Qt window
// and the Win32 window provide it, and the tests provide a fake.
#pragma once

#include "text/text.h"

namespace ximing {

class Desktop {
 public:
  virtual ~Desktop() = default;

  // The current content of the song-number edit box, in code page 936.
  virtual Text songNumber() = 0;

  // Shows `text` in an application-modal message box captioned "信息：" with one OK
  // button, and returns when the user has dismissed it.
  virtual void showMessage(const Text& text) = 0;

  // Replaces the clipboard's content with `text` (code page 936). Answers whether the
  // clipboard now holds it; when it does not, what was there may be gone.
  virtual bool setClipboardText(const Text& text) = 0;

  // Dispatches every window event that is waiting, never waiting for new ones.
  // Answers false once the window has been closed and the program is ending.
  virtual bool processPendingEvents() = 0;
};

}  // namespace ximing
