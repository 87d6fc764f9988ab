// Target folders: a full form is whole and stays as it is when taken again, with no part that
// Windows would still change; nothing is written past either buffer.
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "common/PathText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput input(data, size);
  size_t outSize = 1 + input.Byte();
  size_t partSize = input.Byte();
  std::string path = input.Text();
  std::vector<char> out(outSize, 'x');
  std::vector<char> part(partSize + 1, 'x');
  PathForm form = NormaliseFolderPath(path.c_str(), out.data(), outSize, part.data(), partSize);
  FUZZ_CHECK(part[partSize] == 'x');
  if (form != PathForm::Full) {
    FUZZ_CHECK(out[0] == '\0');
    return 0;
  }
  std::string full = out.data();
  FUZZ_CHECK(full.size() < outSize);
  FUZZ_CHECK(full.find('/') == std::string::npos);
  FUZZ_CHECK(full.find("\\\\", 1) == std::string::npos);
  for (const char *ending : {".\\", " \\", "\\.\\", "\\..\\"})
    FUZZ_CHECK((full + "\\").find(ending) == std::string::npos);
  FUZZ_CHECK(full.back() != '\\' || full.size() == 3);
  std::vector<char> again(outSize, 'x');
  FUZZ_CHECK(NormaliseFolderPath(full.c_str(), again.data(), outSize, nullptr, 0) ==
             PathForm::Full);
  FUZZ_CHECK(full == again.data());
  return 0;
}
