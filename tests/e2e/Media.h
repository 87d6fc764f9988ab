// Scratch media for the end-to-end runs: a folder with setup.exe, a setup script of the test's
// own and its payload, and a target folder; what the runs leave on the machine is read through
// support/SystemState.h.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "support/SystemState.h"
#include "support/TestSupport.h"

// A media folder; the script's "@GATE@", "@TARGET@" and "@MEDIA@" are replaced by the gate
// file, the target folder and the media folder.
class Media {
 public:
  explicit Media(const std::string &script, const std::vector<std::string> &payload = {});
  const std::string &dir() const { return media_.path(); }
  const std::string &target() const { return target_.path(); }
  std::string gateFile() const { return gate_.path() + "\\open"; }
  // Lets a program held by the gate go on.
  void OpenGate() const;

 private:
  ScratchDir media_;
  ScratchDir target_;
  ScratchDir gate_;
};

std::string ReplaceAll(std::string text, const std::string &from, const std::string &to);
// The logs that "/log" alone has written into the temporary folder for a program (a pattern):
// PROGRAM_YYYYMMDD_HHMMSS.log.
std::vector<std::string> LogsInTemp(const std::string &program);
// The paths in the temporary folder whose names match a pattern.
std::vector<std::string> FoundInTemp(const std::string &pattern);
// Writes a 24-bit bitmap file of one colour.
void WriteSolidBitmap(const std::string &path, int width, int height, COLORREF colour);
// Rewrites a text file written in UTF-8 as UTF-16 with its byte-order mark.
void ConvertToUtf16(const std::string &path);
