// The vendor's own wizard: the texts and pictures that a script gives in its section
// [Wizard] and, per user-interface language, in [Wizard.LLLL] (LLLL: the language identifier
// in four hex digits, as [Strings.LLLL] sections are named).
#pragma once
#include <windows.h>
#include <setupapi.h>

#include "common/Globals.h"

constexpr char kWizardSection[] = "Wizard";
// Its keys: two texts, and two bitmap files on the media.
constexpr char kWizardTitleKey[] = "Title", kWizardWelcomeKey[] = "Welcome";
constexpr char kWizardWatermarkKey[] = "Watermark", kWizardHeaderPictureKey[] = "HeaderPicture";

// "Wizard.LLLL" for a language.
void WizardLanguageSection(unsigned short language, char (&section)[kSectionNameSize]);

// Field 1 of the key's first line in the language's section, else in [Wizard]. A line whose
// field is missing, empty or does not fit size bytes counts as missing; false when neither
// section gives the text (buffer is then empty).
bool ReadWizardText(HINF inf, unsigned short language, const char *key, char *buffer,
                    DWORD size);

// Turns each "\n" written in a text into a line break, in place: the text keeps its length.
void ExpandLineBreaks(char *text);

