// Prints what single file-system calls cost on this platform, per call, in a scratch folder of
// n small files: a search of the folder (as the queue callback's folder count makes it), a
// search for one file, an attribute query, a deletion, a failing folder removal.
//
//   fsprobe.exe [file count (200)] [folder (C:\fsprobe)]
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

namespace {

constexpr int kDefaultFiles = 200;
constexpr char kDefaultFolder[] = "C:\\fsprobe";
constexpr char kContent[] = "0123456789";

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void FilePath(char *path, size_t size, const char *folder, int i) {
  snprintf(path, size, "%s\\f%05d.bin", folder, i);
}

}  // namespace

int main(int argc, char **argv) {
  int files = argc > 1 ? atoi(argv[1]) : kDefaultFiles;
  const char *folder = argc > 2 ? argv[2] : kDefaultFolder;
  if (files <= 0) return 2;
  char path[MAX_PATH];
  char pattern[MAX_PATH];
  snprintf(pattern, sizeof(pattern), "%s\\*", folder);
  CreateDirectoryA(folder, nullptr);
  for (int i = 0; i < files; ++i) {
    FilePath(path, sizeof(path), folder, i);
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    if (file != INVALID_HANDLE_VALUE) {
      WriteFile(file, kContent, sizeof(kContent) - 1, &written, nullptr);
      CloseHandle(file);
    }
  }

  WIN32_FIND_DATAA data;
  double start = Now();
  for (int i = 0; i < files; ++i) {
    HANDLE find = FindFirstFileA(pattern, &data);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
  }
  double search = (Now() - start) / files;

  start = Now();
  for (int i = 0; i < files; ++i) {
    FilePath(path, sizeof(path), folder, i);
    HANDLE find = FindFirstFileA(path, &data);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
  }
  double findOne = (Now() - start) / files;

  start = Now();
  for (int i = 0; i < files; ++i) {
    FilePath(path, sizeof(path), folder, i);
    GetFileAttributesA(path);
  }
  double attributes = (Now() - start) / files;

  start = Now();
  for (int i = 0; i < files; ++i) RemoveDirectoryA(folder);  // not empty: fails
  double removeFails = (Now() - start) / files;

  start = Now();
  for (int i = 0; i < files; ++i) {
    FilePath(path, sizeof(path), folder, i);
    DeleteFileA(path);
  }
  double deletion = (Now() - start) / files;
  RemoveDirectoryA(folder);

  printf("%d files, ms per call: search of the folder %.3f, search for one file %.3f, "
         "attributes %.3f, failing folder removal %.3f, deletion %.3f\n",
         files, search, findOne, attributes, removeFails, deletion);
  return 0;
}
