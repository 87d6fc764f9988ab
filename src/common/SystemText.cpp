#include "common/SystemText.h"

#include "common/Globals.h"

SystemText::SystemText(DWORD error) {
  constexpr DWORD kFlags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                           FORMAT_MESSAGE_FROM_SYSTEM;
  // With FORMAT_MESSAGE_ALLOCATE_BUFFER the buffer argument receives the text's address.
  char *buffer = reinterpret_cast<char *>(text_.receive());
  if (!FormatMessageA(kFlags, nullptr, error, g_languageId, buffer, 0, nullptr))
    FormatMessageA(kFlags, nullptr, error, 0, buffer, 0, nullptr);
}
