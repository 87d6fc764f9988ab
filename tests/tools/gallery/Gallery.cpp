// Takes a picture of every page of one install and one removal of the sample product, as a
// user walks through them, for scripts/gallery.sh.
//
//   GALLERY_DIR=<picture folder> GALLERY_NAME=<name prefix> GALLERY_OPTIONS=<options> gallery.exe
//
// The options (such as /style:1 /lang:ger) go to every run. A third run pictures a product
// with a long name and description on the components page, and the ready page with its bar
// part-way. GALLERY_EXAMPLE=<name> and
// GALLERY_KEY=<product key> picture the built example of that name, and the removal of that
// product, instead. Pictures are 24-bit BMPs named <prefix>-<n>-<page>.bmp. It fails when a
// page did not come or could not be pictured.
#include <gtest/gtest.h>
#include <windows.h>
#include <stdlib.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "../matrix/Machine.h"
#include "../matrix/Sample.h"
#include "e2e/Media.h"
#include "e2e/WizardDriver.h"
#include "res/resource.h"
#include "support/TestSupport.h"

namespace {

constexpr DWORD kRunLimitMs = 90000;
// Files enough that the copy usually lasts longer than a picture takes; a machine that copies
// faster gets four times as many, up to the last count.
constexpr int kLongProductFiles = 300, kMostLongProductFiles = 16 * kLongProductFiles;
// Wine asks no restart question (its SetupPromptReboot shows nothing); Windows would at once.
constexpr DWORD kRestartQuestionMs = 1500;

struct Shooter {
  std::string folder, prefix;
  int count = 0;

  // settle: a pause after the page's activation, for pages that do not change by themselves.
  void Shoot(WizardDriver &wizard, int page, const char *name, DWORD settle = 200) {
    if (!wizard.WaitForPage(page, kRunLimitMs)) {
      ADD_FAILURE() << prefix << ": page " << page << " (" << name << ") did not come";
      return;
    }
    Sleep(settle);
    char file[MAX_PATH];
    snprintf(file, sizeof(file), "%s\\%s-%d-%s.bmp", folder.c_str(), prefix.c_str(), ++count, name);
    EXPECT_TRUE(wizard.Screenshot(file)) << prefix << ": no picture of " << name;
  }
};

// Presses Finish and declines a restart offer.
void FinishRun(WizardDriver &wizard, SetupProcess &setup) {
  WaitUntil([&] { return wizard.Button(WizardButton::Finish).enabled; }, kRunLimitMs);
  wizard.Press(WizardButton::Finish);
  MessageBoxState box = wizard.WaitForMessageBox(kRestartQuestionMs);
  if (box.window) wizard.Answer(box, IDNO);
  setup.WaitForExit(kRunLimitMs);
}


// A product with a name wider than its row, a description that fills more than its box, and
// files enough to picture the bar part-way; it registers nothing.
std::string LongProductScript(int files, std::vector<std::string> *payload) {
  std::string description;
  while (description.size() < 800)
    description += "Orlavin answers the telephone, records the callers' messages and plays them "
                   "back, wherever you are. ";
  std::string script =
      "[Version]\nSignature=\"$Chicago$\"\n[Products]\nLong = \"Orlavin Answering Machine, "
      "Professional Edition for Offices with Many Lines\", Long.Install, , 1, 4, \"" +
      description + "\", 1.0\n[Install]\n[Long.Install]\nCopyFiles = Long.Files\n"
      "[DestinationDirs]\nDefaultDestDir = 32768\n[Long.Files]\n";
  for (int file = 0; file < files; ++file) {
    payload->push_back("file" + std::to_string(file) + ".txt");
    script += payload->back() + "\n";
  }
  return script;
}

// The components page with that product, and the ready page while its files are copied;
// *partWay tells whether the copy was still running once the picture was taken.
void ShootLongProduct(Shooter &shooter, const std::string &options, int files, bool *partWay) {
  *partWay = false;
  std::vector<std::string> payload;
  Media media(LongProductScript(files, &payload), payload);
  SetupProcess setup(media.dir());
  ASSERT_TRUE(setup.Start(options));
  WizardDriver wizard(setup.pid());
  ASSERT_TRUE(wizard.WaitForPage(kPageWelcome, kRunLimitMs));
  WaitUntil([&] { return wizard.Press(WizardButton::Next); });
  shooter.Shoot(wizard, kPageComponents, "description");
  WaitUntil([&] { return wizard.Press(WizardButton::Next); });
  ASSERT_TRUE(wizard.WaitForPage(kPageTargetDir, kRunLimitMs));
  wizard.TypeTarget(media.target());
  WaitUntil([&] { return wizard.Press(WizardButton::Next); });
  ASSERT_TRUE(wizard.WaitForPage(kPageReady, kRunLimitMs));
  WaitUntil([&] { return wizard.Press(WizardButton::Next); });
  // A third of the way, where the picture shows it plainly part-way.
  WaitUntil([&] {
    return wizard.ProgressPos(IDC_PROGRESS) * 3 >= files || wizard.ActivePage() != kPageReady;
  }, kRunLimitMs);
  shooter.Shoot(wizard, kPageReady, "progress", 0);
  *partWay = wizard.ProgressPos(IDC_PROGRESS) < wizard.ProgressHigh(IDC_PROGRESS);
  FinishRun(wizard, setup);
}

std::string Environment(const char *name) {
  const char *value = getenv(name);
  return value ? value : "";
}

}  // namespace

