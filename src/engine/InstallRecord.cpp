#include "engine/InstallRecord.h"

#include <stdio.h>
#include <string.h>

#include "common/Guards.h"
#include "common/Log.h"
#include "common/PathText.h"
#include "engine/QueuePaths.h"
#include "script/UninstallCommand.h"
#include "script/UninstallValues.h"

namespace {

constexpr char kRecordName[] = ".install-record.txt";
constexpr char kLineEnd[] = "\r\n";
// Characters that a file name cannot hold stand as this in the record's name.
constexpr char kNameStandIn = '_';

bool FitsFileName(char c) {
  return static_cast<unsigned char>(c) >= ' ' && !strchr("\\/:*?\"<>|", c);
}

// Adds the text of one line to the record's lists; lines of other words are for people.
bool ReadLine(ProductRecord *record, const char *word, size_t wordLength, const char *text) {
  struct Kind {
    const char *word;
    PathSet *set;
    GrowingList *list;
  };
  const Kind kinds[] = {{kRecordFile, &record->files, nullptr},
                        {kRecordReplaced, &record->replaced, nullptr},
                        {kRecordFolder, nullptr, &record->folders},
                        {kRecordBackup, nullptr, &record->backups}};
  for (const Kind &kind : kinds) {
    if (strlen(kind.word) != wordLength || strncmp(kind.word, word, wordLength) != 0) continue;
    return kind.set ? PathSetAppend(kind.set, text) : ListAppendGrowing(kind.list, text);
  }
  return true;
}

}  // namespace

bool ReadProductRecord(const char *path, ProductRecord *record) {
  *record = ProductRecord();
  HandleGuard file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return true;
  record->present = true;
  DWORD size = GetFileSize(file.get(), nullptr);
  HeapGuard text(AllocateZeroed(size + 1));
  DWORD read = 0;
  if (size == INVALID_FILE_SIZE || !text.get() ||
      !ReadFile(file.get(), text.get(), size, &read, nullptr))
    return false;
  bool complete = true;
  for (char *line = text.get(); *line;) {
    char *end = line + strcspn(line, "\r\n");
    char *next = end + strspn(end, "\r\n");
    *end = '\0';
    const char *blank = strchr(line, ' ');
    if (blank && blank[1])
      complete = ReadLine(record, line, static_cast<size_t>(blank - line), blank + 1) && complete;
    line = next;
  }
  return complete && PathSetSort(&record->files) && PathSetSort(&record->replaced);
}

void FreeProductRecord(ProductRecord *record) {
  PathSetFree(&record->files);
  PathSetFree(&record->replaced);
  ListFree(&record->folders);
  ListFree(&record->backups);
}

bool RecordPathOf(const char *setupPath, const char *key, char (&path)[kTargetDirSize]) {
  char folder[kTargetDirSize];
  char name[kTargetDirSize];
  int length = snprintf(name, sizeof(name), "%s%s", key, kRecordName);
  if (length <= 0 || static_cast<size_t>(length) >= sizeof(name)) return false;
  for (char *c = name; *c; ++c)
    if (!FitsFileName(*c)) *c = kNameStandIn;
  return FileDirectory(folder, sizeof(folder), setupPath) &&
         JoinPath(path, folder, name);
}

bool InstalledRecordPath(const char *key, char (&path)[kTargetDirSize]) {
  char command[kTargetDirSize];
  char program[kTargetDirSize];
  return ReadUninstallValue(key, kUninstallStringValue, command, sizeof(command)) &&
         UninstallCommandProgram(program, sizeof(program), command) &&
         RecordPathOf(program, key, path);
}

bool BackupPathOf(const char *file, char (&backup)[kTargetDirSize]) {
  int length = snprintf(backup, sizeof(backup), "%s%s", file, kBackupSuffix);
  return length > 0 && static_cast<size_t>(length) < sizeof(backup);
}

