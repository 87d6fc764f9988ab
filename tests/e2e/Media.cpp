#include "e2e/Media.h"

#include <string.h>

#include "e2e/WizardDriver.h"

std::string ReplaceAll(std::string text, const std::string &from, const std::string &to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

std::vector<std::string> LogsInTemp(const std::string &program) {
  return FoundInTemp(program + "_????????_??????.log");
}

std::vector<std::string> FoundInTemp(const std::string &pattern) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof(temp), temp);
  std::vector<std::string> paths;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((temp + pattern).c_str(), &found);
  for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
    paths.push_back(temp + std::string(found.cFileName));
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  return paths;
}

void ConvertToUtf16(const std::string &path) {
  std::string text = ReadTextFile(path);
  std::wstring wide(text.size() + 1, L'\0');
  int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                   &wide[0], static_cast<int>(wide.size()));
  wide.resize(static_cast<size_t>(length));
  wide.insert(wide.begin(), L'\xFEFF');
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, wide.data(), static_cast<DWORD>(wide.size() * sizeof(wchar_t)), &written,
            nullptr);
  CloseHandle(file);
}

void WriteSolidBitmap(const std::string &path, int width, int height, COLORREF colour) {
  const DWORD stride = BitmapStride(width);
  std::string pixels(stride * static_cast<DWORD>(height), '\0');
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      char *pixel = &pixels[y * stride + x * 3];
      pixel[0] = static_cast<char>(GetBValue(colour));
      pixel[1] = static_cast<char>(GetGValue(colour));
      pixel[2] = static_cast<char>(GetRValue(colour));
    }
  WriteBitmapFile(path, width, height, pixels.data());
}

Media::Media(const std::string &script, const std::vector<std::string> &payload) {
  std::string text = ReplaceAll(script, "@GATE@", gateFile());
  text = ReplaceAll(text, "@TARGET@", target());
  text = ReplaceAll(text, "@MEDIA@", dir());
  WriteTextFile(media_ / "setup.inf", text);
  for (const std::string &name : payload) WriteTextFile(media_ / name, "payload " + name + "\r\n");
  CopyFileA(BinaryPath("tests/tools/gate/gate.exe").c_str(), (media_ / "gate.exe").c_str(),
            FALSE);
}

void Media::OpenGate() const { WriteTextFile(gateFile(), "open"); }
