#include "engine/SectionRunner.h"

#include "common/Globals.h"
#include "common/KeyList.h"
#include "common/Log.h"
#include "common/Messages.h"
#include "engine/FileQueueCallback.h"
#include "engine/InstallJournal.h"
#include "services/ServiceSections.h"
#include "shell/Programs.h"
#include "shell/Shortcuts.h"

namespace {

constexpr char kSourceRoot[] = ".";  // the current directory: the program's own
constexpr DWORD kCopyStyle = SP_COPY_NEWER;
constexpr UINT kRegistryAndIni = SPINST_INIFILES | SPINST_REGISTRY | SPINST_INI2REG;

// The phases by number, for the log.
const char *PhaseName(int phase) {
  switch (phase) {
    case kPhaseStopServices: return "stopping services";
    case kPhaseFiles: return "files";
    case kPhaseRegistry: return "registry, INI files and services";
    case kPhaseShortcuts: return "shortcuts";
    case kPhaseStartServices: return "starting services";
    default: return "programs of the last pass";
  }
}

void PostPhase(HWND page, int phase) {
  LogLine("phase: %s", PhaseName(phase));
  PostMessageA(page, WM_SETUP_PHASE, static_cast<WPARAM>(phase), 0);
}

// Ends the run with the error code that the failing step left, after closing the queue.
int FailClosingQueue(HSPFILEQ queue, DWORD error) {
  SetupCloseFileQueue(queue);
  SetLastError(error);
  return 0;
}

int QueueSectionFiles(HINF inf, const char *sectionList, HSPFILEQ queue) {
  for (const char *section = sectionList; *section; section = ListNext(section))
    if (!SetupInstallFilesFromInfSectionA(inf, nullptr, queue, section, kSourceRoot, kCopyStyle))
      return 0;
  return 1;
}

void RunPrograms(HINF inf, const char *sectionList, int pass, HWND page) {
  for (const char *section = sectionList; *section; section = ListNext(section))
    RunSectionPrograms(inf, section, pass, page);
}

// A service that will not stop or start only means that the restart must finish the job.
void StopServices(HINF inf, const char *sectionList) {
  for (const char *section = sectionList; *section; section = ListNext(section)) {
    if (StopSectionServices(inf, section)) continue;
    LogLine("a restart is needed: a service of [%s] did not stop", section);
    g_rebootNeeded = 1;
  }
}

void StartServices(HINF inf, const char *sectionList) {
  for (const char *section = sectionList; *section; section = ListNext(section)) {
    if (StartSectionServices(inf, section)) continue;
    LogLine("a restart is needed: a service of [%s] did not start", section);
    g_rebootNeeded = 1;
  }
}

// Commits the queue through FileQueueCallback, with the default callback's dialogs and
// progress going to the page. A file or folder that stays because the restart could not be
// asked to take it fails the step: the run would otherwise report a removal that is not done.
int CommitQueue(HSPFILEQ queue, HWND page, const RemovalScope *scope, InstallJournal *journal) {
  QueueCallbackContext context = {};
  context.scope = scope;
  StartFileProgress(&context.progress, page, queue);
  context.journal = journal;
  context.defaultContext = SetupInitDefaultQueueCallbackEx(page, page, WM_SETUP_PROGRESS, 0, nullptr);
  if (!context.defaultContext) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  BOOL committed = SetupCommitFileQueueA(page, queue, FileQueueCallback, &context);
  // When the callback ended the commit, its reason is the one to report.
  DWORD error = context.abortError ? context.abortError : GetLastError();
  SetupTermDefaultQueueCallback(context.defaultContext);
  if (committed && context.restartError) {
    committed = FALSE;
    error = context.restartError;
  }
  SetLastError(error);
  return committed ? 1 : 0;
}

// Asks the queue, without a question to anyone, whether it met files in use that wait for the
// restart; a queue that cannot tell asks for no restart.
void NoteFilesInUse(HSPFILEQ queue, HWND page) {
  INT inUse = SetupPromptReboot(queue, page, TRUE);
  if (inUse == -1) {
    LogFailure(GetLastError(), "the queue cannot tell whether files in use wait for the restart");
    return;
  }
  if (!(inUse & SPFILEQ_FILE_IN_USE)) return;
  LogLine("a restart is needed: files in use wait for it");
  g_rebootNeeded = 1;
}

int ApplyRegistryAndIni(HINF inf, const char *sectionList, HWND page) {
  for (const char *section = sectionList; *section; section = ListNext(section)) {
    if (!SetupInstallFromInfSectionA(page, inf, section, kRegistryAndIni, nullptr, nullptr, 0,
                                     nullptr, nullptr, nullptr, nullptr)) {
      LogFailure(GetLastError(), "the registry and INI directives of [%s] failed", section);
      return 0;
    }
    LogLine("applied the registry and INI directives of [%s]", section);
  }
  return 1;
}

int ApplyServices(HINF inf, const char *sectionList, InstallJournal *journal) {
  for (const char *section = sectionList; *section; section = ListNext(section))
    if (!ApplySectionServices(inf, section, JournalSection(journal, section))) return 0;
  return 1;
}

void ApplyShortcuts(HINF inf, const char *sectionList, InstallJournal *journal) {
  for (const char *section = sectionList; *section; section = ListNext(section))
    ApplySectionShortcuts(inf, section, JournalSection(journal, section));
}

}  // namespace

