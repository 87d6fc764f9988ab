// The Uninstall entry's texts: the command line is whole, the path and the key quoted when
// they have a blank, and at most 259 characters, or not formed at all; the key path likewise.
#include <string.h>

#include <string>
#include <vector>

#include "FuzzInput.h"
#include "script/UninstallCommand.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput input(data, size);
  uint8_t sizeChoice = input.Byte();
  std::string setupPath = input.Text();
  std::string key = input.Text();
  size_t bufferSize = (sizeChoice & 0x80) ? kUninstallCommandMax + 1 : 1 + (sizeChoice & 0x7F) * 3;

  std::vector<char> out(bufferSize, 'x');
  bool quote = setupPath.find_first_of(" \t") != std::string::npos;
  bool quoteKey = key.find_first_of(" \t") != std::string::npos;
  std::string whole = (quote ? "\"" + setupPath + "\"" : setupPath) + " /remove:" +
                      (quoteKey ? "\"" + key + "\"" : key);
  // A key that the command line cannot carry back is never put into one.
  bool carried = !key.empty() && key.find('"') == std::string::npos;
  FUZZ_CHECK(KeyCanBeCarried(key.c_str()) == carried);
  bool fits = carried && whole.size() <= kUninstallCommandMax && whole.size() < bufferSize;
  FUZZ_CHECK(BuildUninstallCommand(out.data(), out.size(), setupPath.c_str(), key.c_str()) ==
             (fits ? 1 : 0));
  FUZZ_CHECK(std::string(out.data()) == (fits ? whole : ""));

  std::vector<char> path((sizeChoice & 0x80) ? kUninstallKeyPathSize : bufferSize, 'x');
  whole = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + key;
  fits = !key.empty() && key.size() <= 255 && whole.size() < path.size();
  FUZZ_CHECK(FormUninstallKeyPath(path.data(), path.size(), key.c_str()) == (fits ? 1 : 0));
  FUZZ_CHECK(std::string(path.data()) == (fits ? whole : ""));
  return 0;
}
