// The Orlavin sample (examples/orlavin) as its setup.inf describes it, per platform.
#include "Sample.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "Machine.h"
#include "e2e/Media.h"
#include "support/TestSupport.h"

namespace {

constexpr char kSetupKey[] = "Orlavin";
constexpr char kSetupName[] = "Orlavin for Windows";
constexpr char kRegRoot[] = "Software\\Orlavin";
constexpr char kService[] = "OrlavinListener";
constexpr char kGroup[] = "Orlavin Telephony";
constexpr char kGroupAnchor[] = "Extended Base";
constexpr char kStepsLog[] = "orlavin-steps.log";

struct Link {
  const char *code, *name, *target;  // target relative to the target directory
};

struct Product {
  const char *key, *name, *version;
  int flags;
  bool removable;
  bool onWin, onNt4, onNt5;  // listed in Products.Win, Products.NT, Products.NT5
  std::vector<const char *> files;  // relative to the target directory
  std::vector<Link> links;
  const char *regKey, *regValue, *regData;  // one HKLM value it writes; data below the target
  const char *installTag;                   // its own program line of pass 2, or nullptr
  const char *removeTag;                    // its own program line of pass 1, or nullptr
};

const Product kProducts[] = {
    {"OrlavinMachine", "Orlavin Answering Machine", "2.1.0", 1, true, true, true, true,
     {"orlavin.exe", "readme.txt", "greeting.wav"},
     {{"CPRG", "Orlavin\\Answering Machine", "orlavin.exe"},
      {"CDSK", "Orlavin Answering Machine", "orlavin.exe"},
      {"UPRG", "Orlavin\\Documents\\Read Me", "readme.txt"}},
     "Software\\Orlavin\\Answering Machine", "Greeting", "greeting.wav",
     "Machine.Install:2", "Machine.Remove:1"},
    {"OrlavinListener", "Orlavin Call Listener", "2.1.0", 3, true, false, true, true,
     {"orlasvc.exe"}, {}, "Software\\Orlavin\\Listener", "Messages", "Messages", nullptr, nullptr},
    {"OrlavinVoices", "Orlavin Voice Prompts", "1.4", 1, true, true, true, true,
     {"Voices\\voices.cab"}, {}, "Software\\Orlavin\\Voices", "Cabinet", "Voices\\voices.cab",
     nullptr, nullptr},
    {"OrlavinFax", "Orlavin Fax Gateway", "1.0", 4, true, true, false, true, {"faxcover.txt"},
     {{"CSTM", "Orlavin Fax Cover Page", "faxcover.txt"}}, "Software\\Orlavin\\Fax", "CoverPage",
     "faxcover.txt", nullptr, nullptr},
    {"OrlavinTools", "Orlavin Line Test", "1.0", 1, false, true, true, true,
     {"Tools\\linetest.txt", "Tools\\tones.bin"},
     {{"UPRG", "Orlavin\\Line Test", "Tools\\linetest.txt"}}, nullptr, nullptr, nullptr, nullptr,
     nullptr},
};

bool Nt() { return !EmulatesWin9x(); }

bool Listed(const Product &product) {
  if (EmulatesWin9x()) return product.onWin;
  if (EmulatesNt4()) return product.onNt4;
  return product.onNt5;
}

const Product *Find(const std::string &key) {
  for (const Product &product : kProducts)
    if (key == product.key) return &product;
  return nullptr;
}

bool Has(const std::vector<std::string> &keys, const char *key) {
  return std::find(keys.begin(), keys.end(), key) != keys.end();
}

std::string WindowsDir() {
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, sizeof(windows));
  return windows;
}

// The step program goes to the Windows folder, so that the removal's last step can run it
// after the target is emptied.
std::string StepProgram() { return WindowsDir() + "\\orlastep.exe"; }

std::string MediaSource() { return BinaryPath("examples/orlavin"); }

std::string LinkPath(const Link &link) {
  return ShellFolder(link.code) + "\\" + link.name + ".lnk";
}

// The link's sub-folders below its shell folder, innermost first.
std::vector<std::string> LinkFolders(const Link &link) {
  const std::string root = ShellFolder(link.code);
  std::vector<std::string> folders;
  std::string path = root + "\\" + link.name;
  for (size_t cut = path.rfind('\\'); cut != std::string::npos && cut > root.size();
       cut = path.rfind('\\')) {
    path.resize(cut);
    folders.push_back(path);
  }
  return folders;
}

// The platform's tag of the setup-level sections: Win, NTx86 or NT5.
std::string Platform() { return ExpectedPlatformSection(); }

