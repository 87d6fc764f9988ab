// A program file's layout read from any bytes stays within them, and a pack that is called
// present lies behind the image and within the file, before any signature.
#include <string.h>

#include <vector>

#include "FuzzInput.h"
#include "pack/PackedFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput input(data, size);
  uint32_t fileSize = input.Word();
  size_t headerLength = input.Byte() % (kPackHeaderSize + 1);
  std::vector<unsigned char> header(kPackHeaderSize);
  for (unsigned char &byte : header) byte = input.Byte();
  std::string rest = input.Rest();
  // Exactly the bytes left, so that the sanitizer sees any read past them.
  std::vector<unsigned char> head(rest.begin(), rest.end());
  ProgramLayout layout;
  if (!ReadProgramLayout(head.data(), head.size(), &layout)) return 0;
  FUZZ_CHECK(layout.checksumEntry + 4 <= head.size());
  FUZZ_CHECK(!layout.securityEntry || layout.securityEntry + 8 <= head.size());
  PackPlace place;
  if (LocatePack(layout, fileSize, header.data(), headerLength, &place) != PackState::Present)
    return 0;
  uint64_t end = static_cast<uint64_t>(place.mediaStart) + place.mediaSize;
  FUZZ_CHECK(place.mediaStart == layout.imageEnd + kPackHeaderSize);
  FUZZ_CHECK(end <= fileSize && (!layout.signatureStart || end <= layout.signatureStart));
  return 0;
}
