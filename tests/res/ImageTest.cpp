// The bitmaps and the icon: sizes, colour depths, the pictures at the positions the pages
// take them from, and the icon's three images.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <string.h>

#include <set>
#include <string>
#include <vector>

#include "res/ResourceReader.h"
#include "res/resource.h"

namespace {

constexpr COLORREF kMask = RGB(0, 128, 128);
constexpr int kCell = 16;
constexpr int kStripImages = 71;
constexpr int kTickedBox = 14, kEmptyBox = 15, kNotice = 69;
constexpr int kMinimumOpaquePixels = 16;

// A device-independent bitmap resource, decoded to colours.
struct Dib {
  BITMAPINFOHEADER header;
  std::vector<COLORREF> palette, pixels;  // pixels top-down
  bool ok = false;
  COLORREF At(int x, int y) const { return pixels[y * header.biWidth + x]; }
};

Dib ReadBitmap(int id) {
  Dib dib;
  std::string bytes = ResourceBytes(RT_BITMAP, MAKEINTRESOURCEA(id));
  if (bytes.size() < sizeof(BITMAPINFOHEADER)) return dib;
  memcpy(&dib.header, bytes.data(), sizeof(dib.header));
  const BITMAPINFOHEADER &h = dib.header;
  if (h.biBitCount > 8 || h.biCompression != BI_RGB || h.biHeight <= 0) return dib;
  const size_t colours = h.biClrUsed ? h.biClrUsed : (1u << h.biBitCount);
  const size_t paletteAt = h.biSize, pixelsAt = paletteAt + colours * sizeof(RGBQUAD);
  const size_t stride = ((h.biWidth * h.biBitCount + 31) / 32) * 4;
  if (bytes.size() < pixelsAt + stride * h.biHeight) return dib;
  for (size_t i = 0; i < colours; ++i) {
    RGBQUAD q;
    memcpy(&q, bytes.data() + paletteAt + i * sizeof(q), sizeof(q));
    dib.palette.push_back(RGB(q.rgbRed, q.rgbGreen, q.rgbBlue));
  }
  const BYTE *rows = reinterpret_cast<const BYTE *>(bytes.data()) + pixelsAt;
  for (int y = 0; y < h.biHeight; ++y) {
    const BYTE *row = rows + (h.biHeight - 1 - y) * stride;
    for (int x = 0; x < h.biWidth; ++x) {
      int bit = x * h.biBitCount;
      int index = (row[bit / 8] >> (8 - h.biBitCount - bit % 8)) & ((1 << h.biBitCount) - 1);
      if (static_cast<size_t>(index) >= dib.palette.size()) return dib;
      dib.pixels.push_back(dib.palette[index]);
    }
  }
  dib.ok = true;
  return dib;
}

std::vector<COLORREF> Image(const Dib &strip, int index) {
  std::vector<COLORREF> cell;
  for (int y = 0; y < kCell; ++y)
    for (int x = 0; x < kCell; ++x) cell.push_back(strip.At(index * kCell + x, y));
  return cell;
}

int Opaque(const std::vector<COLORREF> &cell) {
  int n = 0;
  for (COLORREF c : cell) n += c != kMask;
  return n;
}

bool IsProductPicture(int index) {
  return index >= 2 && index != kTickedBox && index != kEmptyBox && index != kNotice;
}

TEST(ImageTest, BitmapSizesAndColourDepths) {
  struct Expected {
    int id, width, height;
  } const expected[] = {{IDB_IMAGES, 1136, 16}, {IDB_WIZARD, 164, 628}, {IDB_HEADER, 49, 49}};
  for (const Expected &e : expected) {
    Dib dib = ReadBitmap(e.id);
    ASSERT_TRUE(dib.ok) << "bitmap " << e.id;
    EXPECT_EQ(dib.header.biWidth, e.width) << "bitmap " << e.id;
    EXPECT_EQ(dib.header.biHeight, e.height) << "bitmap " << e.id;
    EXPECT_EQ(dib.header.biBitCount, 4) << "bitmap " << e.id << ": 16 colours";
    std::set<COLORREF> used(dib.pixels.begin(), dib.pixels.end());
    EXPECT_GE(used.size(), 4u) << "bitmap " << e.id << " is a picture, not a plain field";
  }
}

TEST(ImageTest, StripHoldsBlanksCheckBoxesPicturesAndTheNotice) {
  Dib strip = ReadBitmap(IDB_IMAGES);
  ASSERT_TRUE(strip.ok);
  ASSERT_EQ(strip.header.biWidth, kStripImages * kCell);
  EXPECT_EQ(Opaque(Image(strip, 0)), 0) << "image 0 is blank";
  EXPECT_EQ(Opaque(Image(strip, 1)), 0) << "image 1 is blank";

  std::vector<COLORREF> ticked = Image(strip, kTickedBox), empty = Image(strip, kEmptyBox);
  EXPECT_GE(Opaque(empty), kMinimumOpaquePixels);
  EXPECT_NE(ticked, empty);
  // The empty box is one plain colour inside its frame; the ticked one carries a mark there.
  std::set<COLORREF> insideEmpty, insideTicked;
  for (int y = 3; y <= 11; ++y)
    for (int x = 3; x <= 11; ++x) {
      insideEmpty.insert(empty[y * kCell + x]);
      insideTicked.insert(ticked[y * kCell + x]);
    }
  EXPECT_EQ(insideEmpty.size(), 1u);
  EXPECT_GE(insideTicked.size(), 2u);
  int marked = 0;
  for (int y = 3; y <= 11; ++y)
    for (int x = 3; x <= 11; ++x) marked += ticked[y * kCell + x] != empty[y * kCell + x];
  EXPECT_GE(marked, 10) << "a visible tick";

  // Every product picture and the notice sign is drawn, and no two are the same.
  std::set<std::vector<COLORREF>> seen;
  for (int i = 2; i < kStripImages; ++i) {
    if (!IsProductPicture(i) && i != kNotice) continue;
    std::vector<COLORREF> cell = Image(strip, i);
    EXPECT_GE(Opaque(cell), kMinimumOpaquePixels) << "image " << i;
    EXPECT_TRUE(seen.insert(cell).second) << "image " << i << " repeats another";
  }
}

TEST(ImageTest, ImageListLoadsSeventyOneImagesWithTheTealMask) {
  HIMAGELIST list = ImageList_LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_IMAGES),
                                         kCell, 0, kMask, IMAGE_BITMAP, 0);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(list), kStripImages);
  int cx = 0, cy = 0;
  ImageList_GetIconSize(list, &cx, &cy);
  EXPECT_EQ(cx, kCell);
  EXPECT_EQ(cy, kCell);
  HICON notice = ImageList_GetIcon(list, kNotice, ILD_NORMAL);
  EXPECT_NE(notice, nullptr);
  // Drawn transparently onto white, a blank image leaves white and the notice does not.
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP canvas = CreateCompatibleBitmap(screen, 2 * kCell, kCell);
  HGDIOBJ previous = SelectObject(dc, canvas);
  RECT all = {0, 0, 2 * kCell, kCell};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ImageList_Draw(list, 0, dc, 0, 0, ILD_TRANSPARENT);
  ImageList_Draw(list, kNotice, dc, kCell, 0, ILD_TRANSPARENT);
  int blankChanged = 0, noticeDrawn = 0;
  for (int y = 0; y < kCell; ++y)
    for (int x = 0; x < kCell; ++x) {
      blankChanged += GetPixel(dc, x, y) != RGB(255, 255, 255);
      noticeDrawn += GetPixel(dc, kCell + x, y) != RGB(255, 255, 255);
    }
  EXPECT_EQ(blankChanged, 0);
  EXPECT_GE(noticeDrawn, kMinimumOpaquePixels);
  SelectObject(dc, previous);
  DeleteObject(canvas);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  DestroyIcon(notice);
  ImageList_Destroy(list);
}

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colourCount, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)
static_assert(sizeof(GroupIconEntry) == 14, "icon directory entry as stored");

