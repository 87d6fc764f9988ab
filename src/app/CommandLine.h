// The command line of setup.exe: "/quiet", "/silent", "/style:", "/install[:keys]",
// "/remove[:key]", "/lang:", "/log[:path]", "/dir:", "/check[:path]", "/pack:", "/extract:",
// "/downgrade", and "/relocated:", which a removal adds when it hands itself over to a copy of
// the program.
#pragma once

// A token longer than this (less its NUL) is cut: every value that has a limit of its own is
// refused or cut long before.
constexpr int kCommandTokenSize = 4096;

// Reads the options into the globals of app/Globals.h. Tokens are split at spaces; a double
// quote starts or ends a quoted part, in which spaces do not split, and is itself dropped, so
// that a value with blanks is written /dir:"C:\Program Files\Tools". Options are compared by
// prefix without regard to case; later tokens win; unknown tokens are ignored. A value that
// cannot be taken as it is (a path too long for its buffer, keys that do not fit the key
// list) leaves g_commandLineFault naming the option.
void ParseCommandLine(const char *commandLine);
