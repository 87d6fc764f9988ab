// The "Rename" section edit: the new "NUL=" line goes after the lines already read, with the
// list's final NUL, exactly when it fits the buffer; otherwise the buffer is untouched.
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "engine/RenameSection.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput input(data, size);
  size_t slack = input.Byte();
  size_t readSize = 1 + input.Byte();
  std::string shortPath = input.Text();
  std::string section = input.Rest();  // earlier lines with their NULs, as read

  // A read is suspect exactly when it came within two characters of the read size.
  FUZZ_CHECK(ProfileSectionMayBeCut(section.size(), readSize) == (section.size() + 2 >= readSize));

  size_t needed = RenameSectionSizeWith(section.size(), shortPath.c_str());
  FUZZ_CHECK(needed == section.size() + 4 + shortPath.size() + 2);
  // A buffer from just the section's size to well beyond what the line needs.
  size_t capacity = section.size() + slack;
  std::vector<char> buffer(std::max<size_t>(capacity, 1), 'x');
  std::copy(section.begin(), section.end(), buffer.begin());
  std::vector<char> before = buffer;

  size_t length = AppendRenameLine(buffer.data(), section.size(), capacity, shortPath.c_str());
  if (needed > capacity) {
    FUZZ_CHECK(length == 0);
    FUZZ_CHECK(buffer == before);
    return 0;
  }
  FUZZ_CHECK(length == needed - 1);
  std::string line = "NUL=" + shortPath;
  line += '\0';
  line += '\0';
  FUZZ_CHECK(std::string(buffer.data(), section.size()) == section);
  FUZZ_CHECK(std::string(buffer.data() + section.size(), line.size()) == line);
  FUZZ_CHECK(std::equal(buffer.begin() + needed, buffer.end(), before.begin() + needed));

  return 0;
}
