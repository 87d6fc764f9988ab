// An index read from any bytes stays within them, gives exactly as many files as it says, each
// with a name that is neither empty nor too long, and writing those files again gives it back.
#include <string.h>

#include <string>
#include <vector>

#include "FuzzInput.h"
#include "pack/PackedFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // Exactly the bytes given, so that the sanitizer sees any read past them.
  std::vector<unsigned char> bytes(data, data + size);
  MediaIndex index;
  if (!OpenMediaIndex(bytes.data(), bytes.size(), &index)) return 0;
  std::vector<MediaFile> files;
  std::vector<std::string> names;
  uint64_t namesLength = 0;
  MediaFile file;
  while (NextMediaFile(&index, &file)) {
    size_t length = strlen(file.name);
    FUZZ_CHECK(length > 0 && length < kIndexNameSize);
    names.push_back(file.name);
    files.push_back(file);
    namesLength += length + 1;
  }
  FUZZ_CHECK(files.size() == uint64_t{index.packedCount} + index.storedCount);
  for (size_t i = 0; i < files.size(); ++i) files[i].name = names[i].c_str();
  std::vector<unsigned char> again(
      MediaIndexRoom(static_cast<uint32_t>(files.size()), namesLength));
  again.resize(WriteMediaIndex(again.data(), files.data(), index.packedCount, index.storedCount));
  MediaIndex reopened;
  FUZZ_CHECK(OpenMediaIndex(again.data(), again.size(), &reopened));
  for (const MediaFile &expected : files) {
    FUZZ_CHECK(NextMediaFile(&reopened, &file));
    FUZZ_CHECK(file.size == expected.size && file.written == expected.written &&
               file.attributes == expected.attributes && !strcmp(file.name, expected.name));
  }
  return 0;
}
