// The store of a packed run: a file is found by any path through which the queue may name it,
// whatever its case and from the current folder too, and by none outside the media folder; a
// file is written once, whole, with its date and attributes; a store cut short is refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/StoredMedia.h"
#include "support/TestSupport.h"

namespace {

constexpr uint64_t kWritten = 0x01D0123456789ABCull;

// A store of the named files, each holding its own name.
std::string StoreOf(const std::vector<std::string> &names) {
  std::string table, data;
  for (const std::string &name : names) {
    unsigned char entry[kStoreEntryHead + 64];
    StoredFile file = {static_cast<uint32_t>(name.size()), kWritten, FILE_ATTRIBUTE_READONLY,
                       name.c_str(), 0};
    table.append(reinterpret_cast<char *>(entry), WriteStoreEntry(entry, file) - entry);
    data += name;
  }
  unsigned char head[kStoreHeadSize];
  WriteStoreHead(head, static_cast<uint32_t>(names.size()), static_cast<uint32_t>(table.size()));
  return std::string(reinterpret_cast<char *>(head), sizeof(head)) + table + data;
}

TEST(StoredMediaTest, FindsAFileByTheQueuesPathsAndWritesItOnceWhole) {
  ScratchDir work;
  const std::string media = work / "media", store = work / "stored";
  ASSERT_TRUE(CreateDirectoryA(media.c_str(), nullptr));
  const std::string whole = StoreOf({"docs\\deep.txt", "one.txt"});
  WriteTextFile(store, whole.substr(0, whole.size() - 1));
  EXPECT_FALSE(OpenStoredMedia(store.c_str(), media.c_str())) << "a store cut short";
  WriteTextFile(store, whole);
  ASSERT_TRUE(OpenStoredMedia(store.c_str(), media.c_str()));
  char current[MAX_PATH];
  GetCurrentDirectoryA(sizeof(current), current);
  SetCurrentDirectoryA(media.c_str());
  const struct {
    std::string path;
    const char *found;
  } cases[] = {
      {media + "\\one.txt", "one.txt"},
      {".\\ONE.TXT", "one.txt"},
      {media + "\\docs\\\\deep.txt", "docs\\deep.txt"},
      {"docs/./deep.txt", "docs\\deep.txt"},
      {media + "\\docs", ""},
      {media + "\\..\\one.txt", ""},
      {work / "one.txt", ""},
  };
  for (const auto &c : cases) {
    const StoredFile *file = FindStoredFile(c.path.c_str());
    EXPECT_STREQ(file ? file->name : "", c.found) << c.path;
  }
  SetCurrentDirectoryA(current);
  const StoredFile *deep = FindStoredFile((media + "\\docs\\deep.txt").c_str());
  ASSERT_NE(deep, nullptr);
  const std::string target = work / "deep.txt";
  ASSERT_TRUE(WriteStoredFile(*deep, target.c_str()));
  EXPECT_FALSE(WriteStoredFile(*deep, target.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS)) << "never over a file";
  EXPECT_EQ(ReadTextFile(target), "docs\\deep.txt");
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExA(target.c_str(), GetFileExInfoStandard, &data));
  EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(data.ftLastWriteTime.dwLowDateTime, static_cast<DWORD>(kWritten));
  SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  CloseStoredMedia();
}

}  // namespace
