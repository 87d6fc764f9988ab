// "/check" on small broken scripts: every finding stands at its line, and nothing else is
// found; the samples check clean. "@MEDIA@" in a finding is the media folder, "@PF@" the
// Program Files folder of the target proposal.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/Media.h"

namespace {

struct CheckRun {
  int exitCode = -1;
  std::vector<std::string> findings;  // without the script's name in front
  std::string encoding;               // how the script was read
  std::string summary;
};

constexpr char kReadAs[] = ": read as ";

// Runs the build's setup.exe with "/check:script" and further arguments.
CheckRun RunCheck(const std::string &script, const std::string &arguments = "") {
  CheckRun run;
  std::string output;
  run.exitCode = RunAndWait("\"" + BinaryPath("setup.exe") + "\" \"/check:" + script + "\"" +
                                arguments,
                            30000, nullptr, &output);
  size_t start = 0;
  for (size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = output.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.compare(0, script.size(), script) != 0) continue;
    line.erase(0, script.size());
    if (line.find(" error(s), ") != std::string::npos) run.summary = line;
    else if (line.compare(0, sizeof(kReadAs) - 1, kReadAs) == 0)
      run.encoding = line.substr(sizeof(kReadAs) - 1);
    else run.findings.push_back(line);
  }
  return run;
}

// A script that registers entries names no vendor.
const char kNoProvider[] = "(1): warning: [Version] has no \"Provider\": the Uninstall entries "
                           "cannot tell this setup from another vendor's that names none";

struct BrokenScript {
  const char *name;
  const char *script;
  std::vector<std::string> payload;
  std::vector<std::string> findings;
  bool utf16;
};

// [Wizard] and its language sections; the German title is too long.
const std::string kWizardScript = R"([Version]
Signature="$Chicago$"
[DestinationDirs]
DefaultDestDir = 24, "A"
[Wizard]
Titel = "Teapot"
Title = "Teapot Setup"
Title = "Teapot"
Watermark = side.bmp
HeaderPicture = top.bmp
[Wizard.0407]
Title = ")" + std::string(300, 'x') + R"("
[wizard.040c]
Welcome = "Bienvenue\n\nSuivant"
[Wizard.0807]
Title = "Teapot"
)";

// Descriptions of 1,100 and 905 characters: only the first is too long, though the Setup API
// of Wine gives back 511 characters of either.
const std::string kDescriptionScript =
    "[Version]\nSignature=\"$Chicago$\"\n[Products]\nA = \"A\", A.Install, , 1, 0, \"" +
    std::string(1100, 'd') + "\"\nB = \"B\", A.Install, , 1, 0, \"" + std::string(905, 'd') +
    "\"\n[A.Install]\nCopyFiles = A.Files\n[DestinationDirs]\nDefaultDestDir = 24, \"A\"\n"
    "A.Files = 32768\n[A.Files]\na.txt\n";

