// A setup script written into a scratch folder and opened with the Setup API, for the tests
// of the shell subsystem.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include <string>

#include "support/TestSupport.h"

class TestScript {
 public:
  TestScript(const ScratchDir &dir, const std::string &body) {
    std::string path = dir / "setup.inf";
    WriteTextFile(path, "[Version]\r\nSignature=\"$Chicago$\"\r\n" + body);
    UINT errorLine = 0;
    inf_ = SetupOpenInfFileA(path.c_str(), nullptr, INF_STYLE_WIN4, &errorLine);
  }
  ~TestScript() {
    if (inf_ != INVALID_HANDLE_VALUE) SetupCloseInfFile(inf_);
  }
  TestScript(const TestScript &) = delete;
  TestScript &operator=(const TestScript &) = delete;
  HINF inf() const { return inf_; }
  bool ok() const { return inf_ != INVALID_HANDLE_VALUE; }

 private:
  HINF inf_ = INVALID_HANDLE_VALUE;
};
