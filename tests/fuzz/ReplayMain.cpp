// Runs a fuzz target once over every file of the folders and files named on the command
// line, so that the seed corpus and every input that once failed stay regression tests in
// a build without libFuzzer.
#include <dirent.h>
#include <stdint.h>
#include <stdio.h>
#include <sys/stat.h>

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

bool RunFile(const std::string &path) {
  FILE *file = fopen(path.c_str(), "rb");
  if (!file) return false;
  std::vector<uint8_t> bytes;
  int c;
  while ((c = fgetc(file)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
  fclose(file);
  // An exact-size copy, so that a read past the input is caught as well.
  uint8_t *data = new uint8_t[bytes.size() ? bytes.size() : 1];
  for (size_t i = 0; i < bytes.size(); ++i) data[i] = bytes[i];
  LLVMFuzzerTestOneInput(data, bytes.size());
  delete[] data;
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  int runs = 0;
  for (int i = 1; i < argc; ++i) {
    struct stat info;
    if (stat(argv[i], &info) != 0) {
      fprintf(stderr, "cannot read %s\n", argv[i]);
      return 1;
    }
    if (!S_ISDIR(info.st_mode)) {
      runs += RunFile(argv[i]);
      continue;
    }
    DIR *dir = opendir(argv[i]);
    if (!dir) return 1;
    while (dirent *entry = readdir(dir)) {
      if (entry->d_name[0] == '.') continue;
      runs += RunFile(std::string(argv[i]) + "/" + entry->d_name);
    }
    closedir(dir);
  }
  printf("%d inputs replayed\n", runs);
  return runs > 0 ? 0 : 1;
}