const BrokenScript kBrokenScripts[] = {
    {"products", R"([Version]
Signature="$Chicago$"
[Products]
A = "A", A.Install, A.Remov, 9, 80, "d", 1.x
a = "Again", A.Install
"Q""K" = "Quote", A.Install, , 0x3
[A.Install]
CopyFiles = A.Files
[DestinationDirs]
DefaultDestDir = 24, "A"
A.Files = 32768
[A.Files]
setup.exe
setup.inf
)",
     {"setup.exe"},
     {kNoProvider,
      "(4): error: remove section [A.Remov] of product \"A\" is missing or has no lines",
      "(4): error: the flag value 9 is out of range (0 to 7)",
      "(4): error: the icon number 80 is out of range (0 to 69)",
      "(4): error: version \"1.x\" is not made of decimal numbers and dots, such as 2.10.1",
      "(4): warning: key \"A\" is a short or common word that another vendor may use as well: "
      "where their product is installed, this one cannot be",
      "(5): error: product key \"a\" is also the key of line 4 (keys are compared without "
      "regard to case): a run reads only the first of them",
      "(6): error: key \"Q\"K\" holds a double quote, which the removal's command line cannot "
      "carry",
      "(6): error: the flag value \"0x3\" is not a decimal number: a run reads 0"},
     false},
    {"directives and lists", R"([Version]
Signature="$Chicago$"
[Install]
AddReg = Missing.Reg
MakeIcons = Icons
Exec = Runs, @
Exec = Other
RegisterDlls = X
[Icons]
a = CPRG, "A\..\..\Out", "%10%\x.exe"
b = XPRG, "B"
[Runs]
r = 3, x.exe, "50% %hwnd%"
s = 0x2, y.exe, , , 4
[DestinationDirs]
DefaultDestDir = 24, "A"
)",
     {},
     {"(4): error: [Missing.Reg], named by \"AddReg\", is missing or has no lines",
      "(6): error: an \"@\" without a program",
      "(7): warning: only the first \"Exec\" line of a section is read; this one is not",
      "(8): warning: \"RegisterDlls\" is not carried out: a run applies the file, registry and "
      "INI directives and MakeIcons, DelIcons and Exec",
      "(10): error: shortcut name \"A\\..\\..\\Out\" leaves its shell folder (absolute, or "
      "with a \"..\" part): a run skips the line",
      "(11): error: unknown folder code \"XPRG\": the line creates and deletes nothing",
      "(11): error: the target (field 3) is missing: a run skips the line",
      "(13): error: pass number \"3\" is neither 1 (before the files) nor 2 (at the end): the "
      "line never runs",
      "(13): warning: \"%hwnd%\" stands after a \"%\" that does not begin one: a run does not "
      "replace it",
      "(14): warning: flag value \"4\": only 1 (do not wait) and 2 (delete the program) mean "
      "something"},
     false},
    {"services", R"([Version]
Signature="$Chicago$"
[Install.Services]
AddService = Svc, , Svc.Settings
AddService = Svc2
DelService = Old
Frobnicate = X
[Svc.Settings]
ServiceType = 16
StartType = x
Colour = red
[DestinationDirs]
DefaultDestDir = 24, "A"
)",
     {},
     {"(5): error: \"AddService\" names no settings section (field 3): the run fails",
      "(6): warning: no \"StopService\" line stops \"Old\" before it is deleted: a running "
      "service is deleted while it runs",
      "(7): warning: \"Frobnicate\" is not a key of a service section (StopService, "
      "StartService, AddService, DelService): it is ignored",
      "(8): warning: no \"ErrorControl\": a run passes 0 for it, also when it changes an "
      "existing service",
      "(8): error: no \"ServiceBinary\": the service cannot be created",
      "(10): error: \"StartType\" is not a number: a run passes 0",
      "(11): warning: \"Colour\" is not a service setting: it is ignored"},
     false},
    {"files and removal", R"([Version]
Signature="$Chicago$"
[Products]
App = "App", App.Install, App.Remove, 1
[Install]
Uninstall = Suite
[App.Install]
CopyFiles = App.Files, Gone.Files, @solo.txt
[App.Remove]
DelFiles = App.Files, Old.Files
[DestinationDirs]
DefaultDestDir = 24, "App"
App.Files = 32768
Old.Files = 32768
[App.Files]
app.txt
missing.txt
setup.exe
[Old.Files]
old.txt
[App.Remove]
DelReg = App.Del.Reg
[App.Del.Reg]
HKLM, "Software\Never"
HKLM, "System\CurrentControlSet\Control\ServiceGroupOrder", "List", 0x00018002, "G"
)",
     {"app.txt", "setup.exe"},
     {kNoProvider,
      "(4): warning: key \"App\" is a short or common word that another vendor may use as "
      "well: where their product is installed, this one cannot be",
      "(4): error: setup.exe is copied to \"@PF@\\App\\setup.exe\" but setup.inf is not "
      "copied beside it: the removal of \"App\" cannot open its script",
      "(6): warning: key \"Suite\" is a short or common word that another vendor may use as "
      "well: where their product is installed, this one cannot be",
      "(6): error: no Uninstall entry can be written for \"Suite\": the first \"CopyFiles\" "
      "line of [Install] copies no setup.exe",
      "(8): error: [Gone.Files], named by \"CopyFiles\", is missing or has no lines",
      "(8): error: source file \"solo.txt\" is not on the media (\"@MEDIA@\\solo.txt\")",
      "(17): error: source file \"missing.txt\" is not on the media "
      "(\"@MEDIA@\\missing.txt\")",
      "(20): warning: [App.Remove] deletes the file \"@PF@\\App\\old.txt\", which no install "
      "section puts there",
      "(24): warning: [App.Remove] deletes the registry key \"HKLM\\Software\\Never\", which "
      "no install section puts there"},
     false},
    {"destinations and variants", R"([Version]
Signature="$Chicago$"
[Products.NT]
T = "T", T.Install
[Products.NTx86]
T = "T", T.Install
[Products.NT5]
T = "T", T.Install
[T.Install]
CopyFiles = T.Files
[T.Files]
t.txt
)",
     {"t.txt"},
     {": warning: no \"DefaultDestDir\" line: the target page proposes the Setup API's default "
      "directory, the system folder",
      "(3): warning: [Products.NT] is never used: every platform family chooses another "
      "variant",
      "(11): error: file list [T.Files] has no destination: no line in [DestinationDirs] and "
      "no \"DefaultDestDir\""},
     false},
    {"comments, continued lines and UTF-16", R"([Version]
Signature="$Chicago$"
; a comment
[Products]
A = "Äpfel", A.Install, , \
    1, 99

[A.Install]
  ; an indented comment
CopyFiles = A.Files
[Products]
B = "B", B.Nope
[DestinationDirs]
DefaultDestDir = 24, "A"
A.Files = 32768
[A.Files]
a.txt
)",
     {"a.txt"},
     {"(5): error: the icon number 99 is out of range (0 to 69)",
      "(12): error: install section [B.Nope] of product \"B\" is missing or has no lines"},
     true},
    {"wizard texts and pictures", kWizardScript.c_str(), {"side.bmp"},
     {"(6): warning: \"Titel\" is not a key of [Wizard] (Title, Welcome, Watermark, "
      "HeaderPicture): it is ignored",
      "(8): warning: only the first \"Title\" line is read; this one is not",
      "(9): warning: picture \"side.bmp\" is no bitmap file on the media "
      "(\"@MEDIA@\\side.bmp\"): the wizard shows its own",
      "(10): warning: picture \"top.bmp\" is no bitmap file on the media "
      "(\"@MEDIA@\\top.bmp\"): the wizard shows its own",
      "(12): error: the title (field 1) is longer than 255 bytes: a run treats it as "
      "missing",
      "(15): warning: [Wizard.0807] is never read: it names none of the wizard's languages in "
      "four hex digits"},
     false},
    {"descriptions", kDescriptionScript.c_str(), {"a.txt"},
     {"(4): error: the description (field 6) is longer than 1023 bytes: a run treats it "
      "as missing"},
     false},
    {"a script the Setup API refuses", "[Version]\nSignature=\"$Chicago$\"\n[A\n", {},
     {"(3): error: the Setup API cannot open the script \"@MEDIA@\\setup.inf\": a section "
      "header is not closed by \"]\" (error 0xE0000001)"},
     false},
};

