// The size that an Uninstall entry reports: the files that one install section copies.
#pragma once
#include <windows.h>
#include <setupapi.h>

// Bytes of the files that the section's CopyFiles lines copy (file lists and "@name" single
// files), as they lie at their targets after the copy; a file missing there counts nothing.
unsigned long long SectionCopiedBytes(HINF inf, const char *section);

// Bytes as whole kibibytes, rounded up, at most what a DWORD holds.
DWORD SizeInKibibytes(unsigned long long bytes);
