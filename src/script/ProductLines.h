// Reading the lines of the setup script that the catalogue and the registration share:
// product lines of the Products section and the "Uninstall" line of the Install section.
#pragma once
#include <windows.h>
#include <setupapi.h>

// Field numbers of a product line (field 0 is the key left of "=").
enum ProductField : DWORD {
  kFieldKey, kFieldDisplayName, kFieldInstallSection, kFieldRemoveSection, kFieldFlags,
  kFieldIcon, kFieldDescription, kFieldVersion
};

constexpr DWORD kIconFieldSize = 64;  // the icon number as the remove page reads it

// Bits of the flags field.
constexpr int kProductCheckedByDefault = 1;
constexpr int kProductNeedsRestart = 2;   // a restart follows the product's install or removal
constexpr int kProductNeedsCdRom = 4;     // files from the Windows CD-ROM may be needed
constexpr int kProductKnownFlags = kProductCheckedByDefault | kProductNeedsRestart |
                                   kProductNeedsCdRom;

// The line of the Install section that names the setup-level entry: its key and display name.
constexpr char kUninstallLineKey[] = "Uninstall";
enum SetupLevelField : DWORD { kFieldSetupKey = 1, kFieldSetupName };

// The first line of the Products section with this key (the Setup API ignores case); an
// empty key names no product.
bool FindProductLine(HINF inf, const char *key, INFCONTEXT *line);

// A product offered on the components page: the first line with its key, an install section
// that fits a section list slot and is not empty, and a display name that can be read. Every catalogue operation uses
// this one test, so that the index of a product is the same everywhere.
// keysDistinct (ProductKeysDistinct) spares the question for the first line of the key.
bool IsListedProduct(INFCONTEXT *line, bool keysDistinct = false);

// Whether no two lines of the Products section share a key, found in one sorted pass over
// plain keys: then every line is the first of its key. Asking the Setup API for a line's key
// scans the lines before it, and a scan that asked for every line would grow with the square
// of the products.
bool ProductKeysDistinct(HINF inf);

// The listed product with this index, counting from 0 in line order.
bool FindListedProduct(HINF inf, int index, INFCONTEXT *line);

// Appends to a section list the section that field (the install or remove section) of each
// key's product line names, where there is one; false when a section does not fit the list,
// which then holds only the sections before it.
bool AppendProductSections(HINF inf, const char *keyList, ProductField field, char *sectionList,
                           size_t size);

// The setup-level key: field 1 of the "Uninstall" line of the Install section; false when
// the line, the field or its text is missing.
bool ReadSetupLevelKey(HINF inf, INFCONTEXT *line, char *key, DWORD size);