TEST(Gallery, EveryPageOfAnInstallAndARemoval) {
  Shooter shooter{Environment("GALLERY_DIR"), Environment("GALLERY_NAME")};
  ASSERT_FALSE(shooter.folder.empty()) << "GALLERY_DIR names the picture folder";
  const std::string options = Environment("GALLERY_OPTIONS");

  const std::string example = Environment("GALLERY_EXAMPLE");
  ResetSampleMachine();
  ScratchDir media;
  if (example.empty())
    PlaceSampleMedia(media.path());
  else
    CopyFolderFiles(BinaryPath("examples/" + example), media.path());
  {
    SetupProcess setup(media.path());
    ASSERT_TRUE(setup.Start(options));
    WizardDriver wizard(setup.pid());
    shooter.Shoot(wizard, kPageWelcome, "welcome");
    WaitUntil([&] { return wizard.Press(WizardButton::Next); });
    shooter.Shoot(wizard, kPageComponents, "components");
    WaitUntil([&] { return wizard.Press(WizardButton::Next); });
    shooter.Shoot(wizard, kPageTargetDir, "target");
    WaitUntil([&] { return wizard.Press(WizardButton::Next); });
    shooter.Shoot(wizard, kPageReady, "ready");
    WaitUntil([&] { return wizard.Press(WizardButton::Next); });
    shooter.Shoot(wizard, kPageInstallFinish, "finish");
    FinishRun(wizard, setup);
  }
  // The removal of the first product is pictured; the rest is cleared away without runs.
  const std::string key =
      example.empty() ? SampleRemovableProducts().front() : Environment("GALLERY_KEY");
  const std::string line = UninstallValue(key, "UninstallString");
  ASSERT_NE(line[0], '<') << "no Uninstall entry";
  SetupProcess setup("", false);
  ASSERT_TRUE(setup.StartCommandLine(line + " " + options));
  WizardDriver wizard(setup.pid());
  shooter.Shoot(wizard, kPageRemove, "remove");
  WaitUntil([&] { return wizard.Press(WizardButton::Next); });
  shooter.Shoot(wizard, kPageRemoveFinish, "removed");
  FinishRun(wizard, setup);
  ResetSampleMachine();
  const int pictured = shooter.count;
  bool partWay = false;
  for (int files = kLongProductFiles; !partWay && files <= kMostLongProductFiles; files *= 4) {
    shooter.count = pictured;  // a new attempt replaces the pictures of the last
    ShootLongProduct(shooter, options, files, &partWay);
  }
  EXPECT_TRUE(partWay) << shooter.prefix << ": every copy ended before its picture was taken";
}
