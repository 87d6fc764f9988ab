// The parts of a program file: where the image ends and the signature lies, and whether what
// stands behind the image is a whole pack; the index of the packed files.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "pack/PackedFile.h"

namespace {

constexpr uint32_t kPeAt = 0x80;
constexpr uint32_t kImageEnd = 0x3000;  // the second section's data ends here
constexpr uint32_t kMediaSize = 37;

void Put32(std::vector<unsigned char> &bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// The head of a program with two sections, signed at signatureStart when that is not 0.
std::vector<unsigned char> ProgramHead(bool pe32Plus, uint32_t signatureStart = 0,
                                       uint32_t signatureSize = 0) {
  std::vector<unsigned char> head(kProgramHeadSize);
  head[0] = 'M';
  head[1] = 'Z';
  Put32(head, 0x3C, kPeAt);
  memcpy(&head[kPeAt], "PE\0\0", 4);
  head[kPeAt + 6] = 2;                                     // sections
  uint16_t optionalSize = pe32Plus ? 240 : 224;
  head[kPeAt + 20] = static_cast<unsigned char>(optionalSize);
  size_t optional = kPeAt + 24;
  head[optional] = 0x0B;
  head[optional + 1] = pe32Plus ? 2 : 1;
  Put32(head, optional + 60, 0x400);                       // SizeOfHeaders
  size_t directories = optional + (pe32Plus ? 112 : 96);
  Put32(head, directories - 4, 16);
  Put32(head, directories + 4 * 8, signatureStart);
  Put32(head, directories + 4 * 8 + 4, signatureSize);
  size_t table = optional + optionalSize;
  Put32(head, table + 16, 0x2000);  // the first section: 0x400 to 0x2400
  Put32(head, table + 20, 0x400);
  Put32(head, table + 40 + 16, 0x1000);  // the second: 0x2000 to 0x3000
  Put32(head, table + 40 + 20, kImageEnd - 0x1000);
  return head;
}

TEST(PackedFileTest, LayoutOfBothProgramKinds) {
  for (bool pe32Plus : {false, true}) {
    std::vector<unsigned char> head = ProgramHead(pe32Plus, 0x3008, 0x5A0);
    ProgramLayout layout;
    ASSERT_TRUE(ReadProgramLayout(head.data(), head.size(), &layout)) << pe32Plus;
    EXPECT_EQ(layout.imageEnd, kImageEnd);
    EXPECT_EQ(layout.checksumEntry, kPeAt + 24 + 64);
    EXPECT_EQ(layout.securityEntry, kPeAt + 24 + (pe32Plus ? 112u : 96u) + 32);
    EXPECT_EQ(layout.signatureStart, 0x3008u);
    EXPECT_EQ(layout.signatureSize, 0x5A0u);
  }
}

TEST(PackedFileTest, RefusesWhatIsNoProgramWithinTheHead) {
  struct Broken {
    const char *what;
    size_t at;
    uint32_t value;
  } cases[] = {
      {"no MZ", 0, 0},
      {"PE header past the head", 0x3C, kProgramHeadSize - 8},
      {"no PE signature", kPeAt, 0},
      {"unknown optional header", kPeAt + 24, 0x107},
      {"section table past the head", kPeAt + 6, 200},
  };
  for (const Broken &c : cases) {
    std::vector<unsigned char> head = ProgramHead(false);
    Put32(head, c.at, c.value);
    ProgramLayout layout;
    EXPECT_FALSE(ReadProgramLayout(head.data(), head.size(), &layout)) << c.what;
  }
}

TEST(PackedFileTest, APackIsFoundWholeOrCalledDamaged) {
  const uint32_t packEnd = kImageEnd + kPackHeaderSize + kMediaSize;  // 3 short of 8
  const uint32_t aligned = packEnd + 3;
  struct Case {
    const char *what;
    uint32_t signatureStart, signatureSize;
    uint32_t fileSize;
    size_t headerLength;
    bool magic;
    PackState expected;
  } cases[] = {
      {"plain program", 0, 0, kImageEnd, 0, false, PackState::None},
      {"plain program, signed", kImageEnd, 0x500, kImageEnd + 0x500, 0, false, PackState::None},
      {"packed", 0, 0, aligned, kPackHeaderSize, true, PackState::Present},
      {"packed, then signed", aligned, 0x500, aligned + 0x500, kPackHeaderSize, true,
       PackState::Present},
      {"cut inside the media", 0, 0, packEnd - 1, kPackHeaderSize, true, PackState::Damaged},
      {"cut inside the header", 0, 0, kImageEnd + 5, 5, true, PackState::Damaged},
      {"cut inside the signature", aligned, 0x500, aligned + 0x4FF, kPackHeaderSize, true,
       PackState::Damaged},
      {"something else behind the image", 0, 0, aligned, kPackHeaderSize, false,
       PackState::Damaged},
      {"more than padding behind the media", 0, 0, packEnd + 8, kPackHeaderSize, true,
       PackState::Damaged},
  };
  for (const Case &c : cases) {
    ProgramLayout layout = {kImageEnd, 0, 0, c.signatureStart, c.signatureSize};
    unsigned char header[kPackHeaderSize];
    WritePackHeader(header, kMediaSize, 0xC0FFEE01u);
    if (!c.magic) header[0] = 'X';
    PackPlace place = {};
    EXPECT_EQ(LocatePack(layout, c.fileSize, header, c.headerLength, &place), c.expected)
        << c.what;
    if (c.expected != PackState::Present) continue;
    EXPECT_EQ(place.mediaStart, kImageEnd + kPackHeaderSize) << c.what;
    EXPECT_EQ(place.mediaSize, kMediaSize) << c.what;
    EXPECT_EQ(place.mediaCrc, 0xC0FFEE01u) << c.what;
  }
}

// Packing clears the checksum and the certificate table's entry, and the packed file's signing
// writes its own there; the record gives the media's setup.exe its own back.
TEST(PackedFileTest, TheProgramRecordGivesBackTheHeadWhatFollowedTheImageAndTheDate) {
  for (bool pe32Plus : {false, true})
    for (uint32_t signatureSize : {0u, 0x5A0u}) {
      std::vector<unsigned char> head = ProgramHead(pe32Plus, signatureSize ? kImageEnd : 0,
                                                    signatureSize);
      ProgramLayout layout;
      ASSERT_TRUE(ReadProgramLayout(head.data(), head.size(), &layout));
      Put32(head, layout.checksumEntry, 0x1234ABCD);
      const std::vector<unsigned char> original = head;
      unsigned char record[kProgramRecordSize];
      const uint64_t written = 0x01DB2C3D4E5F6071ull;
      ASSERT_TRUE(WriteProgramRecord(record, head.data(), layout, kImageEnd + signatureSize,
                                     written));
      EXPECT_FALSE(WriteProgramRecord(record, head.data(), layout, kImageEnd - 1, written))
          << "a file that ends inside its image";
      Put32(head, layout.checksumEntry, 0x99);
      Put32(head, layout.securityEntry, 0x7000);
      Put32(head, layout.securityEntry + 4, 0x800);
      RestoreProgramHead(head.data(), layout, record);
      EXPECT_TRUE(head == original) << pe32Plus << " " << signatureSize;
      ProgramRecord program = {};
      EXPECT_TRUE(ReadProgramRecord(record, kProgramRecordSize + signatureSize, &program));
      EXPECT_EQ(program.tailSize, signatureSize);
      EXPECT_EQ(program.written, written);
      EXPECT_FALSE(ReadProgramRecord(record, kProgramRecordSize + signatureSize - 1, &program))
          << "a tail past the media's end";
    }
}

// The files of the index test: an empty one, times that go back and jump across the whole
// range, a name that shares more than a byte can say with the one before, and stored files.
std::vector<MediaFile> IndexFiles(std::string *longName) {
  *longName = std::string(300, 'd').substr(0, kIndexNameSize - 1);
  (*longName)[kIndexNameSize - 2] = 'x';
  return {{4096, 0x01DB2C3D4E5F6071ull, 0x21, "docs\\deep.txt"},
          {0, 0x01DB2C3D4E5F6070ull, 0x01, "docs\\deeper.txt"},
          {7, ~0ull, 0x00, longName->c_str() + 1},
          {1, 0, 0x06, longName->c_str()},
          {3000, 0x8000000000000000ull, 0x20, "prompts.cab"}};
}

std::vector<unsigned char> IndexOf(const std::vector<MediaFile> &files, uint32_t stored) {
  uint64_t names = 0;
  for (const MediaFile &file : files) names += strlen(file.name) + 1;
  std::vector<unsigned char> index(MediaIndexRoom(static_cast<uint32_t>(files.size()), names));
  index.resize(WriteMediaIndex(index.data(), files.data(),
                               static_cast<uint32_t>(files.size()) - stored, stored));
  return index;
}

TEST(PackedFileTest, TheIndexGivesBackEveryFileAndRefusesOneThatIsNotWhole) {
  std::string longName;
  const std::vector<MediaFile> files = IndexFiles(&longName);
  std::vector<unsigned char> index = IndexOf(files, 1);
  MediaIndex opened;
  ASSERT_TRUE(OpenMediaIndex(index.data(), index.size(), &opened));
  EXPECT_EQ(opened.packedCount, 4u);
  EXPECT_EQ(opened.storedCount, 1u);
  MediaFile file;
  for (const MediaFile &expected : files) {
    ASSERT_TRUE(NextMediaFile(&opened, &file)) << expected.name;
    EXPECT_EQ(file.size, expected.size) << expected.name;
    EXPECT_EQ(file.written, expected.written) << expected.name;
    EXPECT_EQ(file.attributes, expected.attributes) << expected.name;
    EXPECT_STREQ(file.name, expected.name);
  }
  EXPECT_FALSE(NextMediaFile(&opened, &file));
  // Every shorter index is refused, and so are bytes behind it.
  for (size_t length = 0; length < index.size(); ++length)
    EXPECT_FALSE(OpenMediaIndex(index.data(), length, &opened)) << length;
  index.push_back('z');
  EXPECT_FALSE(OpenMediaIndex(index.data(), index.size(), &opened));
  index.pop_back();
  // A name's shared beginning longer than the name before, an empty name, a name too long.
  const unsigned char first[] = "\0docs\\deep.txt";
  const size_t names =
      std::search(index.begin(), index.end(), first, first + sizeof(first)) - index.begin();
  ASSERT_LT(names, index.size());
  struct Damage {
    const char *what;
    size_t at;
    unsigned char value;
  } damages[] = {{"the first name shares", names, 1},
                 {"the second name shares too much", names + sizeof(first), 14},
                 {"an empty name", names + 1, 0}};
  for (const Damage &damage : damages) {
    std::vector<unsigned char> damaged = index;
    damaged[damage.at] = damage.value;
    EXPECT_FALSE(OpenMediaIndex(damaged.data(), damaged.size(), &opened)) << damage.what;
  }
  std::string tooLong = longName + "y";
  std::vector<MediaFile> longer = {{1, 0, 0, tooLong.c_str()}};
  std::vector<unsigned char> refused = IndexOf(longer, 0);
  EXPECT_FALSE(OpenMediaIndex(refused.data(), refused.size(), &opened)) << "a name too long";
}

TEST(PackedFileTest, CrcIsTheZipOneAndGoesOnAcrossPieces) {
  const char text[] = "123456789";
  EXPECT_EQ(UpdateCrc32(0, text, 9), 0xCBF43926u);
  EXPECT_EQ(UpdateCrc32(UpdateCrc32(0, text, 4), text + 4, 5), 0xCBF43926u);
  // Long runs go eight bytes a step from wherever a piece starts; the values are zlib's.
  unsigned char bytes[1000];
  for (int i = 0; i < 1000; ++i) bytes[i] = static_cast<unsigned char>(i * 7 + 3);
  EXPECT_EQ(UpdateCrc32(0, bytes, 8), 0xE2E35978u);
  EXPECT_EQ(UpdateCrc32(0, bytes, 13), 0xA97AD5C1u);
  EXPECT_EQ(UpdateCrc32(0, bytes, 1000), 0x17BC2A46u);
  EXPECT_EQ(UpdateCrc32(UpdateCrc32(0, bytes, 333), bytes + 333, 667), 0x17BC2A46u);
}

}  // namespace
