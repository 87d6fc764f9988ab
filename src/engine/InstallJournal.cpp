#include "engine/InstallJournal.h"

#include <stdlib.h>
#include <string.h>

#include "common/AsciiCase.h"
#include "common/Guards.h"
#include "common/Log.h"
#include "common/Platform.h"
#include "common/ScriptField.h"
#include "engine/FileQueueCallback.h"
#include "engine/Folders.h"
#include "engine/QueuePaths.h"
#include "engine/RemovalScope.h"
#include "engine/RestartSchedule.h"
#include "engine/StoredMedia.h"
#include "script/ProductLines.h"
#include "script/Registration.h"
#include "script/RemovalTarget.h"
#include "script/UninstallValues.h"
#include "script/SetupScript.h"
#include "services/ServiceSections.h"

namespace {

// The kinds of the journal's steps, each the first character of its entry.
constexpr char kStepFolder = 'd';
constexpr char kStepCreated = 'f';
constexpr char kStepMovedAside = 'b';
constexpr char kStepCopiedAside = 'c';
constexpr char kStepService = 's';
constexpr char kStepShortcut = 'l';
constexpr char kStepRestart = 't';
constexpr char kStepRegistry = 'r';
constexpr char kStepRecords = 'R';
constexpr char kStepEntries = 'E';
constexpr char kStepUndone = '-';
constexpr UINT kRegistryAndIni = SPINST_INIFILES | SPINST_REGISTRY | SPINST_INI2REG;
constexpr char kExecutableMark[] = "MZ";  // version resources live only in executables

void AddStep(InstallJournal *journal, char kind, const char *text) {
  char step[kTargetDirSize + 1];
  step[0] = kind;
  lstrcpynA(step + 1, text ? text : "", sizeof(step) - 1);
  ListAppendGrowing(&journal->steps, step);
}

// Calls write(owner) for each owner whose install section places path, or for the fallback:
// the setup-level entry's owner, else every owner.
template <typename Write>
void ForFileOwners(InstallJournal *journal, const char *path, Write write) {
  bool any = false;
  for (int at = 0; at < journal->ownerCount; ++at)
    if (PathSetHas(&journal->owners[at].planned, path)) {
      write(journal->owners[at]);
      any = true;
    }
  for (int at = 0; !any && at < journal->ownerCount; ++at)
    if (journal->setupOwner < 0 || at == journal->setupOwner) write(journal->owners[at]);
}

// The same for what the section at work makes.
template <typename Write>
void ForSectionOwners(InstallJournal *journal, Write write) {
  int only = journal->sectionOwner >= 0 ? journal->sectionOwner : journal->setupOwner;
  for (int at = 0; at < journal->ownerCount; ++at)
    if (only < 0 || at == only) write(journal->owners[at]);
}

void MadeByStep(MadeListener *listener, Made what, const char *name) {
  InstallJournal *journal = reinterpret_cast<InstallJournal *>(listener);
  static const struct {
    Made what;
    char step;
    const char *word;
  } kMade[] = {{Made::Folder, kStepFolder, kRecordFolder},
               {Made::Service, kStepService, kRecordService},
               {Made::Shortcut, kStepShortcut, kRecordShortcut}};
  for (const auto &made : kMade) {
    if (made.what != what) continue;
    ForSectionOwners(journal, [&](RecordOwner &owner) {
      WriteRecordLine(&owner.record, made.word, name);
    });
    AddStep(journal, made.step, name);
  }
}

// Whether the folder of target was made by this run, so that the file is new too; missing
// levels are made steps now, before the queue makes them.
bool InNewFolder(InstallJournal *journal, const char *target) {
  char folder[kTargetDirSize];
  if (!FileDirectory(folder, sizeof(folder), target)) return false;
  if (!strcmp(folder, journal->lastFolder)) return journal->lastFolderNew;
  memcpy(journal->lastFolder, folder, sizeof(folder));
  journal->lastFolderNew = PathSetHas(&journal->newFolders, folder);
  if (journal->lastFolderNew || GetFileAttributesA(folder) != INVALID_FILE_ATTRIBUTES)
    return journal->lastFolderNew;
  // The missing levels, outer first: each is cut off in turn until one is there.
  char level[kTargetDirSize];
  memcpy(level, folder, sizeof(level));
  size_t length = strlen(level);
  size_t cut = length;
  char parent[kTargetDirSize];
  while (FileDirectory(parent, sizeof(parent), level) &&
         GetFileAttributesA(parent) == INVALID_FILE_ATTRIBUTES) {
    cut = strlen(parent);
    memcpy(level, parent, cut + 1);
  }
  memcpy(level, folder, sizeof(level));
  for (size_t at = cut; at <= length; ++at) {
    if (level[at] != '\\' && level[at] != '\0') continue;
    char kept = level[at];
    level[at] = '\0';
    ForFileOwners(journal, target, [&](RecordOwner &owner) {
      WriteRecordLine(&owner.record, kRecordFolder, level);
    });
    AddStep(journal, kStepFolder, level);
    PathSetAdd(&journal->newFolders, level);
    level[at] = kept;
  }
  journal->lastFolderNew = true;
  return true;
}

// A file whose size and time of writing are the source's holds the same bytes: copying it
// changes nothing, and nothing needs keeping.
bool SameAsSource(const WIN32_FILE_ATTRIBUTE_DATA &target, const char *source) {
  // A source that the media's store holds has its size and date there.
  const StoredFile *stored = FindStoredFile(source);
  if (stored)
    return !target.nFileSizeHigh && target.nFileSizeLow == stored->size &&
           FileTimeValue(target.ftLastWriteTime) == stored->written;
  WIN32_FILE_ATTRIBUTE_DATA from;
  return source && GetFileAttributesExA(source, GetFileExInfoStandard, &from) &&
         from.nFileSizeLow == target.nFileSizeLow && from.nFileSizeHigh == target.nFileSizeHigh &&
         CompareFileTime(&from.ftLastWriteTime, &target.ftLastWriteTime) == 0;
}

// Whether the queue may keep the file after comparing versions: only an executable can carry a
// version resource; any other file is always replaced.
bool MayBeKept(const char *path) {
  HandleGuard file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE |
                               FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
  char mark[sizeof(kExecutableMark) - 1] = {};
  DWORD read = 0;
  return !file || (ReadFile(file.get(), mark, sizeof(mark), &read, nullptr) &&
                   read == sizeof(mark) && !memcmp(mark, kExecutableMark, sizeof(mark)));
}

// Deletes a file that is no longer wanted: at once, else at the restart. False when it waits
// for the restart.
bool DeleteNow(const char *path, const char *why) {
  // A read-only file loses the mark first.
  bool deleted = DeleteFileA(path) || (GetLastError() == ERROR_ACCESS_DENIED &&
                                       SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL) &&
                                       DeleteFileA(path));
  if (deleted || IsNotFoundError(GetLastError())) {
    if (deleted && why) LogLine("%s %s", why, path);
    return true;
  }
  if (DeleteFileAtRestart(path)) {
    LogLine("%s is in use: it is deleted at the next restart", path);
    return false;
  }
  LogFailure(GetLastError(), "%s can be deleted neither now nor at the next restart", path);
  return true;
}