void ExpectSameFile(const std::string &installed, const std::string &original) {
  ASSERT_TRUE(FileExists(installed)) << installed;
  EXPECT_TRUE(ReadTextFile(installed) == ReadTextFile(original)) << installed << " differs";
}

}  // namespace

void PlaceSampleMedia(const std::string &dir) { CopyFolderFiles(MediaSource(), dir); }

void ResetSampleMachine() {
  RemoveService(kService);
  for (const Product &product : kProducts) {
    DeleteRegTree(HKEY_LOCAL_MACHINE,
                  std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") +
                      product.key);
    for (const Link &link : product.links) {
      DeleteFileA(LinkPath(link).c_str());
      for (const std::string &folder : LinkFolders(link)) RemoveDirectoryA(folder.c_str());
    }
  }
  DeleteUninstallEntry(kSetupKey);
  DeleteRegTree(HKEY_LOCAL_MACHINE, kRegRoot);
  DeleteRegTree(HKEY_CURRENT_USER, kRegRoot);
  // A known group order around the anchor, whatever an earlier run left.
  SetGroupOrderList({"Base", kGroupAnchor, "Event log", "NetworkProvider"});
  RemoveTree(SampleDefaultTarget());
  RemoveTree(SampleAlternateTarget());
  DeleteFileA(SampleLogPath().c_str());
  DeleteFileA(StepProgram().c_str());
  ClearPendingRenames();
  DeleteFileA(WininitPath().c_str());
}

std::string SampleDefaultTarget() { return ProgramFilesDir() + "\\Orlavin"; }
std::string SampleAlternateTarget() { return WindowsDir() + "\\Temp\\Orlavin Elsewhere"; }
std::string SampleLogPath() { return WindowsDir() + "\\" + kStepsLog; }

std::vector<std::string> SampleDefaultProducts() {
  std::vector<std::string> keys;
  for (const Product &product : kProducts)
    if (Listed(product) && (product.flags & 1)) keys.push_back(product.key);
  return keys;
}

std::vector<std::string> SampleAllProducts() {
  std::vector<std::string> keys;
  for (const Product &product : kProducts)
    if (Listed(product)) keys.push_back(product.key);
  return keys;
}

std::vector<std::string> SampleRemovableProducts() {
  std::vector<std::string> keys;
  for (const Product &product : kProducts)
    if (Listed(product) && product.removable) keys.push_back(product.key);
  return keys;
}

std::vector<std::string> SampleRemovableOf(const std::vector<std::string> &products) {
  std::vector<std::string> keys;
  for (const std::string &key : products)
    if (Find(key)->removable) keys.push_back(key);
  return keys;
}

std::vector<std::string> SampleListedNames() {
  std::vector<std::string> names;
  for (const Product &product : kProducts)
    if (Listed(product)) names.push_back(product.name);
  return names;
}

bool SampleCheckedByDefault(const std::string &key) { return Find(key)->flags & 1; }
std::string SampleProductName(const std::string &key) { return Find(key)->name; }
std::string SampleProductVersion(const std::string &key) { return Find(key)->version; }

int SampleInstallExitCode(const std::vector<std::string> &products) {
  for (const std::string &key : products)
    if (Find(key)->flags & 2) return 3010;
  return 0;
}

int SampleRemoveExitCode(const std::string &key, bool) {
  // The last removal deletes the installed setup.exe too, and it does so at once: the program
  // that the entry starts hands the removal to a copy of itself.
  return (Find(key)->flags & 2) ? 3010 : 0;
}

bool SampleNeedsCd(const std::vector<std::string> &products) {
  for (const std::string &key : products)
    if (Find(key)->flags & 4) return true;
  return false;
}

std::string SampleHeldFile(const std::string &target, const std::string &key) {
  return target + "\\" + Find(key)->files.front();
}

std::string PlatformSectionsThatRan() {
  return RegText(HKEY_LOCAL_MACHINE, kRegRoot, "Platform");
}

std::string ExpectedPlatformSection() {
  const std::string version = EmulatedVersion();
  if (version == "win98") return "Win";
  if (version == "nt40") return "NTx86";
  return "NT5";
}

