// Shortcut paths: the link path is whole or refused, the working directory whole or empty,
// and climbing the sub-folders never goes at or above the kept length.
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "shell/LinkPath.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput input(data, size);
  uint8_t sizeChoice = input.Byte();
  size_t keep = input.Byte();
  std::string folder = input.Text();
  std::string name = input.Text();
  size_t bufferSize = (sizeChoice & 0x80) ? kTargetDirSize : 1 + (sizeChoice & 0x7F);

  std::vector<char> path(bufferSize, 'x');
  bool separate = folder.empty() || folder.back() != '\\';
  std::string whole = folder + (separate ? "\\" : "") + name + ".lnk";
  bool built = BuildLinkPath(path.data(), path.size(), folder.c_str(), name.c_str());
  FUZZ_CHECK(built == (whole.size() < bufferSize));
  FUZZ_CHECK(std::string(path.data()) == (built ? whole : ""));

  std::vector<char> directory(bufferSize, 'x');
  ShortcutWorkingDirectory(directory.data(), directory.size(), folder.c_str());
  std::string expected;
  if (folder.size() < bufferSize) expected = folder.substr(0, std::min(folder.size(), folder.rfind('\\')));
  FUZZ_CHECK(std::string(directory.data()) == expected);

  if (!built) return 0;
  // Walk up as the deletion of a shortcut does.
  std::string before = path.data();
  while (CutToParentFolder(path.data(), keep)) {
    std::string after = path.data();
    FUZZ_CHECK(after.size() > keep);
    FUZZ_CHECK(before.compare(0, after.size(), after) == 0 && before[after.size()] == '\\');
    before = after;
  }
  size_t last = before.rfind('\\');
  FUZZ_CHECK(last == std::string::npos || last <= keep);
  return 0;
}