// Each step walks the whole section list before the next begins; a failing queue, commit,
// registry or service step ends the run with what earlier steps did left in place.
int RunSections(HINF inf, const char *sectionList, HWND page, const RemovalScope *scope,
                InstallJournal *journal) {
  HSPFILEQ queue = SetupOpenFileQueue();
  if (queue == INVALID_HANDLE_VALUE) return 0;
  for (const char *section = sectionList; *section; section = ListNext(section))
    LogLine("section: [%s]", section);
  if (!QueueSectionFiles(inf, sectionList, queue)) {
    LogFailure(GetLastError(), "the files of the sections could not be queued");
    return FailClosingQueue(queue, GetLastError());
  }

  RunPrograms(inf, sectionList, kFirstPass, page);
  PostPhase(page, kPhaseStopServices);
  StopServices(inf, sectionList);

  PostPhase(page, kPhaseFiles);
  if (!CommitQueue(queue, page, scope, journal)) return FailClosingQueue(queue, GetLastError());
  // Scan only: the question is asked once, after the wizard has closed.
  NoteFilesInUse(queue, page);
  SetupCloseFileQueue(queue);

  PostPhase(page, kPhaseRegistry);
  JournalRegistry(journal);
  if (!ApplyRegistryAndIni(inf, sectionList, page)) return 0;
  if (!ApplyServices(inf, sectionList, journal)) return 0;

  PostPhase(page, kPhaseShortcuts);
  ApplyShortcuts(inf, sectionList, journal);

  PostPhase(page, kPhaseStartServices);
  StartServices(inf, sectionList);

  PostPhase(page, kPhaseLastPrograms);
  RunPrograms(inf, sectionList, kLastPass, page);
  return 1;
}

int PlaceFileLists(HINF inf, const char *fileLists, HWND page, InstallJournal *journal) {
  if (!fileLists[0]) return 1;
  HSPFILEQ queue = SetupOpenFileQueue();
  if (queue == INVALID_HANDLE_VALUE) return 0;
  for (const char *list = fileLists; *list; list = ListNext(list))
    if (!SetupQueueCopySectionA(queue, kSourceRoot, inf, nullptr, list, kCopyStyle))
      return FailClosingQueue(queue, GetLastError());
  journal->placingFirst = true;
  int placed = CommitQueue(queue, page, nullptr, journal);
  journal->placingFirst = false;
  if (!placed) return FailClosingQueue(queue, GetLastError());
  SetupCloseFileQueue(queue);
  return 1;
}
