// The restart schedule: deletions added for files in use, and deletions cancelled for what a
// run has just put in place. A removal schedules its own running setup.exe and the folder
// after it; an install before the restart must not lose them to that schedule.
#include "engine/RestartSchedule.h"

#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "common/AsciiCase.h"
#include "common/CodePage.h"
#include "common/Globals.h"
#include "common/Guards.h"
#include "common/KeyList.h"
#include "common/Log.h"
#include "common/Platform.h"
#include "engine/QueuePaths.h"
#include "engine/RenameSection.h"

// The scheduled deletions as paths of the program's code page, with a mark for each one that
// a file put in place by the run has noted.
struct PendingDeletions {
  char *paths;  // each ended by a NUL, the list by an empty path
  size_t size;
  unsigned char *noted;
  int count;
  bool anyNoted;
};

namespace {

// The schedule of the NT family is read and written in its own UTF-16: a round trip through
// the code page would turn another program's path with a character outside it into "?".
constexpr WCHAR kSessionManager[] = L"System\\CurrentControlSet\\Control\\Session Manager";
constexpr WCHAR kPendingValue[] = L"PendingFileRenameOperations";
constexpr int kValueReadTries = 3;  // the value may grow between asking its size and reading it

constexpr char kRenameSection[] = "Rename";
constexpr char kWininitName[] = "\\wininit.ini";
constexpr char kDeleteKey[] = "NUL=";
constexpr DWORD kRenameReadSize = 1024;          // first read of the "Rename" section
constexpr DWORD kRenameReadLimit = 1024 * 1024;  // a larger section is left alone, never cut

// ---- The NT family: PendingFileRenameOperations ---------------------------------------------

// The value read whole into a zeroed block with room for two NULs behind it, so that a value
// stored without its terminators still ends; *chars counts its WCHARs. NULL when there is none.
WCHAR *ReadScheduleValue(HKEY key, DWORD *type, DWORD *chars) {
  for (int attempt = 0; attempt < kValueReadTries; ++attempt) {
    DWORD bytes = 0;
    if (RegQueryValueExW(key, kPendingValue, nullptr, type, nullptr, &bytes) != ERROR_SUCCESS ||
        bytes == 0)
      return nullptr;
    char *block = AllocateZeroed(bytes + 2 * sizeof(WCHAR));
    if (!block) return nullptr;
    LONG result = RegQueryValueExW(key, kPendingValue, nullptr, type,
                                   reinterpret_cast<BYTE *>(block), &bytes);
    if (result == ERROR_SUCCESS) {
      *chars = bytes / sizeof(WCHAR);
      return reinterpret_cast<WCHAR *>(block);
    }
    free(block);
    if (result != ERROR_MORE_DATA) return nullptr;
  }
  return nullptr;
}

// The text after this one, or end.
const WCHAR *NextText(const WCHAR *text, const WCHAR *end) {
  while (text < end && *text) ++text;
  return text < end ? text + 1 : end;
}

// Calls visit(source, target, narrow source or NULL) for each pair of the value, in order.
template <typename Visit>
void ForEachPair(const WCHAR *value, DWORD chars, Visit visit) {
  const WCHAR *end = value + chars;
  for (const WCHAR *source = value; source < end && *source;) {
    const WCHAR *target = NextText(source, end);
    char narrow[kTargetDirSize];
    // A path that does not convert exactly was never written by this program and can match
    // none of its files.
    visit(source, target,
          NarrowExactly(source, narrow, sizeof(narrow)) ? SkipScheduledPrefix(narrow) : nullptr);
    source = NextText(target, end);
  }
}

bool OpenSessionManager(REGSAM access, RegKeyGuard *key) {
  return RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, access, key->receive()) ==
         ERROR_SUCCESS;
}

void CollectFromRegistry(PendingDeletions *pending) {
  RegKeyGuard key;
  if (!OpenSessionManager(KEY_QUERY_VALUE, &key)) return;
  DWORD type = 0, chars = 0;
  HeapGuard value(reinterpret_cast<char *>(ReadScheduleValue(key.get(), &type, &chars)));
  if (!value.get()) return;
  // A narrow path takes at most three bytes for each character of its wide form (in UTF-8).
  pending->size = chars * 3 + 2;
  pending->paths = AllocateZeroed(pending->size);
  if (!pending->paths) return;
  ForEachPair(reinterpret_cast<WCHAR *>(value.get()), chars,
              [&](const WCHAR *, const WCHAR *target, const char *narrow) {
                if (!*target && narrow) ListAppend(pending->paths, pending->size, narrow, 0);
              });
}

