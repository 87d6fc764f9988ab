// Version texts: the comparison is antisymmetric, a text equals itself, and wherever the C
// library can read every part (no part beyond a long long) it agrees with strtoll's values.
#include <errno.h>
#include <stdlib.h>

#include <string>

#include "FuzzInput.h"
#include "script/VersionCompare.h"

namespace {

int Sign(int value) { return (value > 0) - (value < 0); }

// Sign of (script - installed) read part by part with strtoll; false when a part overflows.
bool LibraryCompare(const char *installed, const char *script, int *order) {
  for (;;) {
    char *endA;
    char *endB;
    errno = 0;
    long long a = strtoll(installed, &endA, 10);
    long long b = strtoll(script, &endB, 10);
    if (errno == ERANGE) return false;
    if (a != b) {
      *order = b > a ? 1 : -1;
      return true;
    }
    if (*endA != '.' || *endB != '.') {
      *order = 0;
      return true;
    }
    installed = endA + 1;
    script = endB + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput input(data, size);
  std::string installed = input.Text();
  std::string script = input.Text();
  int order = Sign(CompareVersionTexts(installed.c_str(), script.c_str()));
  FUZZ_CHECK(order == -Sign(CompareVersionTexts(script.c_str(), installed.c_str())));
  FUZZ_CHECK(CompareVersionTexts(installed.c_str(), installed.c_str()) == 0);
  int expected;
  if (LibraryCompare(installed.c_str(), script.c_str(), &expected)) FUZZ_CHECK(order == expected);
  return 0;
}