bool FileOfBackup(const char *backup, char (&file)[kTargetDirSize]) {
  size_t size = strlen(backup), suffix = sizeof(kBackupSuffix) - 1;
  if (size <= suffix || size - suffix >= sizeof(file) ||
      !SamePath(backup + size - suffix, kBackupSuffix))
    return false;
  memcpy(file, backup, size - suffix);
  file[size - suffix] = '\0';
  return true;
}

bool PutBackInterruptedCopy(const char *backup) {
  char file[kTargetDirSize];
  if (!FileOfBackup(backup, file) || GetFileAttributesA(file) != INVALID_FILE_ATTRIBUTES ||
      !MoveFileA(backup, file))
    return false;
  LogLine("put back what an interrupted install kept aside: %s", file);
  return true;
}

bool OpenRecordFile(RecordFile *record, const char *path, const char *key) {
  lstrcpynA(record->path, path, sizeof(record->path));
  record->file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (record->file == INVALID_HANDLE_VALUE) return false;
  record->keptSize = GetFileSize(record->file, nullptr);
  if (record->keptSize == INVALID_FILE_SIZE) record->keptSize = 0;
  SetFilePointer(record->file, 0, nullptr, FILE_END);
  if (record->keptSize == 0)
    WriteRecordLine(record, "install record of", key);
  SYSTEMTIME now;
  GetLocalTime(&now);
  char when[32];
  snprintf(when, sizeof(when), "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay,
           now.wHour, now.wMinute, now.wSecond);
  WriteRecordLine(record, "install started", when);
  return true;
}

void WriteRecordLine(RecordFile *record, const char *word, const char *text) {
  if (!record->file || record->file == INVALID_HANDLE_VALUE) return;
  // One write per line: a run that is killed leaves whole lines, and at most one cut short.
  char line[kTargetDirSize * 2];
  int length = snprintf(line, sizeof(line), "%s %s%s", word, text, kLineEnd);
  if (length <= 0 || static_cast<size_t>(length) >= sizeof(line)) return;
  DWORD written = 0;
  WriteFile(record->file, line, static_cast<DWORD>(length), &written, nullptr);
}

namespace {

// Keeps the record's first line, which names the product, and the run's lines from kept on,
// but not the copies the run kept aside, which are gone once it succeeded: the record then
// says what the machine holds after this run.
void KeepLastRun(HANDLE file, DWORD kept) {
  DWORD size = GetFileSize(file, nullptr);
  HeapGuard text(AllocateZeroed(size + 1));
  DWORD read = 0;
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  if (size == INVALID_FILE_SIZE || kept > size || !text.get() ||
      !ReadFile(file, text.get(), size, &read, nullptr) || read != size)
    return;
  char *end = strstr(text.get(), kLineEnd);
  if (!end) return;
  char *out = end + sizeof(kLineEnd) - 1;
  const char *line = kept ? text.get() + kept : out;
  while (*line) {
    const char *next = strstr(line, kLineEnd);
    next = next ? next + sizeof(kLineEnd) - 1 : line + strlen(line);
    bool backup = !strncmp(line, kRecordBackup, sizeof(kRecordBackup) - 1) &&
                  line[sizeof(kRecordBackup) - 1] == ' ';
    if (!backup) {
      memmove(out, line, static_cast<size_t>(next - line));
      out += next - line;
    }
    line = next;
  }
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  DWORD written = 0;
  WriteFile(file, text.get(), static_cast<DWORD>(out - text.get()), &written, nullptr);
  SetEndOfFile(file);
}

}  // namespace

void CloseRecordFile(RecordFile *record, bool succeeded) {
  HANDLE file = record->file;
  record->file = INVALID_HANDLE_VALUE;
  if (!file || file == INVALID_HANDLE_VALUE) return;
  if (succeeded) {
    KeepLastRun(file, record->keptSize);
  } else {
    SetFilePointer(file, static_cast<LONG>(record->keptSize), nullptr, FILE_BEGIN);
    SetEndOfFile(file);
  }
  CloseHandle(file);
  if (!succeeded && !record->keptSize) DeleteFileA(record->path);
}
