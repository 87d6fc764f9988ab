#include "script/ScriptText.h"

#include "common/ScriptField.h"
#include "script/ScriptLines.h"
#include "script/SetupScript.h"

namespace {

constexpr DWORD kMaxScriptBytes = 16u << 20;
// The longest field that Wine's Setup API gives back: one that long may have been cut.
constexpr DWORD kCutFieldLength = 511;

// One heap block holds the file's bytes, room for a UTF-16 copy, and the text in the code
// page of the "A" calls.
struct TextBlock {
  size_t wide;   // offset of the UTF-16 copy, even
  size_t bytes;  // offset of the file's bytes
  size_t total;
};

TextBlock LayTextBlock(DWORD size) {
  size_t wide = (static_cast<size_t>(size) + 2) & ~static_cast<size_t>(1);
  size_t bytes = wide + 2 * static_cast<size_t>(size);
  return {wide, bytes, bytes + size + 2};
}

// The text of the bytes: they themselves, or UTF-16 or UTF-8 with a byte-order mark
// converted into the block's start.
const char *DecodeScriptText(char *block, DWORD size, size_t *length) {
  TextBlock layout = LayTextBlock(size);
  char *bytes = block + layout.bytes;
  WCHAR *wide = reinterpret_cast<WCHAR *>(block + layout.wide);
  const unsigned char *mark = reinterpret_cast<const unsigned char *>(bytes);
  int wideLength = 0;
  if (size >= 2 && mark[0] == 0xFF && mark[1] == 0xFE) {
    wide = reinterpret_cast<WCHAR *>(bytes + 2);
    wideLength = static_cast<int>((size - 2) / 2);
  } else if (size >= 3 && mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF) {
    wideLength = MultiByteToWideChar(CP_UTF8, 0, bytes + 3, static_cast<int>(size - 3), wide,
                                     static_cast<int>(size));
  } else {
    *length = size;
    return bytes;
  }
  int narrow = WideCharToMultiByte(CP_ACP, 0, wide, wideLength, block, static_cast<int>(size),
                                   nullptr, nullptr);
  *length = narrow > 0 ? static_cast<size_t>(narrow) : 0;
  return block;
}

}  // namespace

bool LoadScriptText(const char *path, ScriptText *script) {
  HandleGuard file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD size = GetFileSize(file.get(), nullptr);
  if (size == 0 || size == INVALID_FILE_SIZE || size > kMaxScriptBytes) return false;
  char *block = AllocateZeroed(LayTextBlock(size).total);
  *script->block.receive() = block;
  DWORD read = 0;
  if (!block || !ReadFile(file.get(), block + LayTextBlock(size).bytes, size, &read, nullptr) ||
      read != size)
    return false;
  script->text = DecodeScriptText(block, size, &script->length);
  return true;
}

DWORD ReadLongField(INFCONTEXT *line, const char *section, DWORD field, char *buffer,
                    DWORD size, const char *text, size_t length) {
  if (size == 0) return 0;
  buffer[0] = '\0';
  DWORD needed = 0;
  if (!SetupGetStringFieldA(line, field, nullptr, 0, &needed)) return 0;
  if (needed == kCutFieldLength + 1) {
    ScriptText loaded;
    char path[kTargetDirSize];
    if (!text) {
      SetupScriptPath(path);
      LoadScriptText(path, &loaded);
      text = loaded.text;
      length = loaded.length;
    }
    const char *begin = FindScriptLineText(text, length, section, static_cast<int>(line->Line));
    bool percent = false;
    long whole = begin ? ScriptLineField(begin, text + length, field, buffer, size, &percent) : -1;
    if (whole >= 0 && !percent) {
      if (static_cast<DWORD>(whole) >= size) buffer[0] = '\0';
      return static_cast<DWORD>(whole) + 1;
    }
  }
  if (needed > size) return needed;
  return ReadField(line, field, buffer, size) ? needed : 0;
}
