// A vendor's wizard: the script's title, welcome text and pictures in the wizard's language,
// else from [Wizard], else the program's own; and an install that Enter alone carries through.
#include <gtest/gtest.h>

#include "e2e/Media.h"
#include "e2e/WizardDriver.h"
#include "res/resource.h"

namespace {

constexpr int kSideWidth = 60, kSideHeight = 300, kTopSize = 49;
// Colours that none of the program's own pictures holds.
constexpr COLORREF kSide = RGB(10, 200, 30), kTop = RGB(200, 30, 140);
// Under Wine the sheet draws the header's subtitle up to this far from its right edge.
constexpr int kSubtitleRightGap = 69;

const char kBrandedScript[] = R"([Version]
Signature="$Chicago$"
[Products]
E2EBrand = "Teapot Monitor", Brand.Install, , 1, 4, "Watches the pot.", 2.4.1
[Brand.Install]
[DestinationDirs]
DefaultDestDir = 24, "Kettle Works\Teapot Monitor"
[Wizard]
Title = "Teapot Monitor 2.4.1 Setup"
Welcome = "Teapot Monitor watches your pot.\n\nPress Next."
Watermark = side.bmp
HeaderPicture = art\top.bmp
[Wizard.0407]
Title = "Teapot Monitor 2.4.1 Installation"
Welcome = "Teapot Monitor bewacht Ihre Kanne.\nKlicken Sie auf Weiter."
Watermark = missing.bmp
)";

struct BrandCase {
  const char *arguments;
  const char *title;
  const char *welcome;
  bool header;           // the header look, else the classic one
  bool scriptWatermark;  // the script's watermark shows, else the program's own
};

const BrandCase kCases[] = {
    {"/style:0 /lang:eng", "Teapot Monitor 2.4.1 Setup",
     "Teapot Monitor watches your pot.\r\n\r\nPress Next.", false, true},
    // The German section's picture is missing: the program's own stands in for it, and the
    // header picture, which that section does not name, comes from [Wizard].
    {"/style:1 /lang:ger", "Teapot Monitor 2.4.1 Installation",
     "Teapot Monitor bewacht Ihre Kanne.\r\nKlicken Sie auf Weiter.", true, false},
    // No French section: everything from [Wizard].
    {"/style:1 /lang:fre", "Teapot Monitor 2.4.1 Setup",
     "Teapot Monitor watches your pot.\r\n\r\nPress Next.", true, true},
};

std::string Caption(HWND window) {
  char text[256] = "";
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

// The header picture stands at the right end of the header, clear of the subtitle's place.
void ExpectHeaderPictureRightOfSubtitle(WizardDriver &wizard) {
  RECT client;
  GetClientRect(wizard.Sheet(), &client);
  EXPECT_EQ(wizard.PixelAt(client.right - kTopSize / 2 - 5, kTopSize / 2 + 5), kTop);
  EXPECT_NE(wizard.PixelAt(client.right - kSubtitleRightGap - 1, kTopSize / 2 + 5), kTop);
}

TEST(BrandingTest, ScriptTextsAndPicturesByLanguageAndEnterToTheEnd) {
  for (const BrandCase &brand : kCases) {
    SCOPED_TRACE(brand.arguments);
    Media media(kBrandedScript);
    WriteSolidBitmap(media.dir() + "\\side.bmp", kSideWidth, kSideHeight, kSide);
    CreateDirectoryA((media.dir() + "\\art").c_str(), nullptr);
    WriteSolidBitmap(media.dir() + "\\art\\top.bmp", kTopSize, kTopSize, kTop);
    SetupProcess setup(media.dir());
    ASSERT_TRUE(setup.Start(std::string(brand.arguments) + " \"/dir:" + media.target() + "\""));
    WizardDriver wizard(setup.pid());
    ASSERT_TRUE(wizard.WaitForPage(kPageWelcome));
    EXPECT_EQ(Caption(wizard.Sheet()), brand.title);
    EXPECT_EQ(wizard.Control(IDC_TITLE).text, brand.title);
    EXPECT_EQ(wizard.Control(IDC_TEXT).text, brand.welcome);
    if (brand.header)
      EXPECT_EQ(wizard.PixelAt(kSideWidth / 2, kSideHeight / 2) == kSide, brand.scriptWatermark);
    else
      EXPECT_EQ(wizard.Control(IDC_STATIC_OTHER).width, kSideWidth)
          << "the control takes the picture";

    if (brand.header) {
      ASSERT_TRUE(WaitUntil([&] { return wizard.Press(WizardButton::Next); }));
      ASSERT_TRUE(wizard.WaitForPage(kPageComponents));
      EXPECT_EQ(Caption(wizard.Sheet()), brand.title);
      ExpectHeaderPictureRightOfSubtitle(wizard);
      ASSERT_TRUE(wizard.Press(WizardButton::Cancel));
      EXPECT_EQ(setup.WaitForExit(), 1602);
      continue;
    }
    // Enter takes Next on every page and Finish at the end, as a click would.
    for (int page = kPageWelcome; page < kPageInstallFinish; ++page) {
      ASSERT_TRUE(WaitUntil([&] { return wizard.Button(WizardButton::Next).enabled; }));
      wizard.PressEnter();
      ASSERT_TRUE(wizard.WaitForPage(page + 1, 60000)) << "Enter on page " << page;
    }
    ASSERT_TRUE(WaitUntil([&] { return wizard.Button(WizardButton::Finish).enabled; }));
    wizard.PressEnter();
    EXPECT_EQ(setup.WaitForExit(), 0) << "Enter on the finish page ends the run";
  }
}

}  // namespace
