// Reads the Orlavin sample's setup.inf through the Setup API as each platform's run sees it,
// and checks what a packager easily gets wrong: sections named but missing, files the media
// lacks, file lists without a destination, and a removal that leaves behind what the install
// put down (files, INI files, registry keys, shortcuts, services), or that runs a program of
// its last pass after deleting it.
#include <gtest/gtest.h>

#include <windows.h>
#include <setupapi.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

constexpr char kTarget[] = "C:\\OrlavinTarget";
constexpr DWORD kUserDirId = 32768;

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(toupper(c)); });
  return text;
}

std::string Field(INFCONTEXT *line, DWORD index) {
  char text[1024];
  if (!SetupGetStringFieldA(line, index, text, sizeof(text), nullptr)) return "";
  return text;
}

bool HasLines(HINF inf, const std::string &section) {
  INFCONTEXT line;
  return SetupFindFirstLineA(inf, section.c_str(), nullptr, &line) != FALSE;
}

// Fields 1.. of every line of the section whose key is key (all lines when key is null).
std::vector<std::vector<std::string>> Lines(HINF inf, const std::string &section,
                                            const char *key = nullptr) {
  std::vector<std::vector<std::string>> lines;
  INFCONTEXT line;
  if (!SetupFindFirstLineA(inf, section.c_str(), key, &line)) return lines;
  do {
    std::vector<std::string> fields;
    for (DWORD i = 1, n = SetupGetFieldCount(&line); i <= n; ++i) fields.push_back(Field(&line, i));
    lines.push_back(fields);
  } while (key ? SetupFindNextMatchLineA(&line, key, &line) : SetupFindNextLine(&line, &line));
  return lines;
}

// The fields of the first line with the key: the section names a directive lists.
std::vector<std::string> Named(HINF inf, const std::string &section, const char *key) {
  auto lines = Lines(inf, section, key);
  return lines.empty() ? std::vector<std::string>() : lines.front();
}

// The section chosen the way setup.exe chooses: the first present candidate, else the bare name.
std::string Choose(HINF inf, const std::string &family, const std::string &platform) {
  std::vector<std::string> suffixes;
  if (platform == "win98") suffixes = {".Win"};
  else if (platform == "nt40") suffixes = {".NTx86", ".NT"};
  else suffixes = {".NT5", ".NTx86", ".NT"};
  for (const std::string &suffix : suffixes)
    if (HasLines(inf, family + suffix)) return family + suffix;
  return family;
}

struct Product {
  std::string key, install, remove;
};

std::vector<Product> ListedProducts(HINF inf, const std::string &section) {
  std::vector<Product> products;
  INFCONTEXT line;
  if (!SetupFindFirstLineA(inf, section.c_str(), nullptr, &line)) return products;
  do {
    Product product{Field(&line, 0), Field(&line, 2), Field(&line, 3)};
    if (!product.install.empty()) products.push_back(product);
  } while (SetupFindNextLine(&line, &line));
  return products;
}

class SampleScript : public testing::Test {
 protected:
  void SetUp() override {
    media_ = BinaryPath("examples/orlavin");
    inf_ = SetupOpenInfFileA((media_ + "\\setup.inf").c_str(), nullptr, INF_STYLE_WIN4, nullptr);
    ASSERT_NE(inf_, INVALID_HANDLE_VALUE) << "no sample media at " << media_;
    ASSERT_TRUE(SetupSetDirectoryIdA(inf_, kUserDirId, kTarget));
  }
  void TearDown() override {
    if (inf_ != INVALID_HANDLE_VALUE) SetupCloseInfFile(inf_);
  }

  // Full upper-case paths of the files that the sections' CopyFiles (or DelFiles) lists name.
  std::set<std::string> Files(const std::vector<std::string> &sections, const char *directive) {
    std::set<std::string> files;
    for (const std::string &section : sections)
      for (const std::string &list : Named(inf_, section, directive)) {
        char dir[MAX_PATH] = "";
        EXPECT_TRUE(SetupGetTargetPathA(inf_, nullptr, list.c_str(), dir, sizeof(dir), nullptr));
        EXPECT_TRUE(HasDestination(list)) << list << " would go to the root of the drive";
        for (const auto &line : Lines(inf_, list)) files.insert(Upper(std::string(dir) + "\\" + line.at(0)));
      }
    return files;
  }

  bool HasDestination(const std::string &list) {
    INFCONTEXT line;
    return SetupFindFirstLineA(inf_, "DestinationDirs", list.c_str(), &line) != FALSE;
  }

