// The system's text for an error code, as FormatMessageA gives it (its line end included).
#pragma once
#include <windows.h>

#include "common/Guards.h"

// In the pages' language where the system has it, else in the system's own: a reason in
// another language helps more than none. get() is NULL when the system has no text.
class SystemText {
 public:
  explicit SystemText(DWORD error);
  char *get() const { return text_.get(); }

 private:
  LocalGuard text_;
};
