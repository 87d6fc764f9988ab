// The group order edit: a stored list of any length and shape, in a buffer sized for it,
// always takes a non-empty group, keeps every other group in its order, and puts the group
// where its anchor says; an empty group changes nothing.
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "services/GroupPlacement.h"
#include "services/MultiSz.h"

namespace {

std::vector<std::string> Entries(const std::vector<char> &buffer) {
  std::vector<std::string> entries;
  size_t at = 0;
  while (at < buffer.size()) {
    size_t length = strnlen(&buffer[at], buffer.size() - at);
    FUZZ_CHECK(at + length < buffer.size());
    if (length == 0) break;
    entries.push_back(std::string(&buffer[at], length));
    at += length + 1;
  }
  return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput input(data, size);
  std::string group = input.Text();
  std::string anchor = input.Text();
  std::string stored = input.Rest();

  std::vector<char> list(GroupListCapacity(stored.size(), group.size()), 'x');
  std::copy(stored.begin(), stored.end(), list.begin());
  FUZZ_CHECK(MultiSzFromBytes(list.data(), stored.size(), list.size()) != 0);
  std::vector<std::string> model = Entries(list);

  int placed = PlaceGroupInList(list.data(), list.size(), group.c_str(), anchor.c_str());
  if (group.empty()) {
    FUZZ_CHECK(placed == 0);
    FUZZ_CHECK(Entries(list) == model);
    return 0;
  }
  FUZZ_CHECK(placed == 1);
  auto present = std::find(model.begin(), model.end(), group);
  if (present != model.end()) model.erase(present);
  bool after = !anchor.empty() && anchor[0] == '-';
  std::string name = (!anchor.empty() && (anchor[0] == '-' || anchor[0] == '+')) ? anchor.substr(1) : anchor;
  auto found = std::find(model.begin(), model.end(), name);
  size_t at;
  if (after)
    at = found != model.end() ? static_cast<size_t>(found - model.begin()) + 1 : model.size();
  else
    at = found != model.end() ? static_cast<size_t>(found - model.begin()) : 0;
  model.insert(model.begin() + at, group);
  FUZZ_CHECK(Entries(list) == model);
  return 0;
}
