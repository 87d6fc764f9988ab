// The whole media in one program file. "/pack:OUT" checks the script and writes the program
// with its media behind it; the program so made finds its media behind itself, checks them,
// and runs them from a private folder, or writes them out for review with "/extract:".
#pragma once
#include <windows.h>

#include "common/Globals.h"
#include "common/Guards.h"
#include "pack/PackedFile.h"

struct PackedMedia {
  char program[kTargetDirSize];  // this program's file
  PackPlace place;
  // Open from the check on, letting nobody write to it: the bytes unpacked are the ones checked.
  HandleGuard file;
};

// Whether this program's file carries media and, when it does, whether they are whole (their
// CRC-32 is compared); a damaged pack is logged.
PackState FindPackedMedia(PackedMedia *media);

// Unpacks the media into a private folder, runs the setup.exe there with this run's options,
// waits for it and removes the folder; its exit code, or kExitInstallFailure, logged, when
// the media could not be unpacked.
int RunPackedMedia(const PackedMedia &media);

// "/extract:DIR": writes the media into g_extractDir as they were packed and installs nothing;
// media is NULL when the program carries none. The exit code; the outcome goes to the console.
int ExtractPackedMedia(const PackedMedia *media);

// "/pack:OUT": checks the script as "/check" does and refuses one with errors; else writes
// the media's setup.exe without a signature of its own, followed by the record of that
// program and the other files that the script's sections can read, into g_packPath. The exit
// code; the outcome goes to the console.
int PackMedia();
