// Paths of the file-queue callback: a file's directory is never cut, never a root, and never
// written past its buffer; the cabinet test is symmetric and only true for same-named ".cab";
// a scheduled deletion takes only the path it names and what lies below it; a trailing part is
// cut only where the path ends with it after a backslash; a set of paths finds what it holds,
// sorted or not.
#include <string.h>

#include <string>
#include <vector>

#include "FuzzInput.h"
#include "engine/PathSet.h"
#include "engine/QueuePaths.h"

namespace {

bool IsRoot(const std::string &directory) {
  if (directory.empty()) return true;
  if (directory.size() == 2 && directory[1] == ':') return true;
  if (directory.compare(0, 2, "\\\\") == 0) {
    size_t server = directory.find('\\', 2);
    return server == std::string::npos || directory.find('\\', server + 1) == std::string::npos;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput input(data, size);
  size_t bufferSize = 1 + input.Byte() + (input.Byte() & 1 ? 256 : 0);
  std::string path = input.Text();
  std::string other = input.Text();

  std::vector<char> directory(bufferSize, 'x');
  int found = FileDirectory(directory.data(), directory.size(), path.c_str());
  size_t slash = path.rfind('\\');
  bool expected = path.size() < bufferSize && slash != std::string::npos &&
                  !IsRoot(path.substr(0, slash));
  FUZZ_CHECK(found == (expected ? 1 : 0));
  FUZZ_CHECK(std::string(directory.data()) == (expected ? path.substr(0, slash) : ""));

  const char *final = FinalPathPart(path.c_str());
  FUZZ_CHECK(final >= path.c_str() && final <= path.c_str() + path.size());
  FUZZ_CHECK(final == path.c_str() + (slash == std::string::npos ? 0 : slash));

  bool cabinet = IsCabinetUnderOwnName(path.c_str(), other.c_str());
  FUZZ_CHECK(cabinet == IsCabinetUnderOwnName(other.c_str(), path.c_str()));
  if (cabinet) {
    std::string part = FinalPathPart(path.c_str());
    FUZZ_CHECK(part.size() >= 4 && strcasecmp(part.c_str() + part.size() - 4, ".cab") == 0);
    FUZZ_CHECK(strcasecmp(part.c_str(), FinalPathPart(other.c_str())) == 0);
  }

  // A scheduled deletion takes a path only when it names the path or a folder above it.
  if (DeletionTakesPath(path.c_str(), other.c_str())) {
    FUZZ_CHECK(!path.empty() && path.size() <= other.size());
    FUZZ_CHECK(strncasecmp(path.c_str(), other.c_str(), path.size()) == 0);
    FUZZ_CHECK(path.size() == other.size() || other[path.size()] == '\\' || path.back() == '\\');
  }
  FUZZ_CHECK(DeletionTakesPath(path.c_str(), path.c_str()) == !path.empty());

  std::string tail = other.substr(other.find_first_not_of('\\') == std::string::npos
                                      ? other.size()
                                      : other.find_first_not_of('\\'));
  while (!tail.empty() && tail.back() == '\\') tail.pop_back();
  size_t keep = path.size() - (path.size() > tail.size() ? tail.size() + 1 : 0);
  bool ends = !tail.empty() && path.size() > tail.size() && path[keep] == '\\' &&
              strcasecmp(path.c_str() + keep + 1, tail.c_str()) == 0;
  std::string cut = path;
  FUZZ_CHECK(CutTrailingPath(&cut[0], other.c_str()) == ends);
  FUZZ_CHECK(std::string(cut.c_str()) == (ends ? path.substr(0, keep) : path));

  PathSet set = {};
  for (int sorted = 0; sorted < 2; ++sorted) {
    FUZZ_CHECK(path.empty() || PathSetAdd(&set, path.c_str()));
    FUZZ_CHECK(PathSetHas(&set, path.c_str()) == !path.empty());
    bool same = !path.empty() && SamePath(path.c_str(), other.c_str());
    FUZZ_CHECK(PathSetHas(&set, other.c_str()) == same);
    PathSetSort(&set);
  }
  PathSetFree(&set);
  return 0;
}
