// Reading the lines of the setup script that the catalogue and the registration share:
// product lines of the Products section and the "Uninstall" line of the Install section.
#pragma once
#include <windows.h>
#include <setupapi.h>

// Field numbers of a product line (field 0 is the key left of "=").
constexpr DWORD kFieldKey = 0;
constexpr DWORD kFieldDisplayName = 1;
constexpr DWORD kFieldInstallSection = 2;
constexpr DWORD kFieldRemoveSection = 3;
constexpr DWORD kFieldFlags = 4;
constexpr DWORD kFieldIcon = 5;
constexpr DWORD kFieldDescription = 6;
constexpr DWORD kFieldVersion = 7;

constexpr DWORD kIconFieldSize = 64;

// The key of the Install section's line that names the setup-level entry.
constexpr char kUninstallLineKey[] = "Uninstall";  // the icon number as the remove page reads it

// Reads one field into buffer. A field that is missing or does not fit counts as missing:
// false, and the buffer is left empty.
bool ReadScriptField(INFCONTEXT *line, DWORD field, char *buffer, DWORD size);

// A field read as a decimal number (strtol's rules); 0 when it is missing.
long ReadScriptNumber(INFCONTEXT *line, DWORD field, DWORD size);

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

// The setup-level key: field 1 of the "Uninstall" line of the Install section; false when
// the line, the field or its text is missing.
bool ReadSetupLevelKey(HINF inf, INFCONTEXT *line, char *key, DWORD size);
