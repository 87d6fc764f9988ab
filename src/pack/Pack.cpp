#include "pack/Pack.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "check/Check.h"
#include "common/ExitCode.h"
#include "common/Guards.h"
#include "common/Log.h"
#include "common/PathText.h"
#include "common/Platform.h"
#include "common/ProgramPath.h"
#include "common/SystemText.h"
#include "pack/Cabinet.h"
#include "pack/PrivateCopy.h"
#include "script/SetupCopy.h"
#include "script/SetupScript.h"

namespace {

constexpr DWORD kCopyBlockSize = 64 * 1024;
constexpr char kMediaStoreName[] = "stored";  // beside the media folder in a run's own folder
constexpr char kStoredOption[] = " /stored:\"";
constexpr int kSayLineSize = 2 * kTargetDirSize + kFieldSize;

// A line for the packager or the administrator, to the console and the log; with an error,
// the system's text for it follows.
void Say(HANDLE console, DWORD error, const char *format, ...) {
  char line[kSayLineSize];
  va_list arguments;
  va_start(arguments, format);
  int length = vsnprintf(line, sizeof(line), format, arguments);
  va_end(arguments);
  SystemText reason(error);
  if (error && length >= 0 && length < static_cast<int>(sizeof(line)))
    snprintf(line + length, sizeof(line) - length, ": %s",
             reason.get() ? reason.get() : "unknown error");
  char *end = line + strlen(line);
  while (end > line && (end[-1] == '\n' || end[-1] == '\r')) *--end = '\0';
  WriteOutputLine(console, line);
}

bool SeekTo(HANDLE file, DWORD offset) {
  return SetFilePointer(file, static_cast<LONG>(offset), nullptr, FILE_BEGIN) == offset;
}

// The start of a program file and its layout.
bool ReadLayout(HANDLE file, unsigned char (&head)[kProgramHeadSize], DWORD *length,
                ProgramLayout *layout) {
  if (!SeekTo(file, 0) || !ReadFile(file, head, sizeof(head), length, nullptr)) return false;
  if (ReadProgramLayout(head, *length, layout)) return true;
  SetLastError(ERROR_BAD_EXE_FORMAT);
  return false;
}

// Copies count bytes from the position of from to to (NULL: only reads them), going on with
// the CRC-32 of what passed.
bool CopyBytes(HANDLE from, HANDLE to, DWORD count, uint32_t *crc) {
  char block[kCopyBlockSize];
  while (count) {
    DWORD chunk = count < sizeof(block) ? count : sizeof(block), done = 0;
    if (!ReadFile(from, block, chunk, &done, nullptr)) return false;
    if (done != chunk) {
      SetLastError(ERROR_HANDLE_EOF);
      return false;
    }
    if (to && (!WriteFile(to, block, chunk, &done, nullptr) || done != chunk)) return false;
    *crc = UpdateCrc32(*crc, block, chunk);
    count -= chunk;
  }
  return true;
}

bool WriteBytes(HANDLE file, const void *bytes, DWORD count) {
  DWORD done = 0;
  return WriteFile(file, bytes, count, &done, nullptr) && done == count;
}

// The packed file: a copy of the program whose image loses the program's own signature (the
// packed file's takes its place), then the header, the program's record and what followed its
// image, the cabinet, and zeros to the alignment.
bool WritePackedProgram(const char *out, const char *program, const char *cabinet,
                        DWORD *size) {
  unsigned char head[kProgramHeadSize], header[kPackHeaderSize], record[kProgramRecordSize];
  DWORD headLength = 0;
  ProgramLayout layout;
  uint32_t crc = 0;
  if (!CopyFileA(program, out, FALSE)) return false;
  HandleGuard output(CreateFileA(out, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  HandleGuard original(CreateFileA(program, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  HandleGuard media(CreateFileA(cabinet, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!output || !original || !media || !ReadLayout(output.get(), head, &headLength, &layout))
    return false;
  DWORD programSize = GetFileSize(original.get(), nullptr);
  FILETIME written;
  if (!GetFileTime(original.get(), nullptr, nullptr, &written)) return false;
  if (!WriteProgramRecord(record, head, layout, programSize, FileTimeValue(written))) {
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return false;
  }
  memset(head + layout.checksumEntry, 0, sizeof(DWORD));
  if (layout.securityEntry) memset(head + layout.securityEntry, 0, 2 * sizeof(DWORD));
  DWORD tailSize = programSize - layout.imageEnd, cabinetSize = GetFileSize(media.get(), nullptr);
  DWORD mediaSize = kProgramRecordSize + tailSize + cabinetSize;
  *size = layout.imageEnd + kPackHeaderSize + mediaSize;
  *size += (kPackAlignment - *size % kPackAlignment) % kPackAlignment;
  crc = UpdateCrc32(crc, record, sizeof(record));
  // Growing the file by its end gives the padding its zeros.
  if (!SeekTo(output.get(), 0) || !WriteBytes(output.get(), head, headLength) ||
      !SeekTo(output.get(), layout.imageEnd + kPackHeaderSize) ||
      !WriteBytes(output.get(), record, sizeof(record)) ||
      !SeekTo(original.get(), layout.imageEnd) ||
      !CopyBytes(original.get(), output.get(), tailSize, &crc) ||
      !CopyBytes(media.get(), output.get(), cabinetSize, &crc) ||
      !SeekTo(output.get(), *size) || !SetEndOfFile(output.get()) ||
      !SeekTo(output.get(), layout.imageEnd))
    return false;
  WritePackHeader(header, mediaSize, crc);
  return WriteBytes(output.get(), header, kPackHeaderSize);
}

// The media's files once each, sorted, without setup.exe, which the packed file's image gives
// back; false when memory ran out.
bool ListMediaFiles(ScriptMedia *media, int *count) {
  if (!PathSetAppend(&media->files, kSetupScriptName) || !PathSetSort(&media->files))
    return false;
  const char **names = media->files.sorted;
  *count = 0;
  for (int i = 0; i < media->files.paths.count; ++i)
    if ((*count == 0 || !SamePath(names[*count - 1], names[i])) &&
        !SamePath(names[i], kSetupProgramName))
      names[(*count)++] = names[i];
  return true;
}

// Whether a run only copies the file of the media: it is not the script, no file that the run
// reads as one, and not named in a program's arguments. No file is when the run starts a
// program of the media, which may read any of them.
bool OnlyCopied(const ScriptMedia &media, const char *name) {
  if (media.runsMediaProgram || SamePath(name, kSetupScriptName) ||
      PathSetHas(&media.readAsFiles, name))
    return false;
  const char *slash = strrchr(name, '\\');
  const char *base = slash ? slash + 1 : name;
  size_t length = strlen(base);
  for (const char *text = media.arguments.text; text && *text; text += strlen(text) + 1)
    for (const char *at = text; *at; ++at)
      if (!_strnicmp(at, base, length)) return false;
  return true;
}

// The cabinet of the media in a private work folder, then the packed file.
bool WritePack(ScriptMedia *media, int count, DWORD *size) {
  char work[kTargetDirSize], cabinet[kTargetDirSize], program[kTargetDirSize];
  HANDLE inUse = nullptr;
  HeapGuard copiedOnly(static_cast<char *>(calloc(count ? count : 1, 1)));
  if (!copiedOnly) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  PathSetSort(&media->readAsFiles);
  for (int i = 0; i < count; ++i) copiedOnly.get()[i] = OnlyCopied(*media, media->files.sorted[i]);
  if (!MakeMarkedFolder(work, &inUse)) return false;
  bool written = WriteMediaCabinet(work, media->folder, media->files.sorted, copiedOnly.get(),
                                   count) &&
                 JoinPath(cabinet, work, kMediaCabinetName) &&
                 JoinPath(program, media->folder, kSetupProgramName) &&
                 WritePackedProgram(g_packPath, program, cabinet, size);
  DWORD error = GetLastError();
  RemoveMarkedFolder(work, inUse);
  SetLastError(error);
  return written;
}

// Whether the media's bytes in file have the CRC-32 that the header gives them.
bool MediaAreWhole(HANDLE file, const PackPlace &place) {
  uint32_t crc = 0;
  return SeekTo(file, place.mediaStart) && CopyBytes(file, nullptr, place.mediaSize, &crc) &&
         crc == place.mediaCrc;
}

// The record that opens the media, which the check has found whole.
bool ReadMediaRecord(HANDLE file, const PackPlace &place,
                     unsigned char (&record)[kProgramRecordSize], ProgramRecord *program) {
  DWORD done = 0;
  if (!SeekTo(file, place.mediaStart) ||
      !ReadFile(file, record, sizeof(record), &done, nullptr) || done != sizeof(record) ||
      !ReadProgramRecord(record, place.mediaSize, program)) {
    SetLastError(ERROR_CRC);
    return false;
  }
  return true;
}

// The media's setup.exe made again from the image in front and the record: the image's head
// with the record's bytes put back, the rest of the image, what followed it, and its date.
bool WriteMediaProgram(HANDLE file, const PackedMedia &media,
                       const unsigned char (&record)[kProgramRecordSize],
                       const ProgramRecord &program, const char *path) {
  unsigned char head[kProgramHeadSize];
  DWORD headLength = 0;
  ProgramLayout layout;
  uint32_t unchecked = 0;
  if (!ReadLayout(file, head, &headLength, &layout)) return false;
  RestoreProgramHead(head, layout, record);
  HandleGuard copy(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  FILETIME written = FileTimeOf(program.written);
  return copy && WriteBytes(copy.get(), head, headLength) &&
         CopyBytes(file, copy.get(), layout.imageEnd - headLength, &unchecked) &&
         SeekTo(file, media.place.mediaStart + kProgramRecordSize) &&
         CopyBytes(file, copy.get(), program.tailSize, &unchecked) &&
         SetFileTime(copy.get(), nullptr, nullptr, &written);
}

// The media unpacked into folder straight from the program file, the files that a run only
// copies into store when there is one: the number of files, or -1.
int UnpackMedia(const PackedMedia &media, const char *folder, const char *store) {
  unsigned char record[kProgramRecordSize];
  ProgramRecord program;
  char setup[kTargetDirSize];
  HANDLE file = media.file.get();
  if (!JoinPath(setup, folder, kSetupProgramName) ||
      !ReadMediaRecord(file, media.place, record, &program))
    return -1;
  DWORD cabinet = media.place.mediaStart + kProgramRecordSize + program.tailSize;
  int files = ExtractMediaCabinet(file, media.program, cabinet,
                                  media.place.mediaSize - kProgramRecordSize - program.tailSize,
                                  folder, store);
  if (files < 0 || !WriteMediaProgram(file, media, record, program, setup)) return -1;
  return files + 1;
}

}  // namespace

PackState FindPackedMedia(PackedMedia *media) {
  if (!ReadProgramPath(media->program, sizeof(media->program))) return PackState::None;
  HandleGuard &file = media->file;
  *file.receive() = CreateFileA(media->program, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  unsigned char head[kProgramHeadSize], header[kPackHeaderSize];
  DWORD headLength = 0, headerLength = 0;
  ProgramLayout layout;
  if (!file || !ReadLayout(file.get(), head, &headLength, &layout)) return PackState::None;
  if (!SeekTo(file.get(), layout.imageEnd) ||
      !ReadFile(file.get(), header, sizeof(header), &headerLength, nullptr))
    headerLength = 0;
  PackState state = LocatePack(layout, GetFileSize(file.get(), nullptr), header, headerLength,
                               &media->place);
  if (state == PackState::Present && !MediaAreWhole(file.get(), media->place))
    state = PackState::Damaged;
  if (state == PackState::Damaged)
    LogLine("%s is damaged or cut off", media->program);
  return state;
}

int RunPackedMedia(const PackedMedia &media) {
  char work[kTargetDirSize], folder[kTargetDirSize], store[kTargetDirSize];
  char option[kTargetDirSize + sizeof(kStoredOption) + 1];
  HANDLE inUse = nullptr;
  if (!MakeMarkedFolder(work, &inUse)) {
    LogFailure(GetLastError(), "no private folder for the packed media");
    return kExitInstallFailure;
  }
  int exitCode = kExitInstallFailure;
  // A check looks for every file of the media in their folder: it gets them as files.
  bool stored = !g_checkScript && JoinPath(store, work, kMediaStoreName);
  if (stored) snprintf(option, sizeof(option), "%s%s\"", kStoredOption, store);
  int files = JoinPath(folder, work, kMediaFolderName)
                  ? UnpackMedia(media, folder, stored ? store : nullptr)
                  : -1;
  if (files < 0) {
    LogFailure(GetLastError(), "unpacking into %s failed", work);
  } else {
    LogLine("unpacked %d files into %s", files, folder);
    // A "/check" in the copy writes to the console that started this program.
    if (g_checkScript) ConsoleOutput();
    if (!RunProgramIn("the packed media run", folder, stored ? option : "", nullptr, &exitCode))
      LogFailure(GetLastError(), "the unpacked setup.exe could not be started");
  }
  RemoveMarkedFolder(work, inUse);
  return exitCode;
}

int ExtractPackedMedia(const PackedMedia *media) {
  HANDLE console = ConsoleOutput();
  if (!media) {
    Say(console, 0, "%s: this program carries no packed media", g_extractDir);
    return kExitScriptNotOpened;
  }
  int files = UnpackMedia(*media, g_extractDir, nullptr);
  DWORD error = GetLastError();
  if (files < 0) {
    Say(console, error, "%s: extracting failed", g_extractDir);
    return kExitInstallFailure;
  }
  Say(console, 0, "%s: extracted %d files", g_extractDir, files);
  return kExitSuccess;
}

int PackMedia() {
  HANDLE console = ConsoleOutput();
  ScriptMedia media = {};
  int checked = CheckSetupScript(&media);
  size_t folderLength = strlen(media.folder);
  if (folderLength && media.folder[folderLength - 1] == '\\') media.folder[folderLength - 1] = '\0';
  const char *scriptName = strrchr(media.script, '\\');
  int count = 0;
  DWORD size = 0;
  int exitCode = kExitSuccess;
  if (checked != kExitCheckClean) {
    Say(console, 0, "%s: nothing is packed: the script has errors", g_packPath);
    exitCode = checked;
  } else if (!scriptName || !SamePath(scriptName + 1, kSetupScriptName)) {
    Say(console, 0, "%s: nothing is packed: the script is not named %s", g_packPath,
        kSetupScriptName);
    exitCode = kExitInvalidCommandLine;
  } else if (!ListMediaFiles(&media, &count) || !WritePack(&media, count, &size)) {
    Say(console, GetLastError(), "%s: packing %s failed", g_packPath, media.folder);
    exitCode = kExitInstallFailure;
  } else {
    // setup.exe is the one file that the cabinet does not hold.
    Say(console, 0, "%s: packed %d files of %s into %lu bytes", g_packPath, count + 1,
        media.folder, static_cast<unsigned long>(size));
  }
  PathSetFree(&media.files);
  PathSetFree(&media.readAsFiles);
  ListFree(&media.arguments);
  return exitCode;
}
