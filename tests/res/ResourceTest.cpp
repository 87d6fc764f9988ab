// The page templates and the string table, read back in each of the nine languages and
// compared with the layout and the texts the pages rely on.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "res/ResourceReader.h"
#include "res/resource.h"
#include "support/TestSupport.h"

namespace {

constexpr DWORD kPageStyle = 0x40C00040;  // WS_CHILD | WS_CAPTION | DS_SETFONT
constexpr DWORD kShown = WS_CHILD | WS_VISIBLE;
constexpr DWORD kHidden = WS_CHILD;
constexpr DWORD kPicture = kShown | SS_BITMAP | SS_REALSIZEIMAGE;
constexpr DWORD kLine = kShown | SS_BLACKFRAME | SS_SUNKEN;
constexpr DWORD kGroup = kShown | BS_GROUPBOX;
constexpr DWORD kChecklist = 0x50A10151;
constexpr DWORD kTargetEdit = 0x50830080;
constexpr DWORD kPushButton = kShown | WS_TABSTOP;
constexpr WORD kWizardPicture = 4;
const char *const kPictureText = "#picture";  // stands for the ordinal of bitmap 4

struct ExpectedControl {
  WORD id;
  const char *className;
  DWORD style;
  short x, y, cx, cy;
  const char *english;  // nullptr: the template leaves the text to the page
};

struct ExpectedPage {
  int id;
  std::vector<ExpectedControl> controls;
};

const ExpectedControl kWizardPictureControl = {65535, "Static", kPicture, 0, 0, 95, 179,
                                               kPictureText};
const ExpectedControl kHeaderTitle = {1200, "Static", kShown, 7, 0, 310, 8, nullptr};
const ExpectedControl kHeaderSubtitle = {1201, "Static", kShown, 21, 9, 296, 16, nullptr};
const ExpectedControl kHeaderLine = {65533, "Static", kLine, 0, 28, 317, 1, nullptr};

const char *const kClickFinish = "Click Finish to exit Setup.";

// The classic pages; their header-look twins are derived below.
const std::vector<ExpectedPage> &ClassicPages() {
  static const std::vector<ExpectedPage> pages = {
      {1100,
       {kWizardPictureControl,
        {1202, "Static", kShown, 115, 1, 189, 24, nullptr},
        {1203, "Static", kShown, 115, 33, 189, 142, nullptr}}},
      {1101,
       {kHeaderTitle, kHeaderSubtitle, kHeaderLine,
        {65534, "Static", kShown, 21, 37, 275, 16,
         "Place a checkmark beside each software component you want to install, or remove "
         "the checkmark to exclude it from installation."},
        {1206, "ListBox", kChecklist, 21, 67, 220, 69, nullptr},
        {65535, "Button", kGroup, 21, 138, 220, 38, nullptr},
        {1202, "Static", kShown, 27, 147, 209, 24, nullptr}}},
      {1102,
       {kHeaderTitle, kHeaderSubtitle, kHeaderLine,
        {1202, "Static", kShown, 21, 37, 275, 16,
         "Please enter the target directory where the software should be installed. Or, "
         "search for the appropriate folder by clicking Browse."},
        {1203, "Static", kShown, 21, 68, 220, 8, "&Target directory:"},
        {1207, "Edit", kTargetEdit, 21, 78, 220, 14, nullptr},
        {1208, "Button", kPushButton, 21, 99, 50, 14, "B&rowse..."},
        {1210, "Static", kShown, 21, 120, 275, 32, nullptr}}},
      {1103,
       {kHeaderTitle, kHeaderSubtitle, kHeaderLine,
        {65534, "Static", kShown, 21, 37, 275, 8,
         "Setup is now ready to install the selected software."},
        {65535, "Static", kShown, 21, 52, 275, 8,
         "Click on the Next button to start the installation."},
        {1205, "Static", kHidden | SS_ICON, 21, 68, 10, 10, nullptr},
        {1202, "Static", kHidden, 38, 69, 258, 16,
         "Please keep your Microsoft Windows CD-ROM handy. Files from this CD may be "
         "required during the installation."},
        {1203, "Static", kShown, 21, 158, 275, 8, nullptr},
        {1209, "msctls_progress32", kShown, 21, 168, 275, 10, nullptr}}},
      {1104,
       {kWizardPictureControl,
        {1202, "Static", kShown, 115, 1, 189, 24, "Setup complete"},
        {65535, "Static", kShown, 115, 33, 189, 8, "The installation was successful."},
        {65534, "Static", kShown, 115, 48, 189, 8, kClickFinish},
        {1205, "Static", kHidden | SS_ICON, 115, 64, 10, 10, nullptr},
        {1203, "Static", kHidden, 132, 65, 172, 40,
         "A number of the updated files are currently in use. The system must therefore be "
         "restarted before the newly installed software can be used."}}},
      {1105,
       {kWizardPictureControl,
        {1202, "Static", kShown, 115, 1, 189, 24, nullptr},
        {65535, "Static", kShown, 115, 33, 189, 16,
         "You are about to remove the following software component from your computer:"},
        {1205, "Static", kShown | SS_ICON, 115, 60, 10, 10, nullptr},
        {1203, "Static", kShown, 132, 61, 172, 8, nullptr},
        {65534, "Static", kShown, 115, 81, 189, 8, "Click Next to uninstall."},
        {1204, "Static", kShown, 115, 165, 189, 8, nullptr}}},
      {1106,
       {kWizardPictureControl,
        {1202, "Static", kShown, 115, 1, 189, 24, "Uninstall complete"},
        {65535, "Static", kShown, 115, 33, 189, 8, "The software was successfully removed."},
        {65534, "Static", kShown, 115, 48, 189, 8, kClickFinish},
        {1205, "Static", kHidden | SS_ICON, 115, 64, 10, 10, nullptr},
        {1203, "Static", kHidden, 132, 65, 172, 40,
         "You have to reboot your system to remove some files that are currently in "
         "use."}}},
  };
  return pages;
}

bool IsOuterPage(int classicId) {
  return classicId == 1100 || classicId == 1104 || classicId == 1105 || classicId == 1106;
}

// French says the remove explanation in one line; what follows it sits 8 units higher.
std::vector<ExpectedControl> InLanguage(const ExpectedPage &page, LANGID language) {
  std::vector<ExpectedControl> controls = page.controls;
  if (language != kFrench || page.id != 1105) return controls;
  for (ExpectedControl &c : controls) {
    if (c.id == 65535 && c.cy == 16) c.cy = 8;
    if (c.id == 1205 || c.id == 1203 || c.id == 65534) c.y -= 8;
  }
  return controls;
}

// The header-look twin: no picture, no header title, subtitle or line; the rest shifted.
std::vector<ExpectedControl> HeaderLook(int classicId, std::vector<ExpectedControl> controls) {
  std::vector<ExpectedControl> twin;
  const short shift = IsOuterPage(classicId) ? 7 : -36;
  for (ExpectedControl c : controls) {
    if (c.id == 1200 || c.id == 1201 || c.id == 65533 || c.english == kPictureText) continue;
    c.y = static_cast<short>(c.y + shift);
    twin.push_back(c);
  }
  return twin;
}

struct TemplateExpectation {
  int id;
  short height;
  const char *font;
  std::vector<ExpectedControl> controls;
};

std::vector<TemplateExpectation> ExpectedTemplates(LANGID language) {
  std::vector<TemplateExpectation> all;
  for (const ExpectedPage &page : ClassicPages()) {
    std::vector<ExpectedControl> classic = InLanguage(page, language);
    all.push_back({page.id, 179, "MS Sans Serif", classic});
    all.push_back({page.id + 7, static_cast<short>(IsOuterPage(page.id) ? 193 : 143),
                   "MS Shell Dlg", HeaderLook(page.id, classic)});
  }
  std::sort(all.begin(), all.end(),
            [](const TemplateExpectation &a, const TemplateExpectation &b) { return a.id < b.id; });
  return all;
}

// The wizard's title in each language, in code page 1252.
const char *Title(LANGID language) {
  switch (language) {
    case 0x0006: return "Orlavin for Windows Setup";
    case 0x000A: return "Instalaci\xF3n de Orlavin para Windows";
    case 0x000B: return "Orlavin for Windows Asennus";
    case 0x0014: return "Orlavin for Windows oppsett";
    case 0x0407: return "Orlavin f\xFCr Windows Setup";
    case 0x0409: return "Orlavin for Windows Setup";
    case 0x040C: return "Installation de Orlavin sous Windows";
    case 0x0410: return "Orlavin per il setup di Windows";
    case 0x0413: return "Orlavin voor Windows setup";
  }
  return "";
}

struct EnglishString {
  int id;
  const char *text;
};

const EnglishString kEnglishStrings[] = {
    {1300, "Orlavin for Windows Setup"},
    {1301,
     "This wizard installs Orlavin for Windows onto your computer, a full-featured and highly "
     "configurable answering machine for ISDN.\r\rOrlavin provides many handy functions which "
     "you can customise to your requirements.  You can configure personalised greetings for "
     "individual callers, call your mobile phone when new messages are left by specific "
     "callers and much more.\r\rPlease press Next to begin the installation."},
    {1303, "Software Components"},
    {1304, "Specify which software components you want to be installed during setup."},
    {1305, "Target Directory"},
    {1306, "You can select a target directory where the software should be installed."},
    {1307, "Carry out Installation"},
    {1308, "The installation can now be performed."},
    {1311, "The installation did not complete successfully."},
    {1312, "The deinstallation did not complete successfully."},
    {1313, "Warning"},
    {1314,
     "A more recent version of %s is currently installed on your system.\r\rDo you really "
     "want to replace the existing version?"},
    {1315, "There is an error in file %s, line %d. Installation can not continue."},
    {1316, "Please select a target folder for installation:"},
    {1317, "Stopping services ..."},
    {1318, "Copying files ..."},
    {1319, "Deleting files ..."},
    {1320, "Updating registry ..."},
    {1321, "Updating shortcuts ..."},
    {1322, "Starting services ..."},
    {1330, "< &Back"},
    {1331, "&Next >"},
    {1332, "Cancel"},
    {1333, "Finish"},
    {1340,
     "The software to be removed is not installed on this computer, or it is not part of this "
     "setup. Nothing has been removed."},
};

// The printf conversions of a text in order ("%%" is no conversion).
std::vector<std::string> Conversions(const std::string &text) {
  std::vector<std::string> found;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    size_t j = i + 1;
    while (j < text.size() && strchr("-+ #0123456789.lhLIzjt*", text[j])) ++j;
    if (j >= text.size()) {
      found.push_back(text.substr(i));
      break;
    }
    if (text[j] != '%') found.push_back(text.substr(i, j - i + 1));
    i = j;
  }
  return found;
}