// The file as it was, beside it: moved there when the queue will surely replace it (cheap, and
// on the same volume), copied when the queue may still keep it, so that its version is
// compared with the file itself. The step's kind, or 0 when nothing could be kept.
char SetAside(const char *target, const char *backup) {
  if (!MayBeKept(target)) {
    if (MoveFileA(target, backup)) return kStepMovedAside;
    // A copy that an interrupted run left may be in the way.
    if (GetLastError() == ERROR_ALREADY_EXISTS && DeleteNow(backup, nullptr) &&
        MoveFileA(target, backup))
      return kStepMovedAside;
  }
  if (CopyFileA(target, backup, FALSE)) return kStepCopiedAside;
  LogFailure(GetLastError(), "%s cannot be kept aside: a failed install cannot put it back",
             target);
  return 0;
}

// Puts a file kept aside back in place: at once, else at the restart. False when it waits for
// the restart.
bool PutBack(const char *target, const char *backup) {
  SetFileAttributesA(target, FILE_ATTRIBUTE_NORMAL);
  if (MoveFileExA(backup, target, MOVEFILE_REPLACE_EXISTING) ||
      (DeleteFileA(target) && MoveFileA(backup, target))) {
    LogLine("rollback: %s is put back as it was", target);
    return true;
  }
  if (MoveFileExA(backup, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT)) {
    LogLine("rollback: %s is in use: it is put back as it was at the next restart", target);
    return false;
  }
  LogFailure(GetLastError(), "rollback: %s cannot be put back; it was kept as %s", target,
             backup);
  return true;
}

