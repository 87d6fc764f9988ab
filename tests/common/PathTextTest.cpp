#include <gtest/gtest.h>

#include <string>

#include "common/PathText.h"

namespace {

struct Spelling {
  const char *typed;
  PathForm form;
  const char *result;  // the full form, or the part that was refused
};

// One folder written many ways comes out as one path; what Windows would keep as a name that
// its own tools cannot open is refused, naming the part.
const Spelling kSpellings[] = {
    {"c:\\bbapps\\..\\bbapps\\Z", PathForm::Full, "C:\\bbapps\\Z"},
    {"C:\\bbapps\\W.", PathForm::Full, "C:\\bbapps\\W"},
    {"C:\\bbapps\\V ", PathForm::Full, "C:\\bbapps\\V"},
    {"C:\\bbapps\\V. .", PathForm::Full, "C:\\bbapps\\V"},
    {"C:/Apps/Y", PathForm::Full, "C:\\Apps\\Y"},
    {"C:\\Apps\\.\\Y\\", PathForm::Full, "C:\\Apps\\Y"},
    {"C:\\\\Apps\\/\\Y", PathForm::Full, "C:\\Apps\\Y"},
    {"C:\\Apps.\\Y", PathForm::Full, "C:\\Apps\\Y"},
    {"C:\\..\\..\\Y", PathForm::Full, "C:\\Y"},
    {"C:\\Apps\\..", PathForm::Full, "C:\\"},
    {"C:\\", PathForm::Full, "C:\\"},
    {"C:\\Program Files\\Kettle Works", PathForm::Full, "C:\\Program Files\\Kettle Works"},
    {"C:\\Apps\\...", PathForm::Full, "C:\\Apps"},
    {"\\\\server\\share\\..\\..\\x", PathForm::Full, "\\\\server\\share\\x"},
    {"//server/share/x/", PathForm::Full, "\\\\server\\share\\x"},
    {"C:\\Apps \\Y", PathForm::BadEnding, "Apps "},
    {"C:\\Apps..\\Y", PathForm::BadEnding, "Apps.."},
    {"C:\\V \\", PathForm::BadEnding, "V "},
    {"Apps\\Y", PathForm::NotAbsolute, ""},
    {"C:Apps", PathForm::NotAbsolute, ""},
    {"\\Apps", PathForm::NotAbsolute, ""},
    {" C:\\Apps", PathForm::NotAbsolute, ""},
    {"\\\\?\\C:\\Apps", PathForm::NotAbsolute, ""},
    {"\\\\.\\C:", PathForm::NotAbsolute, ""},
};

TEST(PathTextTest, FolderSpellingsComeOutAsOneFullPath) {
  for (const Spelling &spelling : kSpellings) {
    char out[260];
    char part[260];
    PathForm form = NormaliseFolderPath(spelling.typed, out, sizeof(out), part, sizeof(part));
    EXPECT_EQ(form, spelling.form) << spelling.typed;
    EXPECT_STREQ(form == PathForm::Full ? out : part, spelling.result) << spelling.typed;
  }
}

TEST(PathTextTest, AFullFormThatDoesNotFitIsRefusedWhole) {
  char out[13];
  EXPECT_EQ(NormaliseFolderPath("C:\\x\\..\\bbbbbbbbb", out, sizeof(out), nullptr, 0),
            PathForm::Full);
  EXPECT_STREQ(out, "C:\\bbbbbbbbb") << "12 characters and the NUL fit";
  EXPECT_EQ(NormaliseFolderPath("C:\\bbbbbbbbbb", out, sizeof(out), nullptr, 0),
            PathForm::TooLong);
  EXPECT_STREQ(out, "");
}

}  // namespace
