#include "script/ScriptText.h"

#include <stdio.h>
#include <string.h>

#include "common/CodePage.h"
#include "common/Guards.h"
#include "common/Log.h"
#include "common/ProgramPath.h"
#include "common/ScriptField.h"
#include "common/Utf8Text.h"
#include "script/ScriptLines.h"
#include "script/SetupScript.h"
#include "script/SourceDirectory.h"

namespace {

constexpr DWORD kMaxScriptBytes = 16u << 20;  // a larger script is left to the Setup API
// The longest field that Wine's Setup API gives back: one that long may have been cut.
constexpr DWORD kCutFieldLength = 511;
constexpr char kCopyPrefix[] = "inf";
constexpr WCHAR kByteOrderMark = 0xFEFF;
constexpr unsigned char kUtf16Mark[] = {0xFF, 0xFE};
constexpr unsigned char kUtf8Mark[] = {0xEF, 0xBB, 0xBF};
// In the order of ScriptEncoding; a code page is named with its number.
constexpr const char *kEncodingNames[] = {"the Setup API's own choice", "ASCII", "UTF-16",
                                          "UTF-8 with a byte-order mark", "UTF-8", "code page"};

// The file's bytes whole, two NULs after them, on the heap; null when it cannot be read.
char *ReadWholeFile(const char *path, DWORD *size) {
  HandleGuard file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return nullptr;
  *size = GetFileSize(file.get(), nullptr);
  if (*size == INVALID_FILE_SIZE || *size > kMaxScriptBytes) return nullptr;
  HeapGuard bytes(AllocateZeroed(*size + 2));
  DWORD read = 0;
  if (!bytes.get() || !ReadFile(file.get(), bytes.get(), *size, &read, nullptr) || read != *size)
    return nullptr;
  return bytes.release();
}

template <size_t N>
bool StartsWith(const char *bytes, DWORD size, const unsigned char (&mark)[N]) {
  return size >= N && memcmp(bytes, mark, N) == 0;
}

bool IsAscii(const char *bytes, DWORD size) {
  for (DWORD i = 0; i < size; ++i)
    if (static_cast<unsigned char>(bytes[i]) >= 0x80) return false;
  return true;
}

// How the Setup API is to read the bytes, and whether it gets a copy to read them so.
ScriptReading ClassifyScript(const char *bytes, DWORD size) {
  bool utf8Calls = NarrowCallsUseUtf8();
  if (StartsWith(bytes, size, kUtf16Mark)) return {ScriptEncoding::Utf16, 0, false};
  if (StartsWith(bytes, size, kUtf8Mark)) return {ScriptEncoding::Utf8Marked, CP_UTF8, utf8Calls};
  if (IsAscii(bytes, size)) return {ScriptEncoding::Ascii, 0, false};
  if (!utf8Calls) return {ScriptEncoding::CodePage, GetACP(), false};
  if (IsUtf8(bytes, size)) return {ScriptEncoding::Utf8, CP_UTF8, true};
  // Bytes that are no UTF-8 were written in the code page of the system, as before UTF-8.
  UINT system = SystemAnsiCodePage();
  bool known = system != 0 && system != CP_UTF8 && IsValidCodePage(system);
  return {ScriptEncoding::CodePage, known ? system : CP_UTF8, known};
}

// The text in UTF-16 without a byte-order mark, on the heap, *units long; null when it
// cannot be decoded.
WCHAR *DecodeScript(const char *bytes, DWORD size, const ScriptReading &reading, int *units) {
  bool utf16 = reading.encoding == ScriptEncoding::Utf16;
  DWORD skip = utf16 ? sizeof(kUtf16Mark)
                     : reading.encoding == ScriptEncoding::Utf8Marked ? sizeof(kUtf8Mark) : 0;
  const char *text = bytes + skip;
  int length = static_cast<int>(size - skip);
  UINT codePage = reading.codePage ? reading.codePage : CP_ACP;
  *units = utf16 ? length / static_cast<int>(sizeof(WCHAR))
                 : length ? MultiByteToWideChar(codePage, 0, text, length, nullptr, 0) : 0;
  HeapGuard wide(AllocateZeroed((static_cast<size_t>(*units) + 1) * sizeof(WCHAR)));
  WCHAR *out = reinterpret_cast<WCHAR *>(wide.get());
  if (!out || (length && !*units)) return nullptr;
  if (utf16)
    memcpy(out, text, static_cast<size_t>(*units) * sizeof(WCHAR));
  else if (length && MultiByteToWideChar(codePage, 0, text, length, out, *units) != *units)
    return nullptr;
  return reinterpret_cast<WCHAR *>(wide.release());
}

// The script's folder, where directory id 1 points, in UTF-16 and without its last backslash.
bool ScriptFolder(const char *path, WCHAR (&folder)[kTargetDirSize]) {
  char narrow[kTargetDirSize];
  lstrcpynA(narrow, path, sizeof(narrow));
  char *slash = strrchr(narrow, '\\');
  if (slash) *slash = '\0';
  else narrow[0] = '\0';
  return MultiByteToWideChar(CP_ACP, 0, narrow, -1, folder, kTargetDirSize) != 0;
}

bool WriteBlock(HANDLE file, const void *data, DWORD bytes) {
  DWORD written = 0;
  return WriteFile(file, data, bytes, &written, nullptr) && written == bytes;
}

// The text as a UTF-16 file in the temporary folder, its "%1%" naming the script's own
// folder; its path in copy.
bool WriteScriptCopy(const char *path, const WCHAR *text, int units,
                     char (&copy)[kTargetDirSize]) {
  WCHAR folder[kTargetDirSize];
  if (!ScriptFolder(path, folder)) return false;
  const char16_t *source = reinterpret_cast<const char16_t *>(text);
  const char16_t *folderText = reinterpret_cast<const char16_t *>(folder);
  size_t needed = WriteSourceDirectory(source, static_cast<size_t>(units), folderText, nullptr);
  HeapGuard rewritten(AllocateZeroed((needed + 1) * sizeof(WCHAR)));
  if (!rewritten.get()) return false;
  WriteSourceDirectory(source, static_cast<size_t>(units), folderText,
                       reinterpret_cast<char16_t *>(rewritten.get()));
  char temp[kTargetDirSize];
  if (!ReadTempFolder(temp) || !GetTempFileNameA(temp, kCopyPrefix, 0, copy)) return false;
  HandleGuard file(CreateFileA(copy, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_TEMPORARY, nullptr));
  bool written = file && WriteBlock(file.get(), &kByteOrderMark, sizeof(kByteOrderMark)) &&
                 WriteBlock(file.get(), rewritten.get(), static_cast<DWORD>(needed * sizeof(WCHAR)));
  if (written) return true;
  DWORD error = GetLastError();
  DeleteFileA(copy);
  SetLastError(error);
  return false;
}

// Reads and classifies the script; when the Setup API needs a copy, writes it to copy (empty
// otherwise, and when it cannot be written: the Setup API then reads the script itself).
void PrepareScript(const char *path, ScriptReading *reading, char (&copy)[kTargetDirSize]) {
  copy[0] = '\0';
  DWORD size = 0;
  HeapGuard bytes(ReadWholeFile(path, &size));
  if (!bytes.get()) return;
  *reading = ClassifyScript(bytes.get(), size);
  if (!reading->converted) return;
  int units = 0;
  HeapGuard wide(reinterpret_cast<char *>(DecodeScript(bytes.get(), size, *reading, &units)));
  if (!wide.get() || !WriteScriptCopy(path, reinterpret_cast<WCHAR *>(wide.get()), units, copy)) {
    LogFailure(GetLastError(), "no UTF-16 copy of the setup script %s: the Setup API reads it "
               "itself", path);
    reading->converted = false;
    copy[0] = '\0';
  }
}

}  // namespace

