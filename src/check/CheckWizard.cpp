// The vendor's wizard: the texts and pictures of [Wizard] and of its language sections.
#include <string.h>

#include "check/CheckParts.h"
#include "common/AsciiCase.h"
#include "common/Language.h"
#include "common/PathText.h"
#include "common/Pictures.h"
#include "common/ScriptField.h"
#include "res/resource.h"
#include "script/WizardSection.h"

namespace {

struct WizardKey {
  const char *key;
  DWORD size;        // the buffer that a run reads the field into
  const char *what;  // what the field holds, for a finding
  bool picture;
};
const WizardKey kWizardKeys[] = {
    {kWizardTitleKey, kFieldSize, "the title", false},
    {kWizardWelcomeKey, kLongTextSize, "the welcome text", false},
    {kWizardWatermarkKey, kTargetDirSize, "the picture's file name", true},
    {kWizardHeaderPictureKey, kTargetDirSize, "the picture's file name", true},
};

int FindWizardKey(const char *key) { return FindKey(kWizardKeys, key); }

// A picture is read from the media as a run reads it; one that cannot be is replaced by the
// program's own, which no run fails for.
void CheckPicture(ScriptCheck *check, Where where, const char *name) {
  char folder[kTargetDirSize];
  lstrcpynA(folder, check->mediaDir, sizeof(folder));
  size_t length = strlen(folder);
  if (length && folder[length - 1] == '\\') folder[length - 1] = '\0';
  HBITMAP picture = LoadWizardPicture(folder, name);
  if (picture) {
    DeleteObject(picture);
    char path[kTargetDirSize];
    if (JoinPath(path, folder, name)) NoteMediaFile(check, path, MediaUse::Read);
  } else
    Report(check, where, Severity::Warning,
           "picture \"%s\" is no bitmap file on the media (\"%s%s\"): the wizard shows its own",
           name, check->mediaDir, name);
}

void VisitWizardLine(ScriptCheck *check, const KeyedLine &keyed, void *) {
  if (keyed.index < 0) {
    Report(check, keyed.where, Severity::Warning,
           "\"%s\" is not a key of [%s] (%s, %s, %s, %s): it is ignored", keyed.key,
           keyed.where.section, kWizardTitleKey, kWizardWelcomeKey, kWizardWatermarkKey,
           kWizardHeaderPictureKey);
    return;
  }
  const WizardKey &key = kWizardKeys[keyed.index];
  if (keyed.repeated) {
    Report(check, keyed.where, Severity::Warning,
           "only the first \"%s\" line is read; this one is not", key.key);
    return;
  }
  char text[kLongTextSize];
  if (ReadFieldReported(check, keyed.where, keyed.line, kFieldValue, text, key.size, key.what) ==
          FieldState::Present && key.picture && text[0])
    CheckPicture(check, keyed.where, text);
}

// A "Wizard." section is read when it names one of the wizard's languages as a run names it.
void VisitSectionName(const char *name, size_t length, void *data) {
  ScriptCheck *check = static_cast<ScriptCheck *>(data);
  const size_t prefix = sizeof(kWizardSection);  // "Wizard" and the dot
  char section[kSectionNameSize];
  if (length < prefix || length >= sizeof(section) || !SameAsciiPrefix(name, kWizardSection, prefix - 1) ||
      name[prefix - 1] != '.')
    return;
  memcpy(section, name, length);
  section[length] = '\0';
  LANGID languages[kResourceLanguageSlots];
  ListResourceLanguages(IDD_WELCOME, languages);
  for (const LANGID *language = languages; *language; ++language) {
    char named[kSectionNameSize];
    WizardLanguageSection(*language, named);
    if (SameIgnoringCase(named, section)) {
      ForEachKeyedLine(check, section, FindWizardKey, VisitWizardLine, nullptr);
      return;
    }
  }
  Report(check, HeaderOf(section), Severity::Warning,
         "[%s] is never read: it names none of the wizard's languages in four hex digits",
         section);
}

}  // namespace

void CheckWizardSections(ScriptCheck *check) {
  ForEachKeyedLine(check, kWizardSection, FindWizardKey, VisitWizardLine, nullptr);
  ForEachSectionName(check->text, check->textLength, VisitSectionName, check);
}