// The steps from the last to the first.
template <typename Visit>
void ForStepsBackwards(InstallJournal *journal, Visit visit) {
  int count = journal->steps.count;
  if (!count) return;
  HeapGuard block(AllocateZeroed(count * sizeof(char *)));
  char **order = reinterpret_cast<char **>(block.get());
  if (!order) return;
  int at = 0;
  for (char *step = journal->steps.text; *step; step += strlen(step) + 1) order[at++] = step;
  while (at-- > 0) visit(order[at][0], order[at] + 1);
}

// The remove sections' registry and INI directives of the products that the run installed for
// the first time: the vendor's own undo of what the install sections wrote.
void UndoRegistry(InstallJournal *journal) {
  for (int at = journal->ownerCount - 1; at >= -1; --at) {
    char section[kFieldSize] = {};
    if (at < 0) {
      if (journal->setupOwner >= 0 || !journal->firstOfSetup) continue;
      lstrcpynA(section, g_removeSection, sizeof(section));
    } else {
      const RecordOwner &owner = journal->owners[at];
      INFCONTEXT line;
      if (owner.entry->existed) continue;
      if (at == journal->setupOwner)
        lstrcpynA(section, g_removeSection, sizeof(section));
      else if (!FindProductLine(journal->inf, owner.entry->key, &line) ||
               !ReadField(&line, kFieldRemoveSection, section))
        continue;
    }
    if (SetupInstallFromInfSectionA(nullptr, journal->inf, section, kRegistryAndIni, nullptr,
                                    nullptr, 0, nullptr, nullptr, nullptr, nullptr))
      LogLine("rollback: applied the registry and INI directives of [%s]", section);
    else
      LogFailure(GetLastError(), "rollback: the registry and INI directives of [%s] failed",
                 section);
  }
}

// The values of an Uninstall entry as a block: for each, its name with its NUL, its type, the
// size of its data and the data.
void SnapshotEntry(RecordOwner *owner) {
  RegKeyGuard key;
  DWORD count = 0, nameMax = 0, dataMax = 0;
  if (!OpenRegistryKey(HKEY_LOCAL_MACHINE, owner->entry->keyPath, KEY_READ, &key) ||
      RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                       &nameMax, &dataMax, nullptr, nullptr) != ERROR_SUCCESS)
    return;
  DWORD itemMax = nameMax + 1 + 2 * sizeof(DWORD) + dataMax;
  owner->snapshot = AllocateZeroed(static_cast<size_t>(count) * itemMax + 1);
  if (!owner->snapshot) return;
  char *at = owner->snapshot;
  for (DWORD index = 0; index < count; ++index) {
    DWORD nameSize = nameMax + 1, type = 0, dataSize = dataMax;
    char *data = at + nameSize + 2 * sizeof(DWORD);
    if (RegEnumValueA(key.get(), index, at, &nameSize, nullptr, &type,
                      reinterpret_cast<BYTE *>(data), &dataSize) != ERROR_SUCCESS)
      continue;
    char *item = at + nameSize + 1;
    memmove(item + 2 * sizeof(DWORD), data, dataSize);
    memcpy(item, &type, sizeof(DWORD));
    memcpy(item + sizeof(DWORD), &dataSize, sizeof(DWORD));
    at = item + 2 * sizeof(DWORD) + dataSize;
  }
  owner->snapshotSize = static_cast<DWORD>(at - owner->snapshot);
}

// Puts an entry back as it was: the values the run wrote go, the earlier ones come back.
void RestoreEntry(const RecordOwner &owner) {
  RegKeyGuard key;
  if (!OpenRegistryKey(HKEY_LOCAL_MACHINE, owner.entry->keyPath, KEY_ALL_ACCESS, &key)) return;
  char name[kLongTextSize];
  DWORD nameSize = sizeof(name);
  while (RegEnumValueA(key.get(), 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr) ==
             ERROR_SUCCESS &&
         RegDeleteValueA(key.get(), name) == ERROR_SUCCESS)
    nameSize = sizeof(name);
  for (const char *at = owner.snapshot; at && at < owner.snapshot + owner.snapshotSize;) {
    const char *item = at + strlen(at) + 1;
    DWORD type, size;
    memcpy(&type, item, sizeof(DWORD));
    memcpy(&size, item + sizeof(DWORD), sizeof(DWORD));
    RegSetValueExA(key.get(), at, 0, type, reinterpret_cast<const BYTE *>(item + 2 * sizeof(DWORD)),
                   size);
    at = item + 2 * sizeof(DWORD) + size;
  }
  LogLine("rollback: the Uninstall entry %s is as it was", owner.entry->key);
}

