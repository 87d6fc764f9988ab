// Choice of the user-interface language among the languages the resources carry.
#pragma once
#include <windows.h>

#include "app/LanguagePick.h"

LANGID GetUserUiLanguage();
// Fills list (kResourceLanguageSlots entries) with the languages of dialog id, 0-ended.
void ListResourceLanguages(WORD dialogId, LANGID *list);
LANGID ChooseUiLanguage(WORD dialogId);
// Makes language the calling thread's resource language: SetThreadLocale on the NT family,
// and SetThreadUILanguage where the system has it (the resource loader of Windows Vista and
// later follows the thread's UI language, not its locale).
void SetThreadLanguage(LANGID language);
