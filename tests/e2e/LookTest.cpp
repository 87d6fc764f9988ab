// The wizard in both looks and several languages, each kept as a picture for the record.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "e2e/Media.h"
#include "e2e/WizardDriver.h"
#include "res/resource.h"

namespace {

// A name wider than its row, and a description of 905 characters: more than the 511 that
// Wine's Setup API keeps of a field, less than the 1,023 that a description may hold.
const char kLongName[] =
    "Look Product, with a name much longer than its row in the list has any room to show";

std::string LongDescription() {
  std::string text;
  for (int word = 0; text.size() < 900; ++word) text += "word" + std::to_string(word) + " ";
  text.resize(900);
  return text + "(end)";
}

std::string OneProductScript() {
  return std::string("[Version]\nSignature=\"$Chicago$\"\n[Products]\nE2ELook = \"") + kLongName +
         "\", Look.Install, Look.Remove, 1, 4, \"" + LongDescription() +
         "\", 1.0\n[Install]\n[Look.Install]\n[Look.Remove]\n[DestinationDirs]\n"
         "DefaultDestDir = 24, \"Look\"\n";
}

struct LookCase {
  const char *name;
  const char *arguments;
  bool classic;
  const char *title;  // string 1300 of the language
  const char *next;   // the sheet's Next button in that language, whatever the user's
};

const LookCase kCases[] = {
    {"classic-german", "/style:0 /lang:ger", true, "Orlavin f\xFCr Windows Setup", "&Weiter >"},
    {"header-english", "/style:1 /lang:eng", false, "Orlavin for Windows Setup", "&Next >"},
    {"header-resources-french", "/style:2 /lang:fre", false,
     "Installation de Orlavin sous Windows", "&Suivant >"},
    {"unknown-style-dutch", "/style:7 /lang:dut", false, "Orlavin voor Windows setup",
     "&Volgende >"},
    {"classic-italian", "/style:0 /lang:ita", true, "Orlavin per il setup di Windows",
     "&Avanti >"},
    // The neutral Spanish resources, which no thread locale selects.
    {"header-spanish", "/style:1 /lang:spa", false, "Instalaci\xF3n de Orlavin para Windows",
     "&Siguiente >"},
};

// The number of different colours of a saved 24-bit picture (up to a small limit).
size_t ColoursIn(const std::string &path) {
  std::string data = ReadTextFile(path);
  if (data.size() < 54) return 0;
  std::set<unsigned> colours;
  for (size_t at = 54; at + 3 <= data.size() && colours.size() < 16; at += 3)
    colours.insert(static_cast<unsigned char>(data[at]) |
                   static_cast<unsigned char>(data[at + 1]) << 8 |
                   static_cast<unsigned char>(data[at + 2]) << 16);
  return colours.size();
}

TEST(LookTest, BothLooksInSixLanguagesWithPictures) {
  for (const LookCase &look : kCases) {
    SCOPED_TRACE(look.name);
    Media media(OneProductScript());
    SetupProcess setup(media.dir());
    ASSERT_TRUE(setup.Start(look.arguments));
    WizardDriver wizard(setup.pid());
    ASSERT_TRUE(wizard.WaitForPage(kPageWelcome)) << "no wizard with Next and Back";
    EXPECT_EQ(wizard.Control(IDC_TITLE).text, look.title);
    EXPECT_EQ(wizard.Button(WizardButton::Next).text, look.next);
    const std::string welcome = ArtefactPath(std::string("welcome-") + look.name + ".bmp");
    EXPECT_TRUE(wizard.Screenshot(welcome));
    EXPECT_GT(ColoursIn(welcome), 2u) << "the picture shows something";

    ASSERT_TRUE(WaitUntil([&] { return wizard.Press(WizardButton::Next); }));
    ASSERT_TRUE(wizard.WaitForPage(kPageComponents));
    // The classic page draws its own title; in the header look the sheet's header does.
    EXPECT_EQ(wizard.Control(IDC_HEADER_TITLE).exists, look.classic);
    // The name, cut in its row, and the description come whole in the box below the list.
    EXPECT_EQ(wizard.ItemText(0), kLongName);
    EXPECT_EQ(wizard.Control(IDC_DESCRIPTION).text,
              std::string(kLongName) + "\r\n" + LongDescription());
    const std::string components =
        ArtefactPath(std::string("components-") + look.name + ".bmp");
    EXPECT_TRUE(wizard.Screenshot(components));
    ASSERT_TRUE(wizard.Press(WizardButton::Cancel));
    EXPECT_EQ(setup.WaitForExit(), 1602);
  }
}

}  // namespace