void UndoEntries(InstallJournal *journal) {
  for (int at = journal->ownerCount - 1; at >= 0; --at) {
    const RecordOwner &owner = journal->owners[at];
    if (owner.entry->existed) {
      RestoreEntry(owner);
    } else if (UninstallEntryExists(owner.entry->key)) {
      LogLine("rollback: the new Uninstall entry %s is deleted", owner.entry->key);
      DeleteUninstallEntry(owner.entry->key);
    }
  }
}

void CloseRecords(InstallJournal *journal, bool succeeded) {
  for (int at = 0; at < journal->ownerCount; ++at) {
    RecordOwner &owner = journal->owners[at];
    // The folders of earlier installs that are still there stay in the record.
    if (succeeded)
      for (const char *folder = owner.old.folders.text; folder && *folder;
           folder = ListNext(folder))
        if (GetFileAttributesA(folder) != INVALID_FILE_ATTRIBUTES &&
            !PathSetHas(&journal->newFolders, folder))
          WriteRecordLine(&owner.record, kRecordFolder, folder);
    CloseRecordFile(&owner.record, succeeded);
  }
}

}  // namespace

void BeginJournal(InstallJournal *journal, HINF inf, const char *keys) {
  *journal = InstallJournal();
  journal->listener.heard = MadeByStep;
  journal->inf = inf;
  journal->keys = keys;
  journal->setupOwner = -1;
  journal->sectionOwner = -1;
}

DWORD MakeJournaledFolder(InstallJournal *journal, const char *folder) {
  char outermost[kTargetDirSize];
  DWORD error = CreateFolderPath(folder, outermost);
  if (!outermost[0]) return error;
  // Every level from the outermost made to the folder itself was made here.
  char level[kTargetDirSize];
  lstrcpynA(level, folder, sizeof(level));
  size_t length = strlen(level);
  for (size_t at = strlen(outermost); at <= length; ++at) {
    if (level[at] != '\\' && level[at] != '\0') continue;
    char kept = level[at];
    level[at] = '\0';
    if (GetFileAttributesA(level) == INVALID_FILE_ATTRIBUTES) break;
    AddStep(journal, kStepFolder, level);
    PathSetAdd(&journal->newFolders, level);
    level[at] = kept;
  }
  return error;
}

DWORD OpenRecords(InstallJournal *journal, const UninstallPlan &plan) {
  HINF inf = journal->inf;
  journal->owners = reinterpret_cast<RecordOwner *>(
      AllocateZeroed(static_cast<size_t>(plan.count) * sizeof(RecordOwner)));
  if (!journal->owners) return ERROR_NOT_ENOUGH_MEMORY;
  journal->firstOfSetup = CountProductsStayingRegistered(inf, journal->keys) == 0;
  for (int at = 0; at < plan.count; ++at) {
    const PlannedEntry &entry = plan.entries[at];
    if (!entry.due) continue;
    journal->firstOfSetup = journal->firstOfSetup && !entry.existed;
    RecordOwner &owner = journal->owners[journal->ownerCount];
    owner.entry = &entry;
    owner.record.file = INVALID_HANDLE_VALUE;
    INFCONTEXT line;
    bool setupLevel = at == plan.count - 1;
    if (setupLevel) {
      journal->setupOwner = journal->ownerCount;
      lstrcpynA(owner.section, g_installSection, sizeof(owner.section));
    } else if (FindProductLine(inf, entry.key, &line)) {
      ReadField(&line, kFieldInstallSection, owner.section);
    }
    ++journal->ownerCount;
    char path[kTargetDirSize];
    char folder[kTargetDirSize];
    if (!AddSectionFiles(inf, owner.section, kCopyFilesKey, &owner.planned) ||
        !PathSetSort(&owner.planned) || !RecordPathOf(entry.setupPath, entry.key, path))
      return ERROR_NOT_ENOUGH_MEMORY;
    if (entry.existed && InstalledRecordPath(entry.key, owner.oldRecord)) {
      if (!ReadProductRecord(owner.oldRecord, &owner.old)) return ERROR_NOT_ENOUGH_MEMORY;
      if (SamePath(owner.oldRecord, path)) owner.oldRecord[0] = '\0';
    }
    DWORD error = FileDirectory(folder, sizeof(folder), path)
                      ? MakeJournaledFolder(journal, folder)
                      : ERROR_BAD_PATHNAME;
    if (error || !OpenRecordFile(&owner.record, path, entry.key)) {
      error = error ? error : GetLastError();
      LogFailure(error, "the install record %s cannot be written", path);
      CloseRecords(journal, false);
      return error;
    }
    LogLine("install record of %s: %s", entry.key, path);
  }
  // The folders made so far hold every product of the run.
  for (const char *step = journal->steps.text; step && *step; step = ListNext(step))
    for (int at = 0; at < journal->ownerCount; ++at)
      WriteRecordLine(&journal->owners[at].record, kRecordFolder, step + 1);
  // What an interrupted run kept aside: the only copy when the run was killed between moving
  // the file aside and placing the new one, so it goes back; else it is of no use any more.
  for (int at = 0; at < journal->ownerCount; ++at)
    for (const char *backup = journal->owners[at].old.backups.text; backup && *backup;
         backup = ListNext(backup))
      if (GetFileAttributesA(backup) != INVALID_FILE_ATTRIBUTES &&
          !PutBackInterruptedCopy(backup))
        DeleteNow(backup, "removed what an interrupted install kept aside:");
  AddStep(journal, kStepRecords, nullptr);
  return 0;
}