HINF OpenScriptFile(const char *path, UINT *errorLine, ScriptReading *reading) {
  *errorLine = 0;
  *reading = {ScriptEncoding::Unread, 0, false};
  char copy[kTargetDirSize];
  PrepareScript(path, reading, copy);
  // The Setup API holds the whole text once it has opened it: the copy goes at once.
  HINF inf = SetupOpenInfFileA(copy[0] ? copy : path, nullptr, INF_STYLE_WIN4, errorLine);
  if (copy[0]) {
    DWORD error = GetLastError();
    DeleteFileA(copy);
    SetLastError(error);
  }
  return inf;
}

bool LoadScriptText(const char *path, ScriptText *script, ScriptReading *reading) {
  ScriptReading ignored;
  if (!reading) reading = &ignored;
  *reading = {ScriptEncoding::Unread, 0, false};
  DWORD size = 0;
  HeapGuard bytes(ReadWholeFile(path, &size));
  if (!bytes.get() || size == 0) return false;
  *reading = ClassifyScript(bytes.get(), size);
  int units = 0;
  HeapGuard wide(reinterpret_cast<char *>(DecodeScript(bytes.get(), size, *reading, &units)));
  if (!wide.get()) return false;
  const WCHAR *text = reinterpret_cast<WCHAR *>(wide.get());
  int narrow = units ? WideCharToMultiByte(CP_ACP, 0, text, units, nullptr, 0, nullptr, nullptr) : 0;
  char *block = AllocateZeroed(static_cast<size_t>(narrow) + 1);
  *script->block.receive() = block;
  if (!block ||
      WideCharToMultiByte(CP_ACP, 0, text, units, block, narrow, nullptr, nullptr) != narrow)
    return false;
  script->text = block;
  script->length = static_cast<size_t>(narrow);
  return true;
}

void DescribeEncoding(const ScriptReading &reading, char (&text)[kFieldSize]) {
  if (reading.encoding == ScriptEncoding::CodePage)
    snprintf(text, sizeof(text), "code page %u", reading.codePage);
  else
    lstrcpynA(text, kEncodingNames[static_cast<int>(reading.encoding)], sizeof(text));
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
