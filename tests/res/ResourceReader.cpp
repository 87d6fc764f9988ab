#include "res/ResourceReader.h"

#include <string.h>

namespace {

constexpr UINT kCodePage = 1252;
constexpr int kStringsPerBlock = 16;

std::string Narrow(const WCHAR *text, int length) {
  if (length <= 0) return std::string();
  int size = WideCharToMultiByte(kCodePage, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(size, '\0');
  WideCharToMultiByte(kCodePage, 0, text, length, &out[0], size, nullptr, nullptr);
  return out;
}

// Walks a template from its start; every read is bounded by the resource's size.
class Walker {
 public:
  Walker(const BYTE *base, DWORD size) : base_(base), size_(size) {}
  bool ok() const { return ok_; }
  size_t offset() const { return at_; }

  WORD Word() {
    WORD v = 0;
    Copy(&v, sizeof(v));
    return v;
  }
  DWORD Dword() {
    DWORD v = 0;
    Copy(&v, sizeof(v));
    return v;
  }
  short Short() { return static_cast<short>(Word()); }

  std::string String() {
    std::wstring text;
    for (WORD c = Word(); ok_ && c; c = Word()) text.push_back(static_cast<WCHAR>(c));
    return Narrow(text.c_str(), static_cast<int>(text.size()));
  }

  NameOrOrdinal NameOrNumber() {
    NameOrOrdinal result;
    WORD first = Word();
    if (first == 0xFFFF) {
      result.isOrdinal = true;
      result.ordinal = Word();
    } else if (first != 0) {
      at_ -= sizeof(WORD);
      result.name = String();
    }
    return result;
  }

  void Skip(size_t bytes) {
    if (at_ + bytes > size_) ok_ = false;
    at_ += bytes;
  }
  void AlignToDword() { Skip((4 - at_ % 4) % 4); }

 private:
  void Copy(void *out, size_t bytes) {
    if (!ok_ || at_ + bytes > size_) {
      ok_ = false;
      return;
    }
    memcpy(out, base_ + at_, bytes);
    at_ += bytes;
  }

  const BYTE *base_;
  DWORD size_;
  size_t at_ = 0;
  bool ok_ = true;
};

std::string PredefinedClass(const NameOrOrdinal &cls) {
  if (!cls.isOrdinal) return cls.name;
  switch (cls.ordinal) {
    case 0x0080: return "Button";
    case 0x0081: return "Edit";
    case 0x0082: return "Static";
    case 0x0083: return "ListBox";
    case 0x0084: return "ScrollBar";
    case 0x0085: return "ComboBox";
  }
  return "#" + std::to_string(cls.ordinal);
}

const BYTE *LockExact(LPCSTR type, LPCSTR name, LANGID language, DWORD *size) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC info = FindResourceExA(module, type, name, language);
  if (!info) return nullptr;
  *size = SizeofResource(module, info);
  return static_cast<const BYTE *>(LockResource(LoadResource(module, info)));
}

BOOL CALLBACK AddLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR list) {
  reinterpret_cast<std::vector<LANGID> *>(list)->push_back(language);
  return TRUE;
}

}  // namespace

const char *LanguageName(LANGID language) {
  switch (language) {
    case 0x0006: return "Danish";
    case 0x000A: return "Spanish";
    case 0x000B: return "Finnish";
    case 0x0014: return "Norwegian";
    case 0x0407: return "German";
    case 0x0409: return "English";
    case 0x040C: return "French";
    case 0x0410: return "Italian";
    case 0x0413: return "Dutch";
  }
  return "other";
}

DialogTemplate ReadDialog(int id, LANGID language) {
  DialogTemplate dialog;
  DWORD size = 0;
  const BYTE *bytes = LockExact(RT_DIALOG, MAKEINTRESOURCEA(id), language, &size);
  if (!bytes) return dialog;
  dialog.bytes = bytes;
  Walker walk(bytes, size);
  // An extended template starts with the version 1 and the signature 0xFFFF.
  dialog.extended = size >= 4 && bytes[0] == 1 && bytes[1] == 0 && bytes[2] == 0xFF &&
                    bytes[3] == 0xFF;
  if (dialog.extended) {
    dialog.found = true;
    return dialog;
  }
  dialog.style = walk.Dword();
  dialog.exStyle = walk.Dword();
  WORD count = walk.Word();
  dialog.x = walk.Short();
  dialog.y = walk.Short();
  dialog.cx = walk.Short();
  dialog.cy = walk.Short();
  dialog.menu = walk.NameOrNumber();
  dialog.windowClass = walk.NameOrNumber();
  dialog.caption = walk.String();
  if (dialog.style & DS_SETFONT) {
    dialog.pointSize = walk.Word();
    dialog.fontFace = walk.String();
  }
  for (WORD i = 0; i < count && walk.ok(); ++i) {
    walk.AlignToDword();
    TemplateControl control;
    control.style = walk.Dword();
    control.exStyle = walk.Dword();
    control.x = walk.Short();
    control.y = walk.Short();
    control.cx = walk.Short();
    control.cy = walk.Short();
    control.id = walk.Word();
    control.className = PredefinedClass(walk.NameOrNumber());
    control.text = walk.NameOrNumber();
    walk.Skip(walk.Word());
    if (walk.ok()) dialog.controls.push_back(control);
  }
  dialog.found = walk.ok();
  return dialog;
}

std::string ReadString(int id, LANGID language, bool *exists) {
  if (exists) *exists = false;
  DWORD size = 0;
  const BYTE *bytes =
      LockExact(RT_STRING, MAKEINTRESOURCEA(id / kStringsPerBlock + 1), language, &size);
  if (!bytes) return std::string();
  Walker walk(bytes, size);
  for (int entry = 0; entry < kStringsPerBlock && walk.ok(); ++entry) {
    WORD length = walk.Word();
    size_t start = walk.offset();
    walk.Skip(length * sizeof(WCHAR));
    if (!walk.ok()) break;
    if (entry == id % kStringsPerBlock) {
      if (exists) *exists = length > 0;
      return Narrow(reinterpret_cast<const WCHAR *>(bytes + start), length);
    }
  }
  return std::string();
}

std::vector<LANGID> ResourceLanguages(LPCSTR type, LPCSTR name) {
  std::vector<LANGID> list;
  EnumResourceLanguagesA(GetModuleHandleA(nullptr), type, name, AddLanguage,
                         reinterpret_cast<LONG_PTR>(&list));
  return list;
}

std::string ResourceBytes(LPCSTR type, LPCSTR name) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC info = FindResourceA(module, name, type);
  if (!info) return std::string();
  const char *data = static_cast<const char *>(LockResource(LoadResource(module, info)));
  return data ? std::string(data, SizeofResource(module, info)) : std::string();
}