// ---- Windows 9x: wininit.ini -----------------------------------------------------------------

bool WininitPath(char (&path)[kTargetDirSize]) {
  UINT length = GetWindowsDirectoryA(path, sizeof(path));
  if (length == 0 || length + sizeof(kWininitName) > sizeof(path)) return false;
  memcpy(path + length, kWininitName, sizeof(kWininitName));
  return true;
}

// The "Rename" section of wininit.ini (whose path goes to wininit) read whole into a block
// with room for extra more bytes; *length is the section's length without its final NUL.
// NULL when it cannot be read whole.
char *ReadRenameSection(char (&wininit)[kTargetDirSize], size_t extra, DWORD *length) {
  if (!WininitPath(wininit)) return nullptr;
  for (DWORD readSize = kRenameReadSize; readSize <= kRenameReadLimit; readSize *= 2) {
    char *section = AllocateZeroed(readSize + extra);
    if (!section) return nullptr;
    *length = GetPrivateProfileSectionA(kRenameSection, section, readSize, wininit);
    if (!ProfileSectionMayBeCut(*length, readSize)) return section;
    free(section);
  }
  return nullptr;
}

// The path of a "NUL=" line, or NULL for any other line.
const char *DeletedByLine(const char *line) {
  return SameAsciiPrefix(line, kDeleteKey, sizeof(kDeleteKey) - 1) ? line + sizeof(kDeleteKey) - 1
                                                                   : nullptr;
}

void CollectFromWininit(PendingDeletions *pending) {
  char wininit[kTargetDirSize];
  DWORD length = 0;
  HeapGuard section(ReadRenameSection(wininit, 0, &length));
  if (!section.get()) return;
  pending->size = length + 2;
  pending->paths = AllocateZeroed(pending->size);
  if (!pending->paths) return;
  for (const char *line = section.get(); *line; line = ListNext(line)) {
    const char *path = DeletedByLine(line);
    if (path) ListAppend(pending->paths, pending->size, path, 0);
  }
}

// ---- Cancelling ------------------------------------------------------------------------------

bool IsNoted(const PendingDeletions *pending, const char *scheduled) {
  int index = 0;
  for (const char *path = pending->paths; *path; path = ListNext(path), ++index)
    if (pending->noted[index] && SamePath(path, scheduled)) return true;
  return false;
}

void LogCancelled(const char *path) {
  LogLine("%s is no longer deleted at the next restart: this run put it in place", path);
}

// Copies a text with its NUL to out; returns the position after it.
WCHAR *CopyText(WCHAR *out, const WCHAR *text) {
  size_t length = wcslen(text) + 1;
  memcpy(out, text, length * sizeof(WCHAR));
  return out + length;
}

// Rewrites the value without the noted deletions; the pairs that stay keep their order and
// their exact text.
void CancelInRegistry(const PendingDeletions *pending) {
  RegKeyGuard key;
  if (!OpenSessionManager(KEY_QUERY_VALUE | KEY_SET_VALUE, &key)) return;
  DWORD type = 0, chars = 0;
  HeapGuard value(reinterpret_cast<char *>(ReadScheduleValue(key.get(), &type, &chars)));
  if (!value.get()) return;
  HeapGuard kept(AllocateZeroed((chars + 2) * sizeof(WCHAR)));
  if (!kept.get()) return;
  WCHAR *out = reinterpret_cast<WCHAR *>(kept.get());
  bool cancelled = false;
  ForEachPair(reinterpret_cast<WCHAR *>(value.get()), chars,
              [&](const WCHAR *source, const WCHAR *target, const char *narrow) {
                if (!*target && narrow && IsNoted(pending, narrow)) {
                  LogCancelled(narrow);
                  cancelled = true;
                  return;
                }
                out = CopyText(out, source);
                out = CopyText(out, target);
              });
  if (!cancelled) return;
  *out++ = L'\0';
  DWORD bytes = static_cast<DWORD>((out - reinterpret_cast<WCHAR *>(kept.get())) * sizeof(WCHAR));
  if (bytes == sizeof(WCHAR))
    RegDeleteValueW(key.get(), kPendingValue);
  else
    RegSetValueExW(key.get(), kPendingValue, 0, type, reinterpret_cast<BYTE *>(kept.get()), bytes);
}