size_t CountOf(const std::string &text, const std::string &part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
    ++n;
  return n;
}

std::vector<LANGID> Carried() {
  return std::vector<LANGID>(std::begin(kCarriedLanguages), std::end(kCarriedLanguages));
}

BOOL CALLBACK AddName(HMODULE, LPCSTR, LPSTR name, LONG_PTR list) {
  if (IS_INTRESOURCE(name))
    reinterpret_cast<std::vector<int> *>(list)->push_back(static_cast<int>(
        reinterpret_cast<ULONG_PTR>(name)));
  else
    reinterpret_cast<std::vector<int> *>(list)->push_back(-1);
  return TRUE;
}

TEST(ResourceLanguageTest, EveryTemplateAndStringBlockInTheNineLanguagesAndNoOther) {
  std::vector<int> names;
  EnumResourceNamesA(GetModuleHandleA(nullptr), RT_DIALOG, AddName,
                     reinterpret_cast<LONG_PTR>(&names));
  std::vector<int> expectedNames;
  for (int id = kFirstTemplate; id <= kLastTemplate; ++id) expectedNames.push_back(id);
  EXPECT_EQ(names, expectedNames) << "exactly the fourteen page templates";

  for (int id = kFirstTemplate; id <= kLastTemplate; ++id)
    EXPECT_EQ(ResourceLanguages(RT_DIALOG, MAKEINTRESOURCEA(id)), Carried()) << "dialog " << id;

  names.clear();
  EnumResourceNamesA(GetModuleHandleA(nullptr), RT_STRING, AddName,
                     reinterpret_cast<LONG_PTR>(&names));
  // The blocks that hold the first and the last text of the pages are among them.
  EXPECT_NE(std::find(names.begin(), names.end(), 1300 / 16 + 1), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), 1322 / 16 + 1), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), 1330 / 16 + 1), names.end())
      << "the block of the sheet's buttons";
  for (int block : names)
    EXPECT_EQ(ResourceLanguages(RT_STRING, MAKEINTRESOURCEA(block)), Carried())
        << "string block " << block;
}