  // (root, key) of every line of the registry lists that the sections name.
  std::vector<std::string> RegistryKeys(const std::vector<std::string> &sections, const char *directive) {
    std::vector<std::string> keys;
    for (const std::string &section : sections)
      for (const std::string &list : Named(inf_, section, directive))
        for (const auto &line : Lines(inf_, list)) keys.push_back(Upper(line.at(0) + "\\" + line.at(1)));
    return keys;
  }

  std::set<std::string> Shortcuts(const std::vector<std::string> &sections, const char *directive) {
    std::set<std::string> links;
    for (const std::string &section : sections)
      for (const std::string &list : Named(inf_, section, directive))
        for (const auto &line : Lines(inf_, list)) links.insert(Upper(line.at(0) + ":" + line.at(1)));
    return links;
  }

  // Programs of the sections' program lists for the pass (upper-case, as written after
  // substitution), and "@" fields, which run in every pass.
  std::vector<std::vector<std::string>> Programs(const std::vector<std::string> &sections, int pass) {
    std::vector<std::vector<std::string>> programs;
    for (const std::string &section : sections)
      for (const std::string &name : Named(inf_, section, "Exec")) {
        if (name[0] == '@') {
          programs.push_back({name.substr(1), "", "", "0"});
          continue;
        }
        EXPECT_TRUE(HasLines(inf_, name)) << section << " runs the missing list " << name;
        for (auto line : Lines(inf_, name))
          if (strtol(line.at(0).c_str(), nullptr, 0) == pass) {
            line.erase(line.begin());
            line.resize(4);
            programs.push_back(line);
          }
      }
    return programs;
  }

  // Files (INI files included), registry keys and shortcuts that the install sections put
  // down are taken away by the removal sections; a program of the removal's last pass that
  // deletes itself (flag 2) counts as deleting its file.
  void ExpectUndone(const std::vector<std::string> &installing,
                    const std::vector<std::string> &removal) {
    std::set<std::string> copied = Files(installing, "CopyFiles");
    std::set<std::string> deleted = Files(removal, "DelFiles");
    for (const std::string &section : installing)
      for (const std::string &list : Named(inf_, section, "UpdateInis"))
        for (const auto &line : Lines(inf_, list)) copied.insert(Upper(line.at(0)));
    for (const auto &program : Programs(removal, 2))
      if (strtol(program[3].c_str(), nullptr, 0) & 2) deleted.insert(Upper(program[0]));
    for (const std::string &file : copied) EXPECT_EQ(deleted.count(file), 1u) << file << " stays";

    const auto removedKeys = RegistryKeys(removal, "DelReg");
    for (const std::string &key : RegistryKeys(installing, "AddReg"))
      EXPECT_TRUE(Covered(key, removedKeys)) << key << " stays";

    const auto unmade = Shortcuts(removal, "DelIcons");
    for (const std::string &link : Shortcuts(installing, "MakeIcons"))
      EXPECT_EQ(unmade.count(link), 1u) << link << " stays";
  }

  // The files are deleted before the last pass: none of its programs may be among them.
  void ExpectProgramsSurvive(const std::vector<std::string> &removal) {
    std::set<std::string> deleted = Files(removal, "DelFiles");
    for (const auto &program : Programs(removal, 2))
      EXPECT_EQ(deleted.count(Upper(program[0])), 0u) << program[0] << " is deleted before it runs";
  }

  static bool Covered(const std::string &key, const std::vector<std::string> &deleted) {
    for (const std::string &d : deleted)
      if (key == d || key.compare(0, d.size() + 1, d + "\\") == 0) return true;
    return false;
  }

  HINF inf_ = INVALID_HANDLE_VALUE;
  std::string media_;
};

TEST_F(SampleScript, EachPlatformChoosesItsOwnSectionsAndProducts) {
  struct Expected {
    const char *platform, *products, *install, *remove;
    std::set<std::string> keys;
  };
  const std::set<std::string> common = {"OrlavinMachine", "OrlavinVoices", "OrlavinTools"};
  auto with = [&](std::set<std::string> extra) { extra.insert(common.begin(), common.end()); return extra; };
  const Expected expected[] = {
      {"win98", "Products.Win", "Install.Win", "Remove.Win", with({"OrlavinFax"})},
      {"nt40", "Products.NT", "Install.NTx86", "Remove.NTx86", with({"OrlavinListener"})},
      {"win2k", "Products.NT5", "Install.NT5", "Remove.NT5", with({"OrlavinListener", "OrlavinFax"})},
  };
  for (const Expected &e : expected) {
    EXPECT_EQ(Choose(inf_, "Products", e.platform), e.products);
    EXPECT_EQ(Choose(inf_, "Install", e.platform), e.install);
    EXPECT_EQ(Choose(inf_, "Remove", e.platform), e.remove);
    std::set<std::string> keys;
    for (const Product &p : ListedProducts(inf_, e.products)) keys.insert(p.key);
    EXPECT_EQ(keys, e.keys) << e.platform;
    auto uninstall = Named(inf_, e.install, "Uninstall");
    EXPECT_EQ(uninstall, (std::vector<std::string>{"Orlavin", "Orlavin for Windows"})) << e.install;
  }
}