void ExpectSampleInstalled(const std::string &target, const std::vector<std::string> &products,
                           const std::string &media) {
  SCOPED_TRACE("installed in " + target);
  // The setup as a whole.
  ExpectSameFile(target + "\\setup.inf", media + "\\setup.inf");
  ExpectSameFile(target + "\\setup.exe", media + "\\setup.exe");
  ExpectSameFile(StepProgram(), media + "\\orlastep.exe");
  EXPECT_EQ(UninstallValue(kSetupKey, "DisplayName"), kSetupName);
  EXPECT_EQ(UninstallValue(kSetupKey, "UninstallString"), SampleRemoveCommand(target, kSetupKey));
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kRegRoot, "InstallDir"), target)
      << "%32768% expanded in the registry";
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kRegRoot, "Platform"), Platform());

  for (const Product &product : kProducts) {
    SCOPED_TRACE(product.key);
    const bool chosen = Has(products, product.key);
    if (!chosen) {
      EXPECT_FALSE(UninstallEntryExists(product.key));
      for (const char *file : product.files) EXPECT_FALSE(FileExists(target + "\\" + file)) << file;
      continue;
    }
    for (const char *file : product.files) {
      std::string name = file;
      ExpectSameFile(target + "\\" + name, media + "\\" + name.substr(name.rfind('\\') + 1));
    }
    if (product.removable) {
      EXPECT_EQ(UninstallValue(product.key, "DisplayName"), product.name);
      EXPECT_EQ(UninstallValue(product.key, "ProductVersion"), product.version);
      EXPECT_EQ(UninstallValue(product.key, "UserTargetDir"), target);
      EXPECT_EQ(UninstallValue(product.key, "UninstallString"),
                SampleRemoveCommand(target, product.key));
    } else {
      EXPECT_FALSE(UninstallEntryExists(product.key)) << "no remove section, no entry";
    }
    if (product.regKey)
      EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, product.regKey, product.regValue),
                target + "\\" + product.regData);
    for (const Link &link : product.links)
      EXPECT_EQ(LinkTarget(LinkPath(link)), target + "\\" + link.target) << link.name;
  }

  if (Has(products, "OrlavinMachine")) {
    const std::string ini = target + "\\orlavin.ini";
    EXPECT_EQ(IniText(ini, "Machine", "Messages"), target + "\\Messages")
        << "%32768% expanded in the INI file";
    EXPECT_EQ(IniText(ini, "Machine", "Rings"), "4");
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, "Software\\Orlavin\\Answering Machine", "Rings"), "4");
  }

  ServiceInfo service = QueryService(kService);
  if (!Has(products, "OrlavinListener")) {
    EXPECT_FALSE(service.exists) << "no listener on this platform or not chosen";
    return;
  }
  ASSERT_TRUE(Nt());
  ASSERT_TRUE(service.exists);
  EXPECT_EQ(service.state, static_cast<DWORD>(SERVICE_RUNNING)) << "started by the install";
  EXPECT_EQ(service.displayName, "Orlavin Call Listener");
  EXPECT_EQ(service.type, 16u);
  EXPECT_EQ(service.startType, 3u);
  EXPECT_EQ(service.errorControl, 1u);
  EXPECT_EQ(service.binary, "\"" + target + "\\orlasvc.exe\"");
  EXPECT_EQ(service.group, kGroup);
  // Wine's service manager keeps only the first name of a dependency list (its registry value
  // DependOnService holds "RpcSs" alone), so the first is what can be checked here.
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE,
                    std::string("System\\CurrentControlSet\\Services\\") + kService,
                    "DependOnService").substr(0, 5),
            "RpcSs");
  EXPECT_EQ(Join(GroupOrderList()),
            std::string("Base|") + kGroupAnchor + "|" + kGroup + "|Event log|NetworkProvider")
      << "the group placed after its anchor";
}

void ExpectProductRemoved(const std::string &target, const std::string &key,
                          const std::string &held) {
  const Product &product = *Find(key);
  SCOPED_TRACE("removed " + key);
  EXPECT_FALSE(UninstallEntryExists(key));
  for (const char *file : product.files) {
    const std::string path = target + "\\" + file;
    if (path == held) continue;
    EXPECT_FALSE(FileExists(path)) << path;
  }
  for (const Link &link : product.links) {
    EXPECT_FALSE(FileExists(LinkPath(link))) << link.name;
    // The innermost sub-folder holds nothing else of the sample: it goes.
    std::vector<std::string> folders = LinkFolders(link);
    if (!folders.empty()) EXPECT_FALSE(DirectoryExists(folders.front())) << folders.front();
  }
  if (product.regKey) EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, product.regKey));
  if (key == "OrlavinMachine") {
    EXPECT_FALSE(FileExists(target + "\\orlavin.ini"));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kRegRoot));
  }
  if (key == "OrlavinListener") {
    EXPECT_FALSE(QueryService(kService).exists) << "the service is deleted";
    EXPECT_EQ(Join(GroupOrderList()).find(kGroup), std::string::npos)
        << "the group goes out of the order, as the script says";
  }
}

std::string SampleSetupKey() { return kSetupKey; }