void WriteUtf16(const std::string &path, const std::string &text) {
  std::wstring wide(text.size(), L'\0');
  wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, text.data(),
                                                      static_cast<int>(text.size()), &wide[0],
                                                      static_cast<int>(wide.size()))));
  std::string bytes = "\xFF\xFE";
  bytes.append(reinterpret_cast<const char *>(wide.data()), wide.size() * sizeof(wchar_t));
  WriteTextFile(path, bytes);
}

TEST(CheckTest, NamesEachMistakeAtItsLine) {
  for (const BrokenScript &broken : kBrokenScripts) {
    SCOPED_TRACE(broken.name);
    Media media(broken.script, broken.payload);
    const std::string script = media.dir() + "\\setup.inf";
    if (broken.utf16) WriteUtf16(script, broken.script);
    const std::string log = media.target() + "\\check.log";
    CheckRun run = RunCheck(script, " \"/log:" + log + "\"");
    std::vector<std::string> expected;
    bool errors = false;
    for (std::string finding : broken.findings) {
      finding = ReplaceAll(ReplaceAll(finding, "@MEDIA@", media.dir()), "@PF@", ProgramFilesDir());
      errors = errors || finding.find(": error: ") != std::string::npos;
      expected.push_back(finding);
      EXPECT_NE(ReadTextFile(log).find(script + finding), std::string::npos) << finding;
    }
    EXPECT_EQ(run.findings, expected);
    if (broken.utf16) EXPECT_EQ(run.encoding, "UTF-16");
    EXPECT_EQ(run.exitCode, errors ? 1 : 0);
  }
}

TEST(CheckTest, RefusesAScriptPathThatDoesNotFit) {
  EXPECT_EQ(RunCheck("C:\\" + std::string(300, 'x') + "\\setup.inf").exitCode, 1639);
}

TEST(CheckTest, SamplesCheckClean) {
  for (const char *sample : {"orlavin", "minimal"}) {
    CheckRun run = RunCheck(BinaryPath(std::string("examples/") + sample + "/setup.inf"));
    EXPECT_EQ(run.findings, std::vector<std::string>()) << sample;
    EXPECT_EQ(run.summary, ": 0 error(s), 0 warning(s)") << sample;
    EXPECT_EQ(run.exitCode, 0) << sample;
  }
}

}  // namespace
