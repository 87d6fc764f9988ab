// Times RunSections on many small files: one install run that copies them and one removal
// run that deletes them again, in a scratch folder under the temporary directory. Each round
// also deletes them in three plainer ways, to show where the removal's time goes: the bare
// Setup API (SetupInstallFromInfSection with its default callback, as InstallHinfSection does),
// a queue of the section committed with the default callback alone, and the same queue
// committed through the program's own callback.
//
//   benchrunner.exe [file count] [rounds]
//
// Prints one line per round with the milliseconds of each run.
#include <windows.h>
#include <setupapi.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "common/Globals.h"
#include "engine/FileQueueCallback.h"
#include "engine/SectionRunner.h"

namespace {

constexpr int kDefaultFiles = 1000;
constexpr int kDefaultRounds = 5;

void WriteFileText(const std::string &path, const std::string &text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

double TimedRun(HINF inf, const char *list, HWND page) {
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  int ok = RunSections(inf, list, page);
  QueryPerformanceCounter(&end);
  MSG msg;
  while (PeekMessageA(&msg, page, 0, 0, PM_REMOVE)) {
  }
  if (!ok) printf("run failed: error %lu\n", GetLastError());
  return Milliseconds(start, end);
}

// A deletion of the section's files in one of the plainer ways; copies them back first.
enum class Deletion { Bare, QueueDefault, QueueOwn };

double TimedDeletion(HINF inf, HWND page, Deletion how) {
  TimedRun(inf, "Install\0", page);
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  PVOID context = SetupInitDefaultQueueCallbackEx(page, nullptr, 0, 0, nullptr);
  if (how == Deletion::Bare) {
    SetupInstallFromInfSectionA(page, inf, "Remove", SPINST_FILES, nullptr, ".", 0,
                                SetupDefaultQueueCallbackA, context, nullptr, nullptr);
  } else {
    HSPFILEQ queue = SetupOpenFileQueue();
    SetupInstallFilesFromInfSectionA(inf, nullptr, queue, "Remove", ".", 0);
    QueueCallbackContext own = {};
    own.defaultContext = context;
    if (how == Deletion::QueueDefault)
      SetupCommitFileQueueA(page, queue, SetupDefaultQueueCallbackA, context);
    else
      SetupCommitFileQueueA(page, queue, FileQueueCallback, &own);
    SetupCloseFileQueue(queue);
  }
  SetupTermDefaultQueueCallback(context);
  QueryPerformanceCounter(&end);
  return Milliseconds(start, end);
}

}  // namespace

int main(int argc, char **argv) {
  int files = argc > 1 ? atoi(argv[1]) : kDefaultFiles;
  int rounds = argc > 2 ? atoi(argv[2]) : kDefaultRounds;
  char temp[MAX_PATH];
  GetTempPathA(sizeof(temp), temp);
  std::string media = std::string(temp) + "benchrunner-media";
  std::string target = std::string(temp) + "benchrunner-target";
  CreateDirectoryA(media.c_str(), nullptr);
  CreateDirectoryA(target.c_str(), nullptr);

  std::string list;
  for (int i = 0; i < files; ++i) {
    std::string name = "file" + std::to_string(i) + ".txt";
    WriteFileText(media + "\\" + name, "small file " + std::to_string(i) + "\r\n");
    list += name + "\r\n";
  }
  WriteFileText(media + "\\setup.inf",
                "[Version]\r\nSignature=\"$Chicago$\"\r\n[DestinationDirs]\r\nDefaultDestDir=32768\r\n"
                "[Install]\r\nCopyFiles=Files\r\n[Remove]\r\nDelFiles=Files\r\n[Files]\r\n" + list);
  SetCurrentDirectoryA(media.c_str());
  HINF inf = SetupOpenInfFileA((media + "\\setup.inf").c_str(), nullptr, INF_STYLE_WIN4, nullptr);
  if (inf == INVALID_HANDLE_VALUE) return 1;
  SetupSetDirectoryIdA(inf, 32768, target.c_str());
  HWND page = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);

  printf("%d files per run\n", files);
  for (int round = 1; round <= rounds; ++round) {
    double install = TimedRun(inf, "Install\0", page);
    double remove = TimedRun(inf, "Remove\0", page);
    double bare = TimedDeletion(inf, page, Deletion::Bare);
    double queueDefault = TimedDeletion(inf, page, Deletion::QueueDefault);
    double queueOwn = TimedDeletion(inf, page, Deletion::QueueOwn);
    printf("round %d: install %.0f ms, remove %.0f ms, bare Setup API %.0f ms, queue with the "
           "default callback %.0f ms, queue with our callback %.0f ms\n",
           round, install, remove, bare, queueDefault, queueOwn);
  }

  DestroyWindow(page);
  SetupCloseInfFile(inf);
  SetCurrentDirectoryA(temp);
  for (int i = 0; i < files; ++i)
    DeleteFileA((media + "\\file" + std::to_string(i) + ".txt").c_str());
  DeleteFileA((media + "\\setup.inf").c_str());
  RemoveDirectoryA(media.c_str());
  RemoveDirectoryA(target.c_str());
  return 0;
}
