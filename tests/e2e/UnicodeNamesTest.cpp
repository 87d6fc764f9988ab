// Names outside the system's code page, as a user meets them: this program runs in a Wine
// prefix of its own made for the user "Дмитрий" on a Western (1252) system, so that the
// profile, the temporary folder (the media of these tests) and the user's shell folders hold
// Cyrillic letters. It carries the program's manifest: its own narrow calls take and return
// UTF-8 as setup.exe's do.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/Media.h"
#include "e2e/WizardDriver.h"
#include "tools/matrix/Machine.h"
#include "res/resource.h"

namespace {

constexpr DWORD kRunLimitMs = 60000;

// @NAME@ names the product, its vendor, its folder below Program Files and its shortcuts;
// @FILE@ is its file. Line 5 names a missing section, for "/check" to find there.
const char kScript[] = R"([Version]
Signature="$Chicago$"
Provider = "@NAME@"
[Products]
UNIBroken = "Broken", Missing.Install, , 0, 0, "", 1.0
UNITool = "@NAME@", Tool.Install, Tool.Remove, 1, 0, "", 1.0
[Install]
[Tool.Install]
CopyFiles = Tool.Files, Setup.Files
AddReg = Tool.Reg
MakeIcons = Tool.Icons
[Tool.Remove]
DelFiles = Tool.Files, Setup.Files
DelReg = Tool.Unreg
DelIcons = Tool.Icons
[Tool.Reg]
HKLM,Software\UNITool,Media,,%1%
[Tool.Unreg]
HKLM,Software\UNITool
[Tool.Icons]
UPRG, "@NAME@\@NAME@", "%32768%\@FILE@"
UDSK, "@NAME@", "%32768%\@FILE@"
CPRG, "@NAME@", "%32768%\@FILE@"
[DestinationDirs]
DefaultDestDir = 24, "@NAME@"
Tool.Files = 32768
Setup.Files = 32768
[Tool.Files]
@FILE@
[Setup.Files]
setup.exe
setup.inf
)";

std::string Script(const std::string &name, const std::string &file) {
  return ReplaceAll(ReplaceAll(kScript, "@NAME@", name), "@FILE@", file);
}

std::string Quoted(const std::string &text) { return "\"" + text + "\""; }

// Runs a command line silently to its end; the exit code.
int RunSilently(const std::string &commandLine) {
  SetupProcess setup("", false);
  if (!setup.StartCommandLine(commandLine + " /silent")) return -1;
  return setup.WaitForExit(kRunLimitMs);
}

// "/check" says how it read the media's script and counts its lines as in the file.
void ExpectCheckReads(const Media &media, const std::string &encoding) {
  std::string output;
  RunAndWait(Quoted(BinaryPath("setup.exe")) + " " + Quoted("/check:" + media.dir() + "\\setup.inf"),
             kRunLimitMs, nullptr, &output);
  EXPECT_NE(output.find("setup.inf: read as " + encoding + "\r\n"), std::string::npos) << output;
  EXPECT_NE(output.find("setup.inf(5): error: install section [Missing.Install] of product "
                        "\"UNIBroken\" is missing or has no lines"),
            std::string::npos)
      << output;
}

// Whatever a test that fails half way leaves behind goes with its end, so that the next run
// in this prefix starts from nothing: the entry, the key, and the folders named in leftovers_.
class UnicodeNamesTest : public testing::Test {
 protected:
  void TearDown() override {
    DeleteUninstallEntry("UNITool");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\UNITool");
    for (const std::string &path : leftovers_) RemoveTree(path);
  }

  // A silent install of the script of that name; every name lands exactly, the user's
  // shortcuts too; then the recorded removal, handed over to a copy in the temporary folder,
  // takes all.
  void ExpectInstalledAndRemoved(const Media &media, const std::string &name,
                                 const std::string &file) {
    const std::string target = ProgramFilesDir() + "\\" + name;
    const std::string links[] = {ShellFolder("UPRG") + "\\" + name + "\\" + name + ".lnk",
                                 ShellFolder("UDSK") + "\\" + name + ".lnk",
                                 ShellFolder("CPRG") + "\\" + name + ".lnk"};
    leftovers_ = {target, ShellFolder("UPRG") + "\\" + name, links[1], links[2]};
    const std::string log = media.target() + "\\журнал.log";
    SetupProcess setup(media.dir());
    ASSERT_EQ(RunSilently(Quoted(setup.exe()) + " /log:" + Quoted(log)), 0) << ReadTextFile(log);
    EXPECT_TRUE(FileExists(target + "\\" + file)) << target;
    EXPECT_EQ(UninstallValue("UNITool", "DisplayName"), name);
    EXPECT_EQ(UninstallValue("UNITool", "Publisher"), name);
    EXPECT_EQ(UninstallValue("UNITool", "UserTargetDir"), target);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, "Software\\UNITool", "Media"), media.dir());
    for (const std::string &link : links) EXPECT_EQ(LinkTarget(link), target + "\\" + file) << link;

    EXPECT_EQ(RunSilently(UninstallValue("UNITool", "UninstallString") + " /log:" + Quoted(log)), 0);
    EXPECT_NE(ReadTextFile(log).find("the removal goes on in a copy of the program"),
              std::string::npos)
        << ReadTextFile(log);
    for (const std::string &link : links) EXPECT_FALSE(FileExists(link)) << link;
    EXPECT_FALSE(DirectoryExists(ShellFolder("UPRG") + "\\" + name));
    EXPECT_FALSE(DirectoryExists(target));
    EXPECT_FALSE(UninstallEntryExists("UNITool"));
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, "Software\\UNITool", "Media"), "<no key>");
  }

  std::vector<std::string> leftovers_;
};

