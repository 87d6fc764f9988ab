// One program file for the whole media: signed after packing it installs as its media folder
// does, from a private folder that goes afterwards, and its installed program removes
// everything; a damaged one changes nothing; "/extract:" gives the media back byte for byte,
// with their dates and attributes;
// the options, the exit codes and the single-instance rule pass through.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/LittleEndian.h"
#include "e2e/Media.h"
#include "e2e/WizardDriver.h"
#include "pack/PackedFile.h"

namespace {

constexpr DWORD kRunMs = 60000;

// A file beside the script, one in a sub-folder that the source disks name, a cabinet that is
// copied whole, and a first-pass program from the media that the gate holds. The program
// ends the first compressed half, which the empty hollow.txt follows.
const char kScript[] = R"([Version]
Signature="$Chicago$"
Provider = "Setup wizard pack tests"
[Products]
PKTool = "Packed Tool", Tool.Install, Tool.Remove, 1, 0, "", 1.0
[Install]
[Tool.Install]
CopyFiles = Tool.Files, Setup.Files
Exec = Gate.Steps
[Tool.Remove]
DelFiles = Tool.Files, Setup.Files
[Gate.Steps]
Wait = 1, gate.exe, "@GATE@"
[DestinationDirs]
DefaultDestDir = 32768
Tool.Files = 32768
Setup.Files = 32768
[SourceDisksNames]
1 = "Docs",,,docs
[SourceDisksFiles]
deep.txt = 1
[Tool.Files]
one.txt
empty.txt
hollow.txt
deep.txt
prompts.cab
[Setup.Files]
setup.exe
setup.inf
)";
// Everything of the media that the script reads; unused.txt lies beside them as well.
const char *const kPackedFiles[] = {"setup.exe", "setup.inf", "one.txt", "empty.txt", "hollow.txt",
                                    "docs\\deep.txt", "prompts.cab", "gate.exe"};

// Files that a run only copies, one of them in a sub-folder and one over the same file,
// one that a copy only puts in place of a file that is there, and one that a program's
// arguments name.
const char kStoreScript[] = R"([Version]
Signature="$Chicago$"
Provider = "Setup wizard pack tests"
[Products]
PKStore = "Stored Tool", Tool.Install, Tool.Remove, 1, 0, "", 1.0
[Install]
[Tool.Install]
CopyFiles = Tool.Files, Setup.Files
Exec = Named.Steps
[Tool.Remove]
DelFiles = Tool.Files, Setup.Files
[Named.Steps]
Copy = 2, cmd.exe, "/c copy named.txt @TARGET@\named-copy.txt"
[DestinationDirs]
DefaultDestDir = 32768
[SourceDisksNames]
1 = "Docs",,,docs
[SourceDisksFiles]
deep.txt = 1
[Tool.Files]
plain.txt
marked.txt
deep.txt
there.txt
named.txt
replacing.txt,,,0x400
[Setup.Files]
setup.exe
setup.inf
)";

std::string Quoted(const std::string &text) { return "\"" + text + "\""; }

// The packed file with the "CK" mark of the first data block of one folder of its cabinet
// broken and the CRC of its media made whole again: only the unpacking can tell.
std::string DamagedBehindTheCrc(std::string bytes, int folder) {
  unsigned char *data = reinterpret_cast<unsigned char *>(&bytes[0]);
  ProgramLayout layout;
  PackPlace place;
  if (!ReadProgramLayout(data, bytes.size(), &layout) ||
      LocatePack(layout, static_cast<uint32_t>(bytes.size()), data + layout.imageEnd,
                 kPackHeaderSize, &place) != PackState::Present)
    return "";
  size_t cabinet = bytes.find(std::string("MSCF\0\0\0\0", 8), place.mediaStart);
  if (cabinet == std::string::npos) return "";
  size_t block = cabinet + ReadLittle32(data + cabinet + 36 + 8 * folder);
  if (bytes.compare(block + 8, 2, "CK") != 0) return "";
  bytes[block + 8] = 'X';
  unsigned char header[kPackHeaderSize];
  WritePackHeader(header, place.mediaSize,
                  UpdateCrc32(0, data + place.mediaStart, place.mediaSize));
  bytes.replace(layout.imageEnd, kPackHeaderSize, reinterpret_cast<char *>(header),
                kPackHeaderSize);
  return bytes;
}