TEST(ResourceLanguageTest, EachLanguageHasAllFourteenTemplatesAndEveryString) {
  for (LANGID language : kCarriedLanguages) {
    SCOPED_TRACE(LanguageName(language));
    for (int id = kFirstTemplate; id <= kLastTemplate; ++id)
      EXPECT_TRUE(ReadDialog(id, language).found) << "dialog " << id;
    int present = 0;
    for (int id = 1296; id <= 1343; ++id) {
      bool exists = false;
      std::string text = ReadString(id, language, &exists);
      bool wanted = std::find(std::begin(kStringIds), std::end(kStringIds), id) !=
                    std::end(kStringIds);
      EXPECT_EQ(exists, wanted) << "string " << id;
      if (exists) ++present;
    }
    EXPECT_EQ(present, static_cast<int>(std::size(kStringIds)));
  }
}

TEST(DialogTemplateTest, EveryTemplateMatchesTheLayoutInEveryLanguage) {
  for (LANGID language : kCarriedLanguages) {
    const std::vector<TemplateExpectation> expected = ExpectedTemplates(language);
    ASSERT_EQ(expected.size(), 14u);
    for (const TemplateExpectation &page : expected) {
      SCOPED_TRACE(std::string(LanguageName(language)) + " dialog " + std::to_string(page.id));
      DialogTemplate dialog = ReadDialog(page.id, language);
      ASSERT_TRUE(dialog.found);
      ASSERT_FALSE(dialog.extended) << "a plain template";
      EXPECT_EQ(dialog.style, kPageStyle);
      EXPECT_EQ(dialog.exStyle, 0u);
      EXPECT_EQ(dialog.x, 0);
      EXPECT_EQ(dialog.y, 0);
      EXPECT_EQ(dialog.cx, 317);
      EXPECT_EQ(dialog.cy, page.height);
      EXPECT_TRUE(!dialog.menu.isOrdinal && dialog.menu.name.empty()) << "no menu";
      EXPECT_TRUE(!dialog.windowClass.isOrdinal && dialog.windowClass.name.empty());
      EXPECT_EQ(dialog.caption, Title(language));
      EXPECT_EQ(dialog.caption, ReadString(1300, language));
      EXPECT_EQ(dialog.pointSize, 8);
      EXPECT_EQ(dialog.fontFace, page.font);
      ASSERT_EQ(dialog.controls.size(), page.controls.size());
      for (size_t i = 0; i < page.controls.size(); ++i) {
        const ExpectedControl &want = page.controls[i];
        const TemplateControl &got = dialog.controls[i];
        SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(want.id));
        EXPECT_EQ(got.id, want.id);
        EXPECT_STRCASEEQ(got.className.c_str(), want.className);
        EXPECT_EQ(got.style, want.style) << std::hex << got.style;
        EXPECT_EQ(got.exStyle, 0u);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
        if (want.english == kPictureText) {
          EXPECT_TRUE(got.text.isOrdinal && got.text.ordinal == kWizardPicture)
              << "the picture shows bitmap 4";
        } else if (!want.english) {
          EXPECT_TRUE(!got.text.isOrdinal && got.text.name.empty()) << "the page sets it";
        } else if (language == kEnglish) {
          EXPECT_EQ(got.text.name, want.english);
        } else {
          EXPECT_FALSE(got.text.name.empty());
          EXPECT_NE(got.text.name, want.english) << "translated";
        }
      }
    }
  }
}