// A UTF-8 script without a byte-order mark, with Greek names, from media below the Cyrillic
// profile: "%1%" still names the media.
TEST_F(UnicodeNamesTest, CyrillicUserInstallsAndRemovesAUtf8ScriptWithGreekNames) {
  ASSERT_NE(ShellFolder("UPRG").find("\\Дмитрий\\"), std::string::npos)
      << ShellFolder("UPRG") << ": the test runs in the Cyrillic user's prefix";
  Media media(Script("Ωμέγα Εργαλεία", "αρχείο.txt"), {"αρχείο.txt"});
  ExpectCheckReads(media, "UTF-8");
  ExpectInstalledAndRemoved(media, "Ωμέγα Εργαλεία", "αρχείο.txt");
}

// The wizard's own texts from a UTF-8 script: the welcome page and the list show the Greek
// exactly, not the look-alikes of the system's code page.
TEST_F(UnicodeNamesTest, Utf8WizardTextsShowExactly) {
  const std::string title = "Εγκατάσταση Ωμέγα", welcome = "Καλώς ήρθατε, Дмитрий.";
  Media media(Script("Ωμέγα Εργαλεία", "αρχείο.txt") + "[Wizard]\r\nTitle = \"" + title +
              "\"\r\nWelcome = \"" + welcome + "\"\r\n");
  SetupProcess setup(media.dir());
  ASSERT_TRUE(setup.Start());
  WizardDriver wizard(setup.pid());
  ASSERT_TRUE(wizard.WaitForPage(0));
  EXPECT_EQ(wizard.Control(IDC_TITLE).text, title);
  EXPECT_EQ(wizard.Control(IDC_TEXT).text, welcome);
  ASSERT_TRUE(WaitUntil([&] { return wizard.Press(WizardButton::Next); }));
  ASSERT_TRUE(wizard.WaitForPage(1));
  EXPECT_EQ(wizard.ItemText(1), "Ωμέγα Εργαλεία");
  ASSERT_TRUE(wizard.Press(WizardButton::Cancel));
  EXPECT_EQ(setup.WaitForExit(), 1602);
}

// A script saved in Windows-1252, as before UTF-8: it reads as it always did on a system of
// that code page, its line numbers included.
TEST_F(UnicodeNamesTest, Windows1252ScriptReadsAsBefore) {
  ASSERT_EQ(RegText(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Nls\\CodePage", "ACP"),
            "1252");
  Media media(Script("Zubeh\xF6r", "gr\xF6\xDF" "e.txt"), {"größe.txt"});  // in Windows-1252
  ExpectCheckReads(media, "code page 1252");
  ExpectInstalledAndRemoved(media, "Zubehör", "größe.txt");
}

// A system that ignores the manifest's code page (Windows before 10 version 1903) runs the
// same program in its 1252 code page: a copy whose manifest asks for none stands in for it,
// from media in a folder that code page can name. A target that it cannot name is refused
// before anything changes, rather than taken under a look-alike name ("Ω" as "O"), and the
// log is UTF-8 there too.
TEST_F(UnicodeNamesTest, WithoutUtf8CodePageATargetOutsideItIsRefused) {
  const std::string media = "C:\\unicode-legacy-" + std::to_string(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryA(media.c_str(), nullptr));
  leftovers_ = {media, "C:\\Omega", "C:\\Ωmega"};
  std::string program = ReadTextFile(BinaryPath("setup.exe"));
  const std::string asked = "UTF-8</activeCodePage>";
  size_t at = program.find(asked);
  ASSERT_NE(at, std::string::npos);
  program.replace(at, asked.size(), "UTF-0</activeCodePage>");
  WriteTextFile(media + "\\setup.exe", program);
  WriteTextFile(media + "\\setup.inf", Script("Tool", "readme.txt"));
  WriteTextFile(media + "\\readme.txt", "read me");
  const std::string log = media + "\\Prüfung.log";
  EXPECT_EQ(RunSilently(Quoted(media + "\\setup.exe") + " /dir:C:\\Ωmega /log:" + Quoted(log)),
            1639);
  EXPECT_NE(ReadTextFile(log).find("\\Prüfung.log"), std::string::npos) << ReadTextFile(log);
  EXPECT_FALSE(DirectoryExists("C:\\Omega"));
  EXPECT_FALSE(DirectoryExists("C:\\Ωmega"));
  EXPECT_FALSE(UninstallEntryExists("UNITool"));
}

}  // namespace