void ListSetupFileLists(const InstallJournal *journal, char *lists, size_t size) {
  ListClear(lists, size);
  for (int at = 0; at < journal->ownerCount; ++at) {
    const char *list = journal->owners[at].entry->setupList;
    bool listed = false;
    for (const char *entry = lists; *entry; entry = ListNext(entry))
      listed = listed || SameIgnoringCase(entry, list);
    if (list[0] && !listed) ListAppend(lists, size, list, 0);
  }
}

void NoteEntries(InstallJournal *journal) {
  for (int at = 0; at < journal->ownerCount; ++at) {
    RecordOwner &owner = journal->owners[at];
    if (owner.entry->existed) SnapshotEntry(&owner);
    WriteRecordLine(&owner.record, kRecordEntry, owner.entry->key);
  }
  AddStep(journal, kStepEntries, nullptr);
}

bool JournalBeforeCopy(InstallJournal *journal, const FILEPATHS_A *paths) {
  const char *target = paths->Target;
  if (PathSetHas(&journal->preplaced, target)) return true;
  if (journal->placingFirst) PathSetAdd(&journal->preplaced, target);
  PathSetAppend(&journal->placed, target);
  WIN32_FILE_ATTRIBUTE_DATA found;
  bool existed = !InNewFolder(journal, target) &&
                 GetFileAttributesExA(target, GetFileExInfoStandard, &found);
  char backup[kTargetDirSize];
  bool differs = existed && !SameAsSource(found, paths->Source);
  bool keep = differs && BackupPathOf(target, backup);
  if (differs && !keep)
    LogLine("%s cannot be kept aside (its path is too long): a failed install cannot put it back",
            target);
  ForFileOwners(journal, target, [&](RecordOwner &owner) {
    // A file that was there before the product's first install stays the machine's own.
    bool own = PathSetHas(&owner.old.files, target) ||
               (!PathSetHas(&owner.old.replaced, target) &&
                (!existed || (owner.entry->existed && !owner.old.present)));
    WriteRecordLine(&owner.record, own ? kRecordFile : kRecordReplaced, target);
    if (keep) WriteRecordLine(&owner.record, kRecordBackup, backup);
  });
  char kind = existed ? (keep ? SetAside(target, backup) : 0) : kStepCreated;
  if (kind == kStepCopiedAside) journal->copiedAside = journal->steps.end;
  if (kind) AddStep(journal, kind, target);
  return false;
}

void JournalCopyKept(InstallJournal *journal, const char *target) {
  if (!journal || !journal->copiedAside) return;
  char *step = journal->steps.text + journal->copiedAside;
  journal->copiedAside = 0;
  if (!SamePath(step + 1, target)) return;
  // The queue keeps the file itself: its copy is of no use.
  char backup[kTargetDirSize];
  if (BackupPathOf(target, backup)) DeleteNow(backup, nullptr);
  step[0] = kStepUndone;
}

void JournalRestartDeletion(InstallJournal *journal, const char *path) {
  if (journal) AddStep(journal, kStepRestart, path);
}