TEST(DialogTemplateTest, HeaderLookPositionsOfTheFirstControls) {
  // The places where the header-look pages start, stated once more on their own.
  for (LANGID language : kCarriedLanguages) {
    SCOPED_TRACE(LanguageName(language));
    DialogTemplate welcome = ReadDialog(IDD_WELCOME_HDR, language);
    ASSERT_EQ(welcome.controls.size(), 2u);
    EXPECT_EQ(welcome.controls[0].id, IDC_TITLE);
    EXPECT_EQ(welcome.controls[0].y, 8);
    EXPECT_EQ(welcome.controls[1].y, 40);
    DialogTemplate components = ReadDialog(IDD_COMPONENTS_HDR, language);
    ASSERT_EQ(components.controls.size(), 4u);
    EXPECT_EQ(components.controls[0].y, 1);
    EXPECT_EQ(components.controls[1].id, IDC_CHECKLIST);
    EXPECT_EQ(components.controls[1].y, 31);
    DialogTemplate target = ReadDialog(IDD_TARGETDIR_HDR, language);
    ASSERT_EQ(target.controls.size(), 5u);
    EXPECT_EQ(target.controls[2].id, IDC_TARGET_EDIT);
    EXPECT_EQ(target.controls[2].y, 42);
    DialogTemplate ready = ReadDialog(IDD_READY_HDR, language);
    ASSERT_EQ(ready.controls.size(), 6u);
    EXPECT_EQ(ready.controls[5].id, IDC_PROGRESS);
    EXPECT_EQ(ready.controls[5].y, 132);
    DialogTemplate finish = ReadDialog(IDD_INSTALLFINISH_HDR, language);
    ASSERT_EQ(finish.controls.size(), 5u);
    EXPECT_EQ(finish.controls[1].y, 40);
    DialogTemplate remove = ReadDialog(IDD_REMOVE_HDR, language);
    ASSERT_EQ(remove.controls.size(), 6u);
    EXPECT_EQ(remove.controls[3].id, IDC_TEXT);
    EXPECT_EQ(remove.controls[3].y, language == kFrench ? 60 : 68);
    EXPECT_EQ(remove.controls[1].cy, language == kFrench ? 8 : 16);
  }
}