// A file's last-write time and attributes, as "time attributes"; empty when it is not there.
std::string DateAndAttributes(const std::string &path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return "";
  return std::to_string(data.ftLastWriteTime.dwHighDateTime) + ":" +
         std::to_string(data.ftLastWriteTime.dwLowDateTime) + " " +
         std::to_string(data.dwFileAttributes);
}

// The private folder that a run's log says the media were unpacked into.
std::string UnpackedFolder(const std::string &log) {
  const std::string mark = " files into ";
  size_t at = log.find(mark);
  if (at == std::string::npos) return "";
  at += mark.size();
  return log.substr(at, log.find('\r', at) - at);
}

class PackTest : public testing::Test {
 protected:
  void TearDown() override {
    for (const char *key : {"PKTool", "PKSigned", "PKStore"}) DeleteUninstallEntry(key);
  }
  // The media of kScript, gate open, with the build's setup.exe.
  void MakeMedia() {
    media_.reset(new Media(kScript, {"one.txt", "unused.txt"}));
    CreateDirectoryA((media_->dir() + "\\docs").c_str(), nullptr);
    WriteTextFile(media_->dir() + "\\docs\\deep.txt", "a file of a sub-folder\r\n");
    WriteTextFile(media_->dir() + "\\prompts.cab", std::string(3000, 'c'));
    WriteTextFile(media_->dir() + "\\empty.txt", "");
    WriteTextFile(media_->dir() + "\\hollow.txt", "");
    CopyFileA(BinaryPath("setup.exe").c_str(), (media_->dir() + "\\setup.exe").c_str(), FALSE);
    media_->OpenGate();
  }
  // Packs the media with their own setup.exe; the exit code, and the output in output.
  int Pack(std::string *output = nullptr) {
    return RunAndWait(Quoted(media_->dir() + "\\setup.exe") + " /pack:" + Quoted(packed()),
                      kRunMs, nullptr, output);
  }
  int Run(const std::string &program, const std::string &options, std::string *output = nullptr) {
    return RunAndWait(Quoted(program) + " " + options, kRunMs, nullptr, output);
  }
  std::string packed() const { return out_ / "Packed Setup.exe"; }
  std::string log() const { return out_ / "run.log"; }

  ScratchDir out_;
  std::unique_ptr<Media> media_;
};

TEST_F(PackTest, SignedPackInstallsSilentlyAndTheInstalledProgramRemovesEverything) {
  const std::string signedMedia = BinaryPath("tests/pack/signed/media");
  ASSERT_TRUE(CopyFileA(BinaryPath("tests/pack/signed/Signed.exe").c_str(), packed().c_str(),
                        FALSE)) << "made by sign-pack.sh";
  const std::string bytes = ReadTextFile(packed());
  const std::string target = out_ / "Signed Target";
  const std::vector<std::string> before = LogsInTemp("*");
  EXPECT_EQ(Run(packed(), "/silent /log /dir:" + Quoted(target)), 0);
  std::vector<std::string> logs;
  for (const std::string &path : LogsInTemp("*"))
    if (std::find(before.begin(), before.end(), path) == before.end()) logs.push_back(path);
  ASSERT_EQ(logs.size(), 1u) << "\"/log\" gives the packed file and its media one log";
  const std::string text = ReadTextFile(logs[0]);
  DeleteFileA(logs[0].c_str());
  EXPECT_NE(logs[0].find("Packed Setup_"), std::string::npos) << logs[0];
  EXPECT_NE(text.find("started with the command line", text.find(" files into ")),
            std::string::npos) << "the media's setup.exe writes there too\n" << text;
  EXPECT_EQ(ReadTextFile(packed()), bytes) << "the signed file is never rewritten";
  // setup.exe as it was signed before packing: the plain program, keeping its signature.
  for (const char *file : {"setup.exe", "setup.inf", "one.txt", "two.txt"})
    EXPECT_EQ(ReadTextFile(target + "\\" + file), ReadTextFile(signedMedia + "\\" + file))
        << file;
  const std::string folder = UnpackedFolder(text);
  ASSERT_NE(folder, "") << text;
  EXPECT_EQ(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES) << folder;

  SetupProcess remover(target, false);
  ASSERT_TRUE(remover.StartCommandLine(UninstallValue("PKSigned", "UninstallString") + " /silent"));
  EXPECT_EQ(remover.WaitForExit(kRunMs), 0);
  EXPECT_FALSE(UninstallEntryExists("PKSigned"));
  EXPECT_EQ(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES) << "nothing is left";
}