std::string SampleRemoveCommand(const std::string &target, const std::string &key) {
  return "\"" + target + "\\setup.exe\" /remove:" + key;
}

void ExpectSetupLevelPresent(const std::string &target, bool present) {
  SCOPED_TRACE(present ? "setup-level still installed" : "setup-level removed");
  EXPECT_EQ(FileExists(target + "\\setup.inf"), present);
  EXPECT_EQ(FileExists(StepProgram()), present) << "the last step deletes its program";
  EXPECT_EQ(FileExists(target + "\\Tools\\linetest.txt"), present) << "the line test goes with it";
  EXPECT_EQ(RegKeyExists(HKEY_LOCAL_MACHINE, kRegRoot), present);
  EXPECT_EQ(FileExists(ShellFolder("UPRG") + "\\Orlavin\\Line Test.lnk"), present);
}

// What a folder holds, below it too: files by their relative names, folders with a
// trailing backslash when withFolders.
std::vector<std::string> FolderEntries(const std::string &folder, bool withFolders,
                                       const std::string &prefix = "") {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      names.push_back(prefix + name);
      continue;
    }
    if (withFolders) names.push_back(prefix + name + "\\");
    for (const std::string &inner : FolderEntries(folder + "\\" + name, withFolders, prefix + name + "\\"))
      names.push_back(inner);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return names;
}

void ExpectNothingLeft(const std::string &target, bool emptyTargetMayStay) {
  // Windows 9x cannot remove a folder at its next start: there folders emptied only by the
  // restart stay, and only files count.
  const bool folders = Nt();
  EXPECT_EQ(Join(FolderEntries(target, folders)), "") << "left behind in " << target;
  if (Nt() && !emptyTargetMayStay) EXPECT_FALSE(DirectoryExists(target)) << target << " is left behind";
  EXPECT_FALSE(DirectoryExists(ShellFolder("UPRG") + "\\Orlavin"));
  EXPECT_FALSE(DirectoryExists(ShellFolder("CPRG") + "\\Orlavin"));
  EXPECT_FALSE(FileExists(ShellFolder("CDSK") + "\\Orlavin Answering Machine.lnk"));
  EXPECT_FALSE(FileExists(StepProgram()));
  EXPECT_FALSE(QueryService(kService).exists);
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kRegRoot));
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kRegRoot));
  for (const Product &product : kProducts) EXPECT_FALSE(UninstallEntryExists(product.key));
  EXPECT_FALSE(UninstallEntryExists(kSetupKey));
  EXPECT_TRUE(PendingDeletions().empty());
  EXPECT_TRUE(WininitDeletions().empty());
}

std::vector<StepRun> SampleStepsRun() {
  std::vector<StepRun> runs;
  for (const std::string &line : ReadLines(SampleLogPath())) {
    StepRun run;
    std::vector<std::string> fields;
    size_t at = 0;
    for (size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', at)) {
      fields.push_back(line.substr(at, tab - at));
      at = tab + 1;
    }
    fields.push_back(line.substr(at));
    if (fields.size() < 3) continue;
    run.tag = fields[0];
    run.handle = fields[1];
    run.owner = strtoul(fields[2].c_str(), nullptr, 10);
    runs.push_back(run);
  }
  return runs;
}

std::vector<std::string> SampleInstallSteps(const std::vector<std::string> &products) {
  const std::string setup = "Install." + Platform();
  std::vector<std::string> steps = {setup + ":1"};
  if (Has(products, "OrlavinTools")) steps.push_back("-");  // "@orlastep.exe", both passes
  steps.push_back(setup + ":2");
  if (Has(products, "OrlavinMachine")) steps.push_back("Machine.Install:2");
  if (Has(products, "OrlavinTools")) steps.push_back("-");
  return steps;
}

std::vector<std::string> SampleRemoveSteps(const std::string &key, bool last) {
  const std::string setup = "Remove." + Platform();
  std::vector<std::string> steps;
  if (const char *tag = Find(key)->removeTag) steps.push_back(tag);
  if (last) {
    steps.push_back(setup + ":1");
    steps.push_back(setup + ":2");
  }
  return steps;
}

void SpoilSampleFile(const std::string &target, const std::string &key) {
  WriteTextFile(target + "\\" + Find(key)->files.front(), "spoiled");
}

bool SampleFileSpoiled(const std::string &target, const std::string &key) {
  return ReadTextFile(target + "\\" + Find(key)->files.front()) == "spoiled";
}

std::string Join(const std::vector<std::string> &entries) {
  std::string text;
  for (const std::string &entry : entries) text += (text.empty() ? "" : "|") + entry;
  return text;
}
