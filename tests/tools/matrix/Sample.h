// The sample product as the matrix knows it: its media, its products on the emulated
// platform, and what each install and removal must leave on the machine. The Expect...
// checks report through GoogleTest.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Fills a media folder with the built sample's media: setup.exe, setup.inf, payload, programs.
void PlaceSampleMedia(const std::string &dir);
// Takes away whatever the sample may have left: files, entries, services, links, schedules,
// and puts a known service group order in place.
void ResetSampleMachine();

std::string SampleDefaultTarget();    // the directory proposed on a clean machine
std::string SampleAlternateTarget();  // another directory, for an earlier installation
std::string SampleLogPath();          // where the sample's step program notes its runs

// Product keys on the emulated platform, in the order of its Products section.
std::vector<std::string> SampleDefaultProducts();  // checked by default
std::vector<std::string> SampleAllProducts();      // every listed product
std::vector<std::string> SampleRemovableProducts();  // listed, with a remove section
std::vector<std::string> SampleRemovableOf(const std::vector<std::string> &products);
std::vector<std::string> SampleListedNames();        // the checklist's lines, in order
bool SampleCheckedByDefault(const std::string &key);
std::string SampleProductName(const std::string &key);
std::string SampleProductVersion(const std::string &key);
int SampleInstallExitCode(const std::vector<std::string> &products);
int SampleRemoveExitCode(const std::string &key, bool last);
bool SampleNeedsCd(const std::vector<std::string> &products);

// Which platform variant of the setup-level sections ran ("Win", "NTx86", "NT5"), as the
// sections themselves noted it in the registry, and which one should have.
std::string PlatformSectionsThatRan();
std::string ExpectedPlatformSection();

void ExpectSampleInstalled(const std::string &target, const std::vector<std::string> &products,
                           const std::string &media);
// held: a file of the product that was open during the removal (it stays until the restart).
void ExpectProductRemoved(const std::string &target, const std::string &key,
                          const std::string &held = "");
// The setup-level key, and the command line an Uninstall entry records for a key.
std::string SampleSetupKey();
std::string SampleRemoveCommand(const std::string &target, const std::string &key);
// The setup-level part of the sample (its Remove section's work); its Uninstall entry goes
// only with a removal through its own key.
void ExpectSetupLevelPresent(const std::string &target, bool present);
// After the last removal and the restart. emptyTargetMayStay: a file of an earlier removal
// waited for the restart in the target folder (see MatrixTest).
void ExpectNothingLeft(const std::string &target, bool emptyTargetMayStay = false);

// One run of the sample's step program: its tag, the handle text it was given and the
// process that owned that window (0 when none).
struct StepRun {
  std::string tag, handle;
  DWORD owner = 0;
};
std::vector<StepRun> SampleStepsRun();
// The tags an install of the products or a removal of one product should log, in order;
// "-" for a program run without arguments.
std::vector<std::string> SampleInstallSteps(const std::vector<std::string> &products);
std::vector<std::string> SampleRemoveSteps(const std::string &key, bool last);

// The file of a product that the removal tests hold open.
std::string SampleHeldFile(const std::string &target, const std::string &key);
// A file of the product changed on the machine, to see whether a reinstall replaces it.
void SpoilSampleFile(const std::string &target, const std::string &key);
bool SampleFileSpoiled(const std::string &target, const std::string &key);

std::string Join(const std::vector<std::string> &entries);  // "a|b|c"