TEST(StringTableTest, EnglishTextsAndTheTitleInEveryLanguage) {
  for (const EnglishString &s : kEnglishStrings)
    EXPECT_EQ(ReadString(s.id, kEnglish), s.text) << "string " << s.id;
  for (LANGID language : kCarriedLanguages)
    EXPECT_EQ(ReadString(1300, language), Title(language)) << LanguageName(language);
}

TEST(StringTableTest, TranslationsFitTheirBuffersAndKeepTheirConversions) {
  constexpr size_t kBuffer = 256, kWelcomeBuffer = 1024;
  for (LANGID language : kCarriedLanguages) {
    SCOPED_TRACE(LanguageName(language));
    for (int id : kStringIds) {
      std::string text = ReadString(id, language);
      size_t buffer = id == 1301 ? kWelcomeBuffer : kBuffer;
      EXPECT_LT(text.size(), buffer) << "string " << id << " with its terminator";
      std::vector<std::string> want;
      if (id == 1314) want = {"%s"};
      if (id == 1315) want = {"%s", "%d"};
      EXPECT_EQ(Conversions(text), want) << "string " << id << ": " << text;
      EXPECT_EQ(text.find('\n'), std::string::npos) << "string " << id;
      if (language != kEnglish && id != 1300) {
        bool same = false;
        for (const EnglishString &s : kEnglishStrings)
          if (s.id == id) same = text == s.text;
        EXPECT_FALSE(same) << "string " << id << " is translated";
      }
    }
    std::string welcome = ReadString(1301, language);
    EXPECT_EQ(CountOf(welcome, "\r\r"), 2u) << "three paragraphs";
    EXPECT_EQ(CountOf(welcome, "\r"), 4u) << "each break two carriage returns";
    std::string warning = ReadString(1314, language);
    EXPECT_EQ(CountOf(warning, "\r\r"), 1u);
    EXPECT_EQ(CountOf(warning, "\r"), 2u);
  }
}