// Rewrites the "Rename" section without the noted "NUL=" lines; the other lines stay in order.
void CancelInWininit(const PendingDeletions *pending) {
  char wininit[kTargetDirSize];
  DWORD length = 0;
  HeapGuard section(ReadRenameSection(wininit, 0, &length));
  if (!section.get()) return;
  char *out = section.get();
  for (const char *line = section.get(); *line;) {
    const char *next = ListNext(line);
    const char *path = DeletedByLine(line);
    if (path && IsNoted(pending, path)) {
      LogCancelled(path);
    } else {
      memmove(out, line, static_cast<size_t>(next - line));
      out += next - line;
    }
    line = next;
  }
  *out = '\0';
  if (out == section.get())
    WritePrivateProfileStringA(kRenameSection, nullptr, nullptr, wininit);
  else
    WritePrivateProfileSectionA(kRenameSection, section.get(), wininit);
}

void FreePending(PendingDeletions *pending) {
  free(pending->paths);
  free(pending->noted);
  free(pending);
}

}  // namespace

PendingDeletions *ReadPendingDeletions() {
  PendingDeletions *pending =
      reinterpret_cast<PendingDeletions *>(AllocateZeroed(sizeof(PendingDeletions)));
  if (!pending) return nullptr;
  if (IsWin9xFamily())
    CollectFromWininit(pending);
  else
    CollectFromRegistry(pending);
  pending->count = pending->paths ? ListCount(pending->paths) : 0;
  if (pending->count > 0)
    pending->noted = reinterpret_cast<unsigned char *>(AllocateZeroed(pending->count));
  if (!pending->noted) {
    FreePending(pending);
    return nullptr;
  }
  LogLine("the restart schedule holds %d deletion(s)", pending->count);
  return pending;
}

bool IsDeletedAtRestart(const PendingDeletions *pending, const char *path) {
  if (!pending) return false;
  for (const char *scheduled = pending->paths; *scheduled; scheduled = ListNext(scheduled))
    if (SamePath(scheduled, path)) return true;
  return false;
}

void NotePutInPlace(PendingDeletions *pending, const char *path) {
  if (!pending) return;
  // Windows 9x schedules by the short path.
  char shortPath[kTargetDirSize];
  DWORD shortLength = GetShortPathNameA(path, shortPath, sizeof(shortPath));
  bool hasShort = shortLength != 0 && shortLength < sizeof(shortPath);
  int index = 0;
  for (const char *scheduled = pending->paths; *scheduled; scheduled = ListNext(scheduled), ++index) {
    if (!DeletionTakesPath(scheduled, path) &&
        !(hasShort && DeletionTakesPath(scheduled, shortPath)))
      continue;
    pending->noted[index] = 1;
    pending->anyNoted = true;
  }
}

void CancelNotedDeletions(PendingDeletions *pending) {
  if (!pending) return;
  if (pending->anyNoted) {
    if (IsWin9xFamily())
      CancelInWininit(pending);
    else
      CancelInRegistry(pending);
  }
  FreePending(pending);
}

bool ScheduleDeletionInWininit(const char *path) {
  char shortPath[kTargetDirSize];
  DWORD shortLength = GetShortPathNameA(path, shortPath, sizeof(shortPath));
  if (shortLength == 0 || shortLength >= sizeof(shortPath)) return false;
  char wininit[kTargetDirSize];
  DWORD length = 0;
  size_t lineSize = RenameSectionSizeWith(0, shortPath);
  HeapGuard section(ReadRenameSection(wininit, lineSize, &length));
  // The read filled at most all but lineSize bytes of the block, with the section's NULs.
  return section.get() &&
         AppendRenameLine(section.get(), length, length + lineSize, shortPath) &&
         WritePrivateProfileSectionA(kRenameSection, section.get(), wininit);
}
