// Choice of the user-interface language among the languages the resources carry.
#pragma once
#include <windows.h>

#include "common/LanguagePick.h"

LANGID GetUserUiLanguage();
// Fills list with the languages of dialog id, 0-ended.
void ListResourceLanguages(WORD dialogId, LANGID (&list)[kResourceLanguageSlots]);
LANGID ChooseUiLanguage(WORD dialogId);
// Makes language the calling thread's resource language: SetThreadLocale on the NT family,
// and SetThreadUILanguage where the system has it (the resource loader of Windows Vista and
// later follows the thread's UI language, not its locale).
void SetThreadLanguage(LANGID language);

// The resource of that type and id in g_languageId, else in the language the platform picks
// for the thread: "/lang:" then holds on every platform family, and for the neutral Spanish
// resources, which no thread locale selects.
HRSRC FindUiResource(HINSTANCE instance, LPCSTR type, WORD id);

// LoadStringA in g_languageId: string id of that language's string table block, in the ANSI
// code page, cut to fit size bytes with its NUL; else the string LoadStringA finds. Returns
// the length.
int LoadUiString(HINSTANCE instance, UINT id, char *buffer, int size);

// The program's string id as LoadUiString loads it, with name in place of its "%s" (a name of
// NULL counts as empty), into size bytes.
void FormatUiString(UINT id, const char *name, char *text, size_t size);
