// The page logic without Windows calls: message texts cut at their buffer and never
// overrun, target paths whole or refused with the buffer unchanged, and a window placed
// inside the work area whenever it fits there.
#include <string.h>

#include <string>
#include <vector>

#include "FuzzInput.h"
#include "common/MessageText.h"
#include "common/Utf8Text.h"
#include "pages/PageLogic.h"
#include "script/TargetPath.h"

namespace {

bool IsUtf8Text(const std::string &text) { return IsUtf8(text.data(), text.size()); }

// A text cut to its buffer: the whole when it fits, else the start of it, cut on a character
// and so at most three bytes short of the buffer; of pieces in UTF-8, itself in UTF-8.
void CheckCut(const std::string &out, const std::string &whole, size_t size, bool utf8) {
  FUZZ_CHECK(whole.compare(0, out.size(), out) == 0);
  if (whole.size() < size) {
    FUZZ_CHECK(out == whole);
    return;
  }
  FUZZ_CHECK(out.size() < size && out.size() + 4 >= size);
  if (utf8) FUZZ_CHECK(IsUtf8Text(out));
}

void CheckMessages(FuzzInput &input) {
  size_t size = 1 + input.Byte() * 4;
  std::string format = input.Text();
  std::string name = input.Text();
  std::vector<char> out(size, 'x');
  FillNamePlaceholder(out.data(), out.size(), format.c_str(), name.c_str());
  size_t mark = format.find("%s");
  std::string whole = mark == std::string::npos ? format
                                                : format.substr(0, mark) + name + format.substr(mark + 2);
  bool utf8 = IsUtf8Text(format) && IsUtf8Text(name);
  CheckCut(out.data(), whole, size, utf8);

  std::string systemText = input.Text();
  whole = systemText.empty() ? format : format + "\r\n\r\n" + systemText;
  size_t needed = ErrorMessageSize(format.c_str(), systemText.c_str());
  FUZZ_CHECK(needed == whole.size() + 1);
  std::vector<char> exact(needed, 'x');
  ComposeErrorMessage(exact.data(), exact.size(), format.c_str(), systemText.c_str());
  FUZZ_CHECK(std::string(exact.data()) == whole);
  ComposeErrorMessage(out.data(), out.size(), format.c_str(), systemText.c_str());
  CheckCut(out.data(), whole, size, IsUtf8Text(format) && IsUtf8Text(systemText));
}

void CheckTargets(FuzzInput &input) {
  size_t size = 1 + input.Byte() + (input.Byte() & 1 ? 256 : 0);
  std::string base = input.Text();
  std::string subdir = input.Text();
  std::vector<char> out(size, 'x');
  out[0] = '\0';
  std::string sub = (!subdir.empty() && subdir[0] == '\\') ? subdir.substr(1) : subdir;
  std::string whole = base;
  if (base.empty() || base.back() != '\\') whole += '\\';
  whole += sub;
  bool fits = whole.size() + 1 <= size;
  if (fits && whole.back() == '\\') whole.pop_back();
  FUZZ_CHECK(AssembleProgramFilesTarget(out.data(), out.size(), base.c_str(), subdir.c_str()) ==
             fits);
  FUZZ_CHECK(std::string(out.data()) == (fits ? whole : ""));

  // The browser's result with the subdirectory appended, or left as it was.
  if (base.size() + 1 > size) return;
  memcpy(out.data(), base.c_str(), base.size() + 1);
  bool appended = AppendChosenSubdir(out.data(), out.size(), subdir.c_str());
  std::string result = out.data();
  size_t last = base.rfind('\\');
  bool already = sub.empty() || (last != std::string::npos && base.substr(last + 1) == sub);
  if (already) {
    FUZZ_CHECK(appended && result == base);
    return;
  }
  whole = base;
  if (base.empty() || base.back() != '\\') whole += '\\';
  whole += sub;
  FUZZ_CHECK(appended == (whole.size() < size));
  FUZZ_CHECK(result == (appended ? whole : base));
}

// Screen coordinates stay within what a screen has (16 bits), as the system gives them.
long Coordinate(FuzzInput &input) { return static_cast<int16_t>(input.Byte() << 8 | input.Byte()); }

void CheckPlacement(FuzzInput &input) {
  long w = Coordinate(input) & 0x7FFF, h = Coordinate(input) & 0x7FFF;
  ScreenRect reference = {Coordinate(input), Coordinate(input), Coordinate(input), Coordinate(input)};
  ScreenRect work = {Coordinate(input), Coordinate(input), Coordinate(input), Coordinate(input)};
  if (work.right < work.left || work.bottom < work.top) return;
  long x, y;
  CenterPosition(w, h, reference, work, &x, &y);
  FUZZ_CHECK(x >= work.left && y >= work.top);
  if (w <= work.right - work.left) FUZZ_CHECK(x + w <= work.right);
  if (h <= work.bottom - work.top) FUZZ_CHECK(y + h <= work.bottom);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzInput input(data, size);
  switch (input.Byte() % 3) {
    case 0: CheckMessages(input); break;
    case 1: CheckTargets(input); break;
    default: CheckPlacement(input); break;
  }
  for (int phase = -1; phase < 8; ++phase)
    FUZZ_CHECK((PhaseTextId(phase, 0) != 0) == (phase >= 2 && phase <= 6));
  return 0;
}
