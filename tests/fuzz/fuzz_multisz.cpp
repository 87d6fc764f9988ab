// Multi-strings: stored bytes of any shape become a well-formed list in place, and inserts,
// removals and look-ups then behave like the same edits on a vector of texts, never writing
// past the buffer and refusing exactly what does not fit.
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "common/KeyList.h"
#include "services/MultiSz.h"

namespace {

bool ReadList(const std::vector<char> &buffer, std::vector<std::string> *entries) {
  entries->clear();
  size_t at = 0;
  while (at < buffer.size()) {
    size_t length = strnlen(&buffer[at], buffer.size() - at);
    if (at + length == buffer.size()) return false;
    if (length == 0) return true;
    entries->push_back(std::string(&buffer[at], length));
    at += length + 1;
  }
  return false;
}

size_t ModelSize(const std::vector<std::string> &model) {
  size_t size = 1;
  for (const std::string &entry : model) size += entry.size() + 1;
  return model.empty() ? 2 : size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput input(data, size);
  size_t slack = input.Byte() % 64;
  size_t storedLength = input.Byte();
  std::string stored;
  for (size_t i = 0; i < storedLength && !input.empty(); ++i) stored += static_cast<char>(input.Byte());

  // The stored value split at its NULs, empty entries dropped.
  std::vector<std::string> model;
  for (size_t at = 0; at < stored.size();) {
    size_t end = stored.find('\0', at);
    if (end == std::string::npos) end = stored.size();
    if (end > at) model.push_back(stored.substr(at, end - at));
    at = end + 1;
  }

  // A buffer one byte short of what the conversion needs is refused and left alone.
  if (!stored.empty()) {
    std::vector<char> tight(stored.begin(), stored.end());
    tight.push_back('y');
    FUZZ_CHECK(MultiSzFromBytes(tight.data(), stored.size(), tight.size()) == 0);
    FUZZ_CHECK(std::string(tight.data(), stored.size()) == stored);
  }

  std::vector<char> list(stored.size() + 2 + slack, 'x');
  std::copy(stored.begin(), stored.end(), list.begin());
  FUZZ_CHECK(MultiSzFromBytes(list.data(), stored.size(), list.size()) == ModelSize(model));

  while (!input.empty()) {
    uint8_t op = input.Byte();
    int n = static_cast<int>(static_cast<int8_t>(input.Byte()));
    std::string text = input.Text();
    if (op & 1) {
      bool fits = !text.empty() && (model.empty() ? 0 : ModelSize(model) - 1) + text.size() + 2 <= list.size();
      FUZZ_CHECK(MultiSzInsert(list.data(), list.size(), text.c_str(), n) == (fits ? 1 : 0));
      if (fits) {
        size_t at = (n < 0 || static_cast<size_t>(n) >= model.size()) ? model.size() : n;
        model.insert(model.begin() + at, text);
      }
    } else {
      bool present = n >= 0 && static_cast<size_t>(n) < model.size();
      FUZZ_CHECK(MultiSzRemove(list.data(), n) == (present ? 1 : 0));
      if (present) model.erase(model.begin() + n);
    }
    std::vector<std::string> entries;
    FUZZ_CHECK(ReadList(list, &entries));
    FUZZ_CHECK(entries == model);
    FUZZ_CHECK(ListCount(list.data()) == static_cast<int>(model.size()));
    FUZZ_CHECK(MultiSzSize(list.data()) == ModelSize(model));
    auto found = std::find(model.begin(), model.end(), text);
    int index = found == model.end() ? -1 : static_cast<int>(found - model.begin());
    FUZZ_CHECK(MultiSzFind(list.data(), text.c_str()) == (text.empty() ? -1 : index));
    const char *nth = MultiSzNth(list.data(), n);
    FUZZ_CHECK((nth != nullptr) == (n >= 0 && static_cast<size_t>(n) < model.size()));
    if (nth) FUZZ_CHECK(model[n] == nth);
  }
  return 0;
}