TEST(StringTableTest, ConversionCheckSeesChangedFormats) {
  EXPECT_EQ(Conversions("a %s b %d"), (std::vector<std::string>{"%s", "%d"}));
  EXPECT_EQ(Conversions("100%% %-5s %ld %"), (std::vector<std::string>{"%-5s", "%ld", "%"}));
}

// FindResourceA and LoadStringA in the language the loader picks for this thread: the same
// resource as the one of exactly that language, and the title as the ANSI calls give it.
void ExpectLoaderPicks(LANGID language) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC chosen = FindResourceA(module, MAKEINTRESOURCEA(IDD_REMOVE), RT_DIALOG);
  HRSRC exact = FindResourceExA(module, RT_DIALOG, MAKEINTRESOURCEA(IDD_REMOVE), language);
  ASSERT_NE(exact, nullptr);
  EXPECT_EQ(LockResource(LoadResource(module, chosen)),
            LockResource(LoadResource(module, exact)));
  char title[256];
  ASSERT_GT(LoadStringA(module, IDS_SETUP_TITLE, title, sizeof(title)), 0);
  WCHAR wide[256];
  MultiByteToWideChar(1252, 0, Title(language), -1, wide, 256);
  char expected[256];
  WideCharToMultiByte(CP_ACP, 0, wide, -1, expected, sizeof(expected), nullptr, nullptr);
  EXPECT_STREQ(title, expected) << "in the ANSI code page";
}

TEST(StringTableTest, ThreadLocaleChoosesTheLanguagesWithASublanguage) {
  // Where the program's lookup in its chosen language finds nothing, the loader's choice
  // applies: it follows the thread locale, which the program sets to the language it chose.
  // The four languages carried with the neutral sublanguage cannot be a thread locale of
  // their own (the system makes 6 into 0x0406); the loader finds them through the user's
  // language, tested below.
  const LCID saved = GetThreadLocale();
  for (LANGID language : {0x0407, 0x0409, 0x040C, 0x0410, 0x0413}) {
    SCOPED_TRACE(LanguageName(language));
    ASSERT_TRUE(SetThreadLocale(MAKELCID(language, SORT_DEFAULT)));
    ExpectLoaderPicks(language);
  }
  SetThreadLocale(saved);
}

TEST(StringTableTest, UserLanguageChoosesItsCarriedLanguage) {
  // Run by CTest with LANG set to a user language and SETUP_TEST_CARRIED to the carried
  // language the loader must then pick (da_DK gives 6, es_ES 10 and so on).
  const char *carried = getenv("SETUP_TEST_CARRIED");
  if (!carried || !*carried) GTEST_SKIP() << "runs with a user language set by CTest";
  const LANGID language = static_cast<LANGID>(strtoul(carried, nullptr, 0));
  SCOPED_TRACE(LanguageName(language));
  const LCID saved = GetThreadLocale();
  SetThreadLocale(GetUserDefaultLCID());
  ExpectLoaderPicks(language);
  SetThreadLocale(saved);
}

// The application manifest of the built setup.exe, read back from its resource.
TEST(ManifestTest, SetupExeAsksForAdministratorsAndCommonControlsSixAndIsDpiAware) {
  HMODULE setup =
      LoadLibraryExA(BinaryPath("setup.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(setup, nullptr);
  HRSRC found = FindResourceA(setup, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  ASSERT_NE(found, nullptr) << "CREATEPROCESS_MANIFEST_RESOURCE_ID of RT_MANIFEST";
  const std::string manifest(static_cast<const char *>(LockResource(LoadResource(setup, found))),
                             SizeofResource(setup, found));
  FreeLibrary(setup);
  for (const char *part :
       {"<requestedExecutionLevel level=\"requireAdministrator\"",
        "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
        "<supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/>",   // Vista
        "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",   // 10 and 11
        "WindowsSettings\">true</dpiAware>"})
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
}

}  // namespace