TEST_F(PackTest, ADamagedPackSaysSoAndChangesNothing) {
  MakeMedia();
  ASSERT_EQ(Pack(), 0);
  const std::string whole = ReadTextFile(packed());
  const size_t image = ReadTextFile(BinaryPath("setup.exe")).size();
  std::string flipped = whole;
  flipped[whole.size() - 100] ^= 0x5A;
  const std::string target = out_ / "Target";
  // A cabinet damaged in either compressed half behind a whole CRC: the unpacking fails, the
  // other half's stops, and the private folder goes.
  for (int folder = 0; folder < 2; ++folder) {
    const std::string damaged = DamagedBehindTheCrc(whole, folder);
    ASSERT_NE(damaged, "") << "folder " << folder;
    WriteTextFile(packed(), damaged);
    DeleteFileA(log().c_str());
    EXPECT_EQ(Run(packed(), "/silent /dir:" + Quoted(target) + " /log:" + Quoted(log())), 1603)
        << folder;
    const std::string text = ReadTextFile(log());
    const size_t at = text.find("unpacking into ");
    ASSERT_NE(at, std::string::npos) << text;
    const std::string work = text.substr(at + 15, text.find(" failed", at) - at - 15);
    EXPECT_EQ(GetFileAttributesA(work.c_str()), INVALID_FILE_ATTRIBUTES) << work;
    EXPECT_EQ(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES) << folder;
  }
  const struct {
    const char *what;
    std::string bytes;
  } cases[] = {
      {"a byte of the cabinet changed", flipped},
      {"cut inside the cabinet", whole.substr(0, whole.size() - 1000)},
      {"cut inside the header", whole.substr(0, image + 5)},
  };
  for (const auto &c : cases) {
    WriteTextFile(packed(), c.bytes);
    DeleteFileA(log().c_str());
    EXPECT_EQ(Run(packed(), "/silent /dir:" + Quoted(target) + " /log:" + Quoted(log())), 1620)
        << c.what;
    EXPECT_NE(ReadTextFile(log()).find("is damaged or cut off"), std::string::npos) << c.what;
    EXPECT_EQ(UnpackedFolder(ReadTextFile(log())), "") << c.what;
    EXPECT_EQ(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES) << c.what;
    EXPECT_FALSE(UninstallEntryExists("PKTool")) << c.what;
  }
  // Without "/silent" the user reads why.
  SetupProcess setup(out_.path(), false);
  ASSERT_TRUE(setup.StartCommandLine(Quoted(packed()) + " /quiet"));
  MessageBoxState box = WizardDriver(setup.pid()).WaitForMessageBox();
  EXPECT_NE(box.text.find("is damaged or incomplete"), std::string::npos) << box.text;
  WizardDriver(setup.pid()).Answer(box, IDOK);
  EXPECT_EQ(setup.WaitForExit(kRunMs), 1620);
}

