// Key and section lists: any sequence of appends, single sets and clears on a buffer of any
// size keeps a well-formed list inside the buffer, holding exactly the entries accepted.
#include <string.h>

#include <string>
#include <vector>

#include "FuzzInput.h"
#include "common/KeyList.h"
#include "common/Utf8Text.h"

namespace {

// The entries of the list, walked without ever reading past the buffer.
bool ReadList(const std::vector<char> &buffer, std::vector<std::string> *entries) {
  entries->clear();
  size_t at = 0;
  while (at < buffer.size()) {
    size_t length = strnlen(&buffer[at], buffer.size() - at);
    if (at + length == buffer.size()) return false;  // an entry without its NUL
    if (length == 0) return true;                    // the final empty entry
    entries->push_back(std::string(&buffer[at], length));
    at += length + 1;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput input(data, size);
  size_t bufferSize = 1 + input.Byte();
  std::vector<char> list(bufferSize, 'x');  // exactly the size: a write past it is caught
  ListClear(list.data(), list.size());
  std::vector<std::string> model;

  while (!input.empty()) {
    uint8_t op = input.Byte();
    std::string text = input.Text();
    switch (op % 3) {
      case 0:
        ListClear(list.data(), list.size());
        model.clear();
        break;
      case 1: {
        size_t maxLen = input.Byte();
        size_t needed = 0;
        for (const std::string &entry : model) needed += entry.size() + 1;
        bool fits = !text.empty() && (maxLen == 0 || text.size() < maxLen) &&
                    needed + text.size() + 2 <= list.size();
        int appended = ListAppend(list.data(), list.size(), text.c_str(), maxLen);
        FUZZ_CHECK(appended == (fits ? 1 : 0));
        if (fits) model.push_back(text);
        break;
      }
      default: {
        ListSetSingle(list.data(), list.size(), text.data(), text.size());
        model.clear();
        // A key too long is cut before the character that would be split.
        size_t kept = list.size() < 3 || text.size() <= list.size() - 2
                          ? text.size()
                          : CharacterCut(text.data(), list.size() - 2);
        if (list.size() >= 3 && kept) model.push_back(text.substr(0, kept));
        break;
      }
    }
    if (list.size() < 2) continue;  // too small to hold even the empty list's two NULs
    std::vector<std::string> entries;
    FUZZ_CHECK(ReadList(list, &entries));
    FUZZ_CHECK(entries == model);
    FUZZ_CHECK(ListCount(list.data()) == static_cast<int>(model.size()));
  }
  return 0;
}
