// "/check": reads the setup script as a run reads it, installs nothing, and reports every
// mistake it finds as "FILE(LINE): error|warning: text", the way compilers report, to the
// console the program was started from and into the log.
#pragma once
#include <windows.h>

#include "common/Globals.h"
#include "engine/PathSet.h"

// What "/pack:" takes from the check: the script's folder and the files there that a run may
// read (the sources of the copies and the cabinets that hold them, the wizard's pictures, the
// programs run from the media), as paths relative to the folder; a file may come more than once.
struct ScriptMedia {
  char folder[kTargetDirSize];  // with its backslash
  char script[kTargetDirSize];  // the script checked
  PathSet files;
  // Of those, the ones that a run reads as files of the media folder: all but the sources
  // that it only copies, and the sources of copies that only replace a file too.
  PathSet readAsFiles;
  GrowingList arguments;   // the argument texts of the programs that a run starts
  bool runsMediaProgram;   // a run starts a program of the media, which may read any file there
};

// Checks the "/check:" script, or setup.inf beside the program; kExitCheckFindings when it
// found an error, else kExitCheckClean. With media, also notes the files a run reads there.
int CheckSetupScript(ScriptMedia *media = nullptr);

// The console that started the program, where there is one; NULL without.
HANDLE ConsoleOutput();
// A line to the console (when there is one) and to the log.
void WriteOutputLine(HANDLE console, const char *text);
