// The page templates and the string table as a user of each of the nine languages meets
// them: every page and text there, in that language, with the controls the pages fill.
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
constexpr int kHeaderLookOffset = IDD_WELCOME_HDR - IDD_WELCOME;  // n + 7 is the twin of n
constexpr WORD kPicture = IDC_STATIC_OTHER;  // the wizard picture of the classic outer pages

// The controls each page fills or shows and hides at run time, in both looks: a page whose
// template lacked one would show nothing there.
struct AddressedControl {
  WORD id;
  const char *className;
  bool startsHidden;  // a note that the page shows only when it applies
};

struct PageControls {
  int classicId;
  std::vector<AddressedControl> controls;
};

const std::vector<PageControls> &AddressedControls() {
  static const std::vector<PageControls> pages = {
      {IDD_WELCOME, {{IDC_TITLE, "Static", false}, {IDC_TEXT, "Static", false}}},
      {IDD_COMPONENTS, {{IDC_CHECKLIST, "ListBox", false}, {IDC_TITLE, "Edit", false}}},
      {IDD_TARGETDIR,
       {{IDC_TARGET_EDIT, "Edit", false}, {IDC_BROWSE, "Button", false},
        {IDC_TARGET_FAULT, "Static", false}}},
      {IDD_READY,
       {{IDC_NOTICE_ICON, "Static", true}, {IDC_TITLE, "Static", true},
        {IDC_TEXT, "Static", false}, {IDC_PROGRESS, "msctls_progress32", false}}},
      {IDD_INSTALLFINISH,
       {{IDC_TITLE, "Static", false}, {IDC_NOTICE_ICON, "Static", true},
        {IDC_TEXT, "Static", true}}},
      {IDD_REMOVE,
       {{IDC_TITLE, "Static", false}, {IDC_NOTICE_ICON, "Static", false},
        {IDC_TEXT, "Static", false}, {IDC_PHASE, "Static", false}}},
      {IDD_REMOVEFINISH,
       {{IDC_TITLE, "Static", false}, {IDC_NOTICE_ICON, "Static", true},
        {IDC_TEXT, "Static", true}}},
  };
  return pages;
}

const TemplateControl *FindControl(const DialogTemplate &dialog, WORD id) {
  for (const TemplateControl &control : dialog.controls)
    if (control.id == id) return &control;
  return nullptr;
}

// The classic header and picture: the header look's sheet draws its own instead.
bool BelongsToClassicLook(const TemplateControl &control) {
  return control.id == IDC_HEADER_TITLE || control.id == IDC_HEADER_SUBTITLE ||
         control.id == IDC_STATIC_LINE ||
         (control.id == kPicture && (control.style & SS_TYPEMASK) == SS_BITMAP);
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

// Every language shows the pages of the English templates in its own words: the same controls
// in the same order and state, each fixed text there and translated, none where the page fills
// it in; the caption is the language's title. (Whether the texts fit: ClippingTest.)
TEST(DialogTemplateTest, EveryLanguageShowsTheEnglishPagesInItsOwnWords) {
  for (int id = kFirstTemplate; id <= kLastTemplate; ++id) {
    const DialogTemplate english = ReadDialog(id, kEnglish);
    ASSERT_TRUE(english.found) << "dialog " << id;
    for (LANGID language : kCarriedLanguages) {
      SCOPED_TRACE(std::string(LanguageName(language)) + " dialog " + std::to_string(id));
      DialogTemplate dialog = ReadDialog(id, language);
      ASSERT_TRUE(dialog.found);
      ASSERT_FALSE(dialog.extended) << "a plain template";
      EXPECT_EQ(dialog.style, kPageStyle);
      EXPECT_EQ(dialog.cx, english.cx);
      EXPECT_EQ(dialog.cy, english.cy);
      EXPECT_EQ(dialog.caption, Title(language));
      EXPECT_EQ(dialog.caption, ReadString(IDS_SETUP_TITLE, language));
      EXPECT_EQ(dialog.fontFace, english.fontFace);
      ASSERT_EQ(dialog.controls.size(), english.controls.size());
      for (size_t i = 0; i < english.controls.size(); ++i) {
        const TemplateControl &want = english.controls[i];
        const TemplateControl &got = dialog.controls[i];
        SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(want.id));
        EXPECT_EQ(got.id, want.id);
        EXPECT_STRCASEEQ(got.className.c_str(), want.className.c_str());
        EXPECT_EQ(got.style, want.style) << std::hex << got.style;
        EXPECT_EQ(got.text.isOrdinal, want.text.isOrdinal);
        if (want.text.isOrdinal || want.text.name.empty())
          EXPECT_TRUE(got.text.isOrdinal ? got.text.ordinal == want.text.ordinal
                                         : got.text.name.empty())
              << "the same picture, or no text: the page sets it";
        else if (language != kEnglish)
          EXPECT_NE(got.text.name, want.text.name) << "translated";
        else
          EXPECT_FALSE(got.text.name.empty());
      }
    }
  }
}

// The controls that the pages fill are on their pages in both looks; the header look's pages
// are the classic ones without the classic header and picture, in the same order.
TEST(DialogTemplateTest, BothLooksCarryWhatThePagesFill) {
  for (const PageControls &page : AddressedControls()) {
    const DialogTemplate classic = ReadDialog(page.classicId, kEnglish);
    const DialogTemplate header = ReadDialog(page.classicId + kHeaderLookOffset, kEnglish);
    SCOPED_TRACE("dialog " + std::to_string(page.classicId));
    ASSERT_TRUE(classic.found && header.found);
    for (const AddressedControl &want : page.controls) {
      for (const DialogTemplate *dialog : {&classic, &header}) {
        const TemplateControl *got = FindControl(*dialog, want.id);
        ASSERT_TRUE(got) << "control " << want.id;
        EXPECT_STRCASEEQ(got->className.c_str(), want.className);
        EXPECT_EQ((got->style & WS_VISIBLE) == 0, want.startsHidden) << "control " << want.id;
      }
    }
    std::vector<WORD> withoutClassicHeader, headerLook;
    for (const TemplateControl &control : classic.controls)
      if (!BelongsToClassicLook(control)) withoutClassicHeader.push_back(control.id);
    for (const TemplateControl &control : header.controls) headerLook.push_back(control.id);
    EXPECT_EQ(headerLook, withoutClassicHeader);
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