void JournalRegistry(InstallJournal *journal) {
  if (journal) AddStep(journal, kStepRegistry, nullptr);
}

MadeListener *JournalSection(InstallJournal *journal, const char *section) {
  if (!journal) return nullptr;
  journal->sectionOwner = -1;
  for (int at = 0; at < journal->ownerCount; ++at)
    if (SameIgnoringCase(journal->owners[at].section, section)) journal->sectionOwner = at;
  return &journal->listener;
}

void KeepRun(InstallJournal *journal, const char *targetDir) {
  ForStepsBackwards(journal, [&](char kind, const char *path) {
    char backup[kTargetDirSize];
    if ((kind == kStepMovedAside || kind == kStepCopiedAside) && BackupPathOf(path, backup))
      DeleteNow(backup, nullptr);
  });
  // What earlier installs of the run's products placed and this run does not goes, unless a
  // product that stays installed places it too.
  RemovalScope others = {};
  PathSetSort(&journal->placed);
  if (PrepareRemovalScope(journal->inf, journal->keys, targetDir, false, &others)) {
    for (int at = 0; at < journal->ownerCount; ++at) {
      RecordOwner &owner = journal->owners[at];
      if (owner.oldRecord[0])
        LogLine("%s moves: what its earlier install left beside %s is removed", owner.entry->key,
                owner.oldRecord);
      for (const char *file = owner.old.files.paths.text; file && *file; file = ListNext(file))
        if (!PathSetHas(&journal->placed, file) && !PathSetHas(&others.keptFiles, file) &&
            GetFileAttributesA(file) != INVALID_FILE_ATTRIBUTES)
          DeleteNow(file, "removed what an earlier install placed and this one does not:");
      if (owner.oldRecord[0]) DeleteNow(owner.oldRecord, nullptr);
      int count = owner.old.folders.count;
      for (int skip = count; skip > 0; --skip) {
        const char *folder = owner.old.folders.text;
        for (int step = 1; step < skip; ++step) folder = ListNext(folder);
        if (RemoveDirectoryA(folder)) LogLine("removed the emptied folder %s", folder);
      }
    }
  }
  ReleaseRemovalScope(&others);
  CloseRecords(journal, true);
}

bool TakeBackRun(InstallJournal *journal, bool *atRestart) {
  *atRestart = false;
  if (!journal->steps.count) return false;
  LogLine("the install failed: what it changed is taken back");
  PendingDeletions *pending = ReadPendingDeletions();
  ForStepsBackwards(journal, [&](char kind, const char *path) {
    char backup[kTargetDirSize];
    switch (kind) {
      case kStepCreated:
        *atRestart = !DeleteNow(path, "rollback: deleted") || *atRestart;
        break;
      case kStepMovedAside:
      case kStepCopiedAside:
        if (BackupPathOf(path, backup)) *atRestart = !PutBack(path, backup) || *atRestart;
        break;
      case kStepFolder:
        if (RemoveDirectoryA(path)) LogLine("rollback: removed the folder %s", path);
        break;
      case kStepShortcut:
        if (DeleteFileA(path)) LogLine("rollback: deleted the shortcut %s", path);
        break;
      case kStepService:
        StopServiceByName(path);
        if (DeleteServiceByName(path)) LogLine("rollback: deleted the service %s", path);
        break;
      case kStepRestart:
        NotePutInPlace(pending, path);
        break;
      case kStepRegistry:
        UndoRegistry(journal);
        break;
      case kStepEntries:
        UndoEntries(journal);
        break;
      case kStepRecords:
        CloseRecords(journal, false);
        break;
    }
  });
  CancelNotedDeletions(pending);
  return true;
}

void EndJournal(InstallJournal *journal) {
  for (int at = 0; at < journal->ownerCount; ++at) {
    RecordOwner &owner = journal->owners[at];
    CloseRecordFile(&owner.record, false);
    PathSetFree(&owner.planned);
    FreeProductRecord(&owner.old);
    if (owner.snapshot) HeapFree(GetProcessHeap(), 0, owner.snapshot);
  }
  if (journal->owners) HeapFree(GetProcessHeap(), 0, journal->owners);
  ListFree(&journal->steps);
  PathSetFree(&journal->placed);
  PathSetFree(&journal->preplaced);
  PathSetFree(&journal->newFolders);
  *journal = InstallJournal();
}
