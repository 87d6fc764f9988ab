// Reads the program's resources in one explicit language, the way a resource editor would:
// dialog templates walked item by item, string table blocks entry by entry.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The nine languages carried, in the order of the resource directory.
constexpr LANGID kCarriedLanguages[] = {0x0006, 0x000A, 0x000B, 0x0014, 0x0407,
                                        0x0409, 0x040C, 0x0410, 0x0413};
constexpr LANGID kEnglish = 0x0409;
constexpr LANGID kFrench = 0x040C;
constexpr int kFirstTemplate = 1100;
constexpr int kLastTemplate = 1113;
constexpr int kStringIds[] = {1300, 1301, 1303, 1304, 1305, 1306, 1307, 1308, 1311,
                              1312, 1313, 1314, 1315, 1316, 1317, 1318, 1319, 1320,
                              1321, 1322, 1330, 1331, 1332, 1333, 1340};

const char *LanguageName(LANGID language);

// A name or an ordinal, as templates store classes, texts and menus.
struct NameOrOrdinal {
  bool isOrdinal = false;
  WORD ordinal = 0;
  std::string name;  // in code page 1252
};

struct TemplateControl {
  DWORD style = 0, exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  WORD id = 0;
  std::string className;  // predefined classes by their names: Button, Edit, Static, ListBox
  NameOrOrdinal text;
};

struct DialogTemplate {
  bool found = false, extended = false;
  DWORD style = 0, exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  NameOrOrdinal menu, windowClass;
  std::string caption, fontFace;
  WORD pointSize = 0;
  std::vector<TemplateControl> controls;
  const void *bytes = nullptr;  // the resource itself, for CreateDialogIndirectParamA
};

// The template in exactly that language, or found = false.
DialogTemplate ReadDialog(int id, LANGID language);

// A string of the table in exactly that language, in code page 1252; *exists tells an empty
// entry from a missing one.
std::string ReadString(int id, LANGID language, bool *exists = nullptr);

// The languages in which the module carries a resource of that type and name.
std::vector<LANGID> ResourceLanguages(LPCSTR type, LPCSTR name);

// Raw bytes of a resource (the first language found).
std::string ResourceBytes(LPCSTR type, LPCSTR name);
