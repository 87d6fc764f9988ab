// The command line of setup.exe: "/quiet", "/style:", "/install[:key]", "/remove[:key]", "/lang:".
#pragma once

// Reads the options into g_quiet, g_wizardStyle, g_removeMode, g_productKey and g_languageId.
// Tokens are split at spaces only and compared by prefix without regard to case; later tokens
// win; unknown tokens are ignored. A key longer than the key list can hold is cut to fit.
void ParseCommandLine(const char *commandLine);

// atol's reading of a text of len characters: leading blanks, an optional sign, digits.
// Values beyond the range of an int are held at its ends.
int ReadDecimal(const char *text, int len);