TEST_F(PackTest, ExtractGivesBackWhatWasPackedByteForByteAndInstallsNothing) {
  MakeMedia();
  // The media's dates, each its own to the tenth of a microsecond, and a file that is
  // read-only: an install from the packed file gives its files the dates that the media
  // give them.
  SYSTEMTIME old = {2019, 3, 0, 5, 6, 7, 9, 0};
  FILETIME written;
  ASSERT_TRUE(SystemTimeToFileTime(&old, &written));
  for (const char *file : kPackedFiles) {
    written.dwLowDateTime += 1234567;
    HANDLE handle = CreateFileA((media_->dir() + "\\" + file).c_str(), FILE_WRITE_ATTRIBUTES, 0,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE) << file;
    EXPECT_TRUE(SetFileTime(handle, nullptr, nullptr, &written)) << file;
    CloseHandle(handle);
  }
  SetFileAttributesA((media_->dir() + "\\one.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  std::string output;
  ASSERT_EQ(Pack(&output), 0) << output;
  const std::string copy = out_ / "Media Copy";
  EXPECT_EQ(Run(packed(), "/extract:" + Quoted(copy), &output), 0) << output;
  for (const char *file : kPackedFiles) {
    EXPECT_EQ(ReadTextFile(copy + "\\" + file), ReadTextFile(media_->dir() + "\\" + file))
        << file;
    EXPECT_EQ(DateAndAttributes(copy + "\\" + file),
              DateAndAttributes(media_->dir() + "\\" + file))
        << file;
  }
  SetFileAttributesA((copy + "\\one.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesA((media_->dir() + "\\one.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_FALSE(FileExists(copy + "\\unused.txt")) << "only what the script reads is packed";
  EXPECT_FALSE(UninstallEntryExists("PKTool"));
  EXPECT_EQ(Run(media_->dir() + "\\setup.exe", "/extract:" + Quoted(copy)), 1620)
      << "the plain program carries nothing";
}

TEST_F(PackTest, OptionsExitCodesAndOutputPassThrough) {
  MakeMedia();
  ASSERT_EQ(Pack(), 0);
  const std::string target = out_ / "Target";
  const struct {
    std::string options;
    int exitCode;
    const char *output;
  } cases[] = {
      {"/silent /install:PKNone /dir:" + Quoted(target), 1639, ""},
      {"/check", 0, "setup.inf: 0 error(s), 0 warning(s)"},
      {"/silent /dir:relative", 1639, ""},
  };
  for (const auto &c : cases) {
    std::string output;
    EXPECT_EQ(Run(packed(), c.options, &output), c.exitCode) << c.options;
    EXPECT_NE(output.find(c.output), std::string::npos) << c.options << ": " << output;
    EXPECT_FALSE(UninstallEntryExists("PKTool")) << c.options;
  }
}

TEST_F(PackTest, ASecondStartOfThePackedFileEndsWhileTheFirstRuns) {
  MakeMedia();
  ASSERT_EQ(Pack(), 0);
  DeleteFileA(media_->gateFile().c_str());
  const std::string target = out_ / "Target";
  SetupProcess first(out_.path(), false);
  ASSERT_TRUE(first.StartCommandLine(Quoted(packed()) + " /silent /dir:" + Quoted(target)));
  ASSERT_TRUE(WaitUntil([&] { return UninstallEntryExists("PKTool"); }, kRunMs))
      << "the first run waits at the gate";
  EXPECT_EQ(Run(packed(), "/silent /dir:" + Quoted(target)), 1618);
  media_->OpenGate();
  EXPECT_EQ(first.WaitForExit(kRunMs), 0);
  EXPECT_TRUE(FileExists(target + "\\one.txt"));
  EXPECT_TRUE(FileExists(target + "\\deep.txt"));
}

// The next packed run deletes what a killed one left, once nothing runs from it any more.
TEST_F(PackTest, AKilledRunsFolderGoesWithALaterRunOnceItsMediaNoLongerRun) {
  MakeMedia();
  ASSERT_EQ(Pack(), 0);
  DeleteFileA(media_->gateFile().c_str());
  std::string folder;
  {
    SetupProcess killed(out_.path(), false);
    ASSERT_TRUE(killed.StartCommandLine(Quoted(packed()) + " /silent /log:" + Quoted(log()) +
                                        " /dir:" + Quoted(out_ / "Target")));
    ASSERT_TRUE(WaitUntil([&] { return UninstallEntryExists("PKTool"); }, kRunMs))
        << "the media's setup.exe waits at the gate";
    folder = UnpackedFolder(ReadTextFile(log()));
  }  // the packed file's own process is killed; its media's setup.exe goes on
  ASSERT_NE(folder, "");
  const std::string work = folder.substr(0, folder.rfind('\\'));
  EXPECT_EQ(Run(packed(), "/check"), 0);
  EXPECT_TRUE(FileExists(folder + "\\one.txt")) << "its media still run the install";
  media_->OpenGate();
  EXPECT_TRUE(WaitUntil([&] { return Run(packed(), "/check") == 0 && !FileExists(work); }, kRunMs))
      << work;
}

// What a packed run only copies it keeps in one store rather than as files, and writes each
// from there: every file lands as from the media folder, and the one that a program reads as
// a file is there for it.
TEST_F(PackTest, FilesThatARunOnlyCopiesLandFromItsStoreAsFromTheMedia) {
  Media media(kStoreScript, {"plain.txt", "there.txt", "named.txt", "replacing.txt"});
  CreateDirectoryA((media.dir() + "\\docs").c_str(), nullptr);
  // More than a block of the cabinet's stream and of the store's reads, ahead of the rest.
  WriteTextFile(media.dir() + "\\docs\\deep.txt", std::string(150000, 'd') + "end");
  WriteTextFile(media.dir() + "\\marked.txt", "hidden and read-only\r\n");
  SetFileAttributesA((media.dir() + "\\marked.txt").c_str(),
                     FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  CopyFileA(BinaryPath("setup.exe").c_str(), (media.dir() + "\\setup.exe").c_str(), FALSE);
  std::string output;
  ASSERT_EQ(RunAndWait(Quoted(media.dir() + "\\setup.exe") + " /pack:" + Quoted(packed()), kRunMs,
                       nullptr, &output),
            0) << output;
  const std::string target = media.target();
  // The same file is there: it is not set aside, and the queue copies it from the media folder.
  ASSERT_TRUE(CopyFileA((media.dir() + "\\there.txt").c_str(), (target + "\\there.txt").c_str(),
                        FALSE));
  // A folder in the way of the last file fails the first install: what the store wrote goes.
  const std::string blocker = target + "\\replacing.txt";
  ASSERT_TRUE(CreateDirectoryA(blocker.c_str(), nullptr));
  EXPECT_EQ(Run(packed(), "/silent /dir:" + Quoted(target)), 1603);
  for (const char *file : {"plain.txt", "marked.txt", "deep.txt", "named.txt"})
    EXPECT_FALSE(FileExists(target + "\\" + file)) << file;
  EXPECT_TRUE(FileExists(target + "\\there.txt"));
  RemoveDirectoryA(blocker.c_str());
  EXPECT_EQ(Run(packed(), "/silent /dir:" + Quoted(target) + " /log:" + Quoted(log())), 0);
  const std::string text = ReadTextFile(log());
  // Not named.txt, which a program reads, nor replacing.txt, whose copy only replaces a file
  // (which Wine's queue does not heed).
  EXPECT_NE(text.find("4 files of the media are kept in"), std::string::npos) << text;
  // Attributes but the archive flag, which comes with every new file.
  auto landed = [](const std::string &path) {
    std::string state = DateAndAttributes(path);
    return state.substr(0, state.find(' ')) + " " +
           std::to_string(GetFileAttributesA(path.c_str()) & ~FILE_ATTRIBUTE_ARCHIVE);
  };
  for (const char *file : {"plain.txt", "marked.txt", "docs\\deep.txt", "there.txt", "named.txt"}) {
    const std::string name = std::string(file).substr(std::string(file).rfind('\\') + 1);
    EXPECT_EQ(ReadTextFile(target + "\\" + name), ReadTextFile(media.dir() + "\\" + file)) << file;
    EXPECT_EQ(landed(target + "\\" + name), landed(media.dir() + "\\" + file)) << file;
  }
  EXPECT_EQ(ReadTextFile(target + "\\named-copy.txt"), ReadTextFile(media.dir() + "\\named.txt"));
  for (const std::string &folder : {target, media.dir()})
    SetFileAttributesA((folder + "\\marked.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(PackTest, PackingRefusesAScriptWithErrors) {
  MakeMedia();
  DeleteFileA((media_->dir() + "\\one.txt").c_str());
  std::string output;
  EXPECT_EQ(Pack(&output), 1);
  EXPECT_NE(output.find("nothing is packed: the script has errors"), std::string::npos) << output;
  EXPECT_FALSE(FileExists(packed()));
}

}  // namespace
