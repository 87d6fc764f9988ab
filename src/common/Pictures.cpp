#include "common/Pictures.h"

#include "common/Globals.h"
#include "common/PathText.h"

HBITMAP LoadWizardPicture(const char *folder, const char *name) {
  char path[kTargetDirSize];
  if (!JoinPath(path, folder, name)) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return nullptr;
  }
  return static_cast<HBITMAP>(
      LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
}

HBITMAP ComposeBitmap(HWND window, HBITMAP source, int width, int height, int x, int y) {
  BITMAP info;
  ZeroMemory(&info, sizeof(info));
  GetObjectA(source, sizeof(info), &info);

  HDC windowDc = GetDC(window);
  HDC target = CreateCompatibleDC(windowDc);
  HDC from = CreateCompatibleDC(windowDc);
  HBITMAP composed = CreateCompatibleBitmap(windowDc, width, height);
  HGDIOBJ oldTarget = SelectObject(target, composed);
  HGDIOBJ oldFrom = SelectObject(from, source);

  RECT whole = {0, 0, width, height};
  FillRect(target, &whole, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));
  BitBlt(target, x, y, info.bmWidth, info.bmHeight, from, 0, 0, SRCCOPY);

  SelectObject(from, oldFrom);
  SelectObject(target, oldTarget);
  DeleteDC(from);
  DeleteDC(target);
  ReleaseDC(window, windowDc);
  return composed;
}