TEST(ImageTest, IconHasThreeImages) {
  std::string group = ResourceBytes(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_SETUP));
  ASSERT_GE(group.size(), 6u);
  WORD header[3];
  memcpy(header, group.data(), sizeof(header));
  EXPECT_EQ(header[1], 1) << "an icon";
  ASSERT_EQ(header[2], 3) << "three images";
  ASSERT_GE(group.size(), 6 + 3 * sizeof(GroupIconEntry));
  std::set<std::pair<int, int>> found;
  for (int i = 0; i < 3; ++i) {
    GroupIconEntry entry;
    memcpy(&entry, group.data() + 6 + i * sizeof(entry), sizeof(entry));
    std::string image = ResourceBytes(RT_ICON, MAKEINTRESOURCEA(entry.id));
    ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER info;
    memcpy(&info, image.data(), sizeof(info));
    EXPECT_EQ(info.biWidth, entry.width);
    EXPECT_EQ(info.biHeight, 2 * entry.width) << "colour and mask";
    EXPECT_EQ(info.biBitCount, entry.bitCount);
    found.insert({info.biWidth, info.biBitCount});
  }
  EXPECT_EQ(found, (std::set<std::pair<int, int>>{{16, 4}, {32, 4}, {48, 8}}));
  for (int size : {16, 32, 48}) {
    HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr),
                                               MAKEINTRESOURCEA(IDI_SETUP), IMAGE_ICON, size,
                                               size, 0));
    EXPECT_NE(icon, nullptr) << size;
    if (icon) DestroyIcon(icon);
  }
}

TEST(ImageTest, ImagesServeEveryLanguage) {
  // Bitmaps and the icon carry no language, so every language finds the same ones.
  const std::vector<LANGID> neutral = {MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)};
  for (int id : {IDB_IMAGES, IDB_WIZARD, IDB_HEADER})
    EXPECT_EQ(ResourceLanguages(RT_BITMAP, MAKEINTRESOURCEA(id)), neutral) << id;
  EXPECT_EQ(ResourceLanguages(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_SETUP)), neutral);
}

}  // namespace