TEST_F(SampleScript, EveryProductInstallsFromTheMediaAndItsRemovalTakesEverythingAway) {
  for (const char *platform : {"win98", "nt40", "win2k"}) {
    SCOPED_TRACE(platform);
    const std::string install = Choose(inf_, "Install", platform);
    const std::string remove = Choose(inf_, "Remove", platform);
    const bool nt = std::string(platform) != "win98";
    std::set<std::string> installedFiles = Files({install}, "CopyFiles");
    {
      SCOPED_TRACE(install);
      ExpectUndone({install}, {remove});
    }
    for (const Product &p : ListedProducts(inf_, Choose(inf_, "Products", platform))) {
      SCOPED_TRACE(p.key);
      ASSERT_TRUE(HasLines(inf_, p.install));
      // A product's own remove section undoes it; one without goes with the setup-level
      // Remove section. Programs of the last removal's final pass must still be there.
      if (p.remove.empty()) {
        ExpectUndone({p.install}, {remove});
      } else {
        ASSERT_TRUE(HasLines(inf_, p.remove));
        ExpectUndone({p.install}, {p.remove});
        ExpectProgramsSurvive({p.remove, remove});
      }
      const std::vector<std::string> installing = {install, p.install};
      std::set<std::string> copied = Files(installing, "CopyFiles");
      for (const std::string &section : installing)
        for (const std::string &list : Named(inf_, section, "CopyFiles"))
          for (const auto &line : Lines(inf_, list))
            EXPECT_TRUE(FileExists(media_ + "\\" + line.at(0))) << line.at(0) << " is not on the media";

      // The pass 1 programs of an install run from the media.
      for (const auto &program : Programs(installing, 1)) {
        if (program[0].find('\\') == std::string::npos)
          EXPECT_TRUE(FileExists(media_ + "\\" + program[0])) << program[0];
      }

      for (const auto &line : Lines(inf_, p.install + ".Services", "AddService")) {
        ASSERT_TRUE(nt) << "no services on Windows 9x";
        ASSERT_GE(line.size(), 3u);
        EXPECT_TRUE(HasLines(inf_, line[2])) << "settings " << line[2];
        bool deletes = false;
        for (const auto &del : Lines(inf_, p.remove + ".Services", "DelService"))
          deletes |= Upper(del.at(0)) == Upper(line[0]);
        EXPECT_TRUE(deletes) << line[0] << " is never deleted";
      }
      installedFiles.insert(copied.begin(), copied.end());
    }
    // The copy of setup.exe that the Uninstall entries start has its script beside it.
    const std::string setupCopy = Upper(std::string(kTarget) + "\\setup.exe");
    EXPECT_EQ(installedFiles.count(setupCopy), 1u);
    EXPECT_EQ(installedFiles.count(Upper(std::string(kTarget) + "\\setup.inf")), 1u);
  }
}

TEST_F(SampleScript, ProgramLinesPassTheWindowHandleFirstAndTheServiceBinaryIsQuoted) {
  // The placeholder is replaced only up to the first "%" that does not begin it.
  for (const char *section : {"Install.NT5.Steps", "Install.NTx86.Steps", "Install.Win.Steps",
                              "Remove.NT5.Steps", "Remove.NTx86.Steps", "Remove.Win.Steps",
                              "Machine.Steps", "Machine.Remove.Steps"})
    for (const auto &line : Lines(inf_, section)) {
      ASSERT_GE(line.size(), 3u) << section;
      EXPECT_EQ(line[2].find('%'), line[2].find("%hwnd%")) << section << ": " << line[2];
      EXPECT_NE(line[2].find("%hwnd%"), std::string::npos) << section;
    }
  const auto binary = Named(inf_, "Listener.Service", "ServiceBinary");
  ASSERT_EQ(binary.size(), 1u);
  EXPECT_EQ(binary[0], std::string("\"") + kTarget + "\\orlasvc.exe\"");
  const auto dependencies = Named(inf_, "Listener.Service", "Dependencies");
  EXPECT_EQ(dependencies, (std::vector<std::string>{"RpcSs", "PlugPlay"}));
}

}  // namespace
