// A DLL planted beside setup.exe under the name of a library it uses is never loaded, even
// when Wine is told to prefer such a copy (a DLL override); files and shortcuts are made as
// before.
#include <gtest/gtest.h>

#include "e2e/Media.h"
#include "e2e/WizardDriver.h"
#include "tools/matrix/Machine.h"

namespace {

const char kLinkScript[] = R"([Version]
Signature="$Chicago$"
[Install]
CopyFiles = Planted.Files
MakeIcons = Planted.Links
[Remove]
[DestinationDirs]
DefaultDestDir = 32768
[Planted.Files]
tool.txt
[Planted.Links]
link = UDSK, "E2E Planted Tool", "%32768%\tool.txt"
)";

constexpr char kPlantedName[] = "setupapi.dll";
constexpr char kLoadedMark[] = "setupapi.dll.loaded";

// setup.exe and importer.exe prefer a SETUPAPI.dll found beside them to the system's.
class PreferPlantedSetupApi {
 public:
  PreferPlantedSetupApi() {
    for (const char *exe : kPrograms) SetDllOverrideFor(exe, "setupapi", "native,builtin");
  }
  ~PreferPlantedSetupApi() {
    for (const char *exe : kPrograms) SetDllOverrideFor(exe, "setupapi", "");
  }

 private:
  static constexpr const char *kPrograms[] = {"setup.exe", "importer.exe"};
};

void Plant(const std::string &dir) {
  ASSERT_TRUE(CopyFileA(BinaryPath("tests/tools/planted/planted.dll").c_str(),
                        (dir + "\\" + kPlantedName).c_str(), FALSE));
}

TEST(SafeLoadingTest, APlantedSetupApiIsNeverLoadedAndShortcutsAreStillMade) {
  PreferPlantedSetupApi prefer;

  // An ordinary program takes the planted copy: the override is in effect.
  ScratchDir control;
  Plant(control.path());
  ASSERT_TRUE(CopyFileA(BinaryPath("tests/tools/planted/importer.exe").c_str(),
                        (control / "importer.exe").c_str(), FALSE));
  EXPECT_EQ(RunAndWait("\"" + control / "importer.exe" + "\"", 30000), 0);
  ASSERT_TRUE(FileExists(control / kLoadedMark)) << "the planted DLL is preferred here";

  Media media(kLinkScript, {"tool.txt"});
  Plant(media.dir());
  SetupProcess setup(media.dir());
  ASSERT_TRUE(setup.Start("/quiet /dir:" + media.target()));
  EXPECT_EQ(setup.WaitForExit(60000), 0);
  EXPECT_FALSE(FileExists(media.dir() + "\\" + kLoadedMark));
  EXPECT_TRUE(FileExists(media.target() + "\\tool.txt"));
  const std::string link = ShellFolder("UDSK") + "\\E2E Planted Tool.lnk";
  EXPECT_EQ(LinkTarget(link), media.target() + "\\tool.txt");
  DeleteFileA(link.c_str());
}

}  // namespace
