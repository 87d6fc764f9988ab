// Warnings for what a remove section deletes that no install section puts on the machine:
// files (copied, or written by UpdateInis), registry keys, shortcuts and services. A typing
// mistake there leaves the installed thing behind, or deletes something that is not ours.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "check/CheckParts.h"
#include "common/AsciiCase.h"
#include "common/PathText.h"
#include "script/SetupScript.h"
#include "services/ServiceSections.h"
#include "shell/Shortcuts.h"

namespace {

constexpr size_t kFirstCapacity = 256;  // slots; the set doubles when half full

// Hashes of the things the install sections put there (64 bits, texts compared without
// regard to case); 0 marks a free slot.
class InstalledSet {
 public:
  InstalledSet() = default;
  ~InstalledSet() { free(slots_); }
  InstalledSet(const InstalledSet &) = delete;
  InstalledSet &operator=(const InstalledSet &) = delete;

  void Add(char kind, const char *text) {
    if (2 * (count_ + 1) > capacity_ && !Grow()) return;
    if (Place(slots_, capacity_, Hash(kind, text))) ++count_;
  }
  bool Contains(char kind, const char *text) const {
    if (!slots_) return false;
    unsigned long long hash = Hash(kind, text);
    for (size_t i = hash & (capacity_ - 1); slots_[i]; i = (i + 1) & (capacity_ - 1))
      if (slots_[i] == hash) return true;
    return false;
  }

 private:
  static unsigned long long Hash(char kind, const char *text) {
    unsigned long long hash = 14695981039346656037ull;  // FNV-1a
    hash = (hash ^ static_cast<unsigned char>(kind)) * 1099511628211ull;
    for (const char *p = text; *p; ++p)
      hash = (hash ^ static_cast<unsigned char>(LowerAscii(*p))) * 1099511628211ull;
    return hash ? hash : 1;
  }
  // True when the hash was not there yet.
  static bool Place(unsigned long long *slots, size_t capacity, unsigned long long hash) {
    size_t i = hash & (capacity - 1);
    for (; slots[i]; i = (i + 1) & (capacity - 1))
      if (slots[i] == hash) return false;
    slots[i] = hash;
    return true;
  }
  bool Grow() {
    size_t capacity = capacity_ ? 2 * capacity_ : kFirstCapacity;
    auto *slots = static_cast<unsigned long long *>(calloc(capacity, sizeof(unsigned long long)));
    if (!slots) return false;
    for (size_t i = 0; i < capacity_; ++i)
      if (slots_[i]) Place(slots, capacity, slots_[i]);
    free(slots_);
    slots_ = slots;
    capacity_ = capacity;
    return true;
  }

  unsigned long long *slots_ = nullptr;
  size_t capacity_ = 0;
  size_t count_ = 0;
};

// What a line of a list puts on the machine or takes away, as a text for the set.
enum class ItemKind { File, IniFile, Key, DeletedKey, Link, Service };

// A directive of an install or remove section and what the lines it names hold; a service
// item is a line of the section's service section itself.
struct ItemRule {
  const char *key;
  ItemKind kind;
  bool firstLineOnly;
  const char *what;  // as a warning names it
};

constexpr ItemRule kInstalled[] = {
    {kCopyFilesKey, ItemKind::File, false, nullptr},
    {kUpdateInisKey, ItemKind::IniFile, false, nullptr},
    {kAddRegKey, ItemKind::Key, false, nullptr},
    {kMakeIconsKey, ItemKind::Link, true, nullptr},
    {kAddServiceKey, ItemKind::Service, false, nullptr},
};
constexpr ItemRule kDeleted[] = {
    {kDelFilesKey, ItemKind::File, false, "the file"},
    {kDelRegKey, ItemKind::DeletedKey, false, "the registry key"},
    {kDelIconsKey, ItemKind::Link, true, "the shortcut"},
    {kDelServiceKey, ItemKind::Service, false, "the service"},
};

constexpr int kItemTextSize = kTargetDirSize + kFieldSize;
constexpr int kLeastKeyDepth = 2;  // HKLM\Software\X, never HKLM\Software itself

struct LeftoverScan {
  InstalledSet installed;
  ScriptCheck *check;
  const char *removeSection;  // while remove sections are read
};

// The registry root in its short form, so that both spellings name one key.
const char *ShortRoot(const char *root) {
  static const char *const kRoots[][2] = {{"HKEY_LOCAL_MACHINE", "HKLM"},
                                          {"HKEY_CURRENT_USER", "HKCU"},
                                          {"HKEY_CLASSES_ROOT", "HKCR"},
                                          {"HKEY_USERS", "HKU"}};
  for (const auto &names : kRoots)
    if (SameIgnoringCase(root, names[0])) return names[1];
  return root;
}

// The item of one line: a file's full path (a file list's destination and field 1; an INI
// file of UpdateInis, a bare name in the Windows folder), "ROOT\subkey" of a key that is
// written or deleted whole, "CODE|name" of a shortcut, or a service name.
bool ItemText(HINF inf, ItemKind kind, const char *list, INFCONTEXT *line,
              char (&text)[kItemTextSize]) {
  char first[kTargetDirSize], second[kTargetDirSize], dir[kTargetDirSize];
  if (ReadFieldAsRun(line, 1, first, sizeof(first)) != FieldState::Present || !first[0])
    return false;
  switch (kind) {
    case ItemKind::File:
      return SetupGetTargetPathA(inf, nullptr, list, dir, sizeof(dir), nullptr) &&
             JoinPath(text, dir, first);
    case ItemKind::IniFile:
      if (strchr(first, '\\')) return snprintf(text, sizeof(text), "%s", first) < kItemTextSize;
      return GetWindowsDirectoryA(dir, sizeof(dir)) && JoinPath(text, dir, first);
    case ItemKind::DeletedKey:
      // A line that names a value deletes the value, or a text of it, not the key.
      if (ReadFieldAsRun(line, 3, second, sizeof(second)) != FieldState::Missing && second[0])
        return false;
      [[fallthrough]];
    case ItemKind::Key: {
      if (ReadFieldAsRun(line, 2, second, sizeof(second)) != FieldState::Present) return false;
      size_t length = strlen(second);
      while (length > 0 && second[length - 1] == '\\') second[--length] = '\0';
      return JoinPath(text, ShortRoot(first), second);
    }
    case ItemKind::Link:
      return ReadFieldAsRun(line, 2, second, sizeof(second)) == FieldState::Present &&
             snprintf(text, sizeof(text), "%s|%s", first, second) < kItemTextSize;
    case ItemKind::Service:
      return snprintf(text, sizeof(text), "%s", first) < kItemTextSize;
  }
  return false;
}

using ItemVisitor = void (*)(LeftoverScan *scan, const ItemRule &rule, Where where,
                             const char *item);

// Calls visit for the item of every line that the rule's lines in section name.
void WalkItems(LeftoverScan *scan, const char *section, const ItemRule &rule,
               ItemVisitor visit) {
  HINF inf = scan->check->inf;
  char services[kFieldSize], list[kFieldSize], item[kItemTextSize];
  int length = snprintf(services, sizeof(services), kServiceSectionFormat, section);
  bool service = rule.kind == ItemKind::Service;
  if (service && (length < 0 || length >= static_cast<int>(sizeof(services)))) return;
  const char *owner = service ? services : section;
  // Calls visit for the item of one line of a list or of the service section.
  auto visitLine = [&](const char *lines, INFCONTEXT *line) {
    if (ItemText(inf, rule.kind, lines, line, item)) visit(scan, rule, At(lines, *line), item);
  };
  ForEachLine(inf, owner, rule.key, [&](INFCONTEXT *directive) {
    if (service) {
      visitLine(owner, directive);
      return !rule.firstLineOnly;
    }
    for (DWORD field = 1;
         ReadFieldAsRun(directive, field, list, sizeof(list)) == FieldState::Present; ++field) {
      if (!list[0] || list[0] == '@') continue;
      ForEachLine(inf, list, nullptr, [&](INFCONTEXT *line) { visitLine(list, line); });
    }
    return !rule.firstLineOnly;
  });
}

// The set keeps INI files with the other files, which DelFiles takes away alike, and deleted
// keys with the added ones.
char SetKind(ItemKind kind) {
  if (kind == ItemKind::IniFile) kind = ItemKind::File;
  if (kind == ItemKind::DeletedKey) kind = ItemKind::Key;
  return static_cast<char>(kind);
}

// A key counts as installed with every parent that lies at least kLeastKeyDepth below its
// root: deleting HKCU\Software\Vendor takes away HKCU\Software\Vendor\Product.
void AddItem(LeftoverScan *scan, const ItemRule &rule, Where, const char *item) {
  char text[kItemTextSize];
  lstrcpynA(text, item, sizeof(text));
  scan->installed.Add(SetKind(rule.kind), text);
  if (rule.kind != ItemKind::Key) return;
  int depth = 0;
  for (const char *p = text; *p; ++p) depth += *p == '\\';
  for (; depth > kLeastKeyDepth; --depth) {
    *strrchr(text, '\\') = '\0';
    scan->installed.Add(SetKind(rule.kind), text);
  }
}

void CheckItem(LeftoverScan *scan, const ItemRule &rule, Where where, const char *item) {
  if (!scan->installed.Contains(SetKind(rule.kind), item))
    Report(scan->check, where, Severity::Warning,
           "[%s] deletes %s \"%s\", which no install section puts there", scan->removeSection,
           rule.what, item);
}

void NoteInstalled(ScriptCheck *, const char *section, SectionRole role, void *data) {
  if (role != SectionRole::Install) return;
  for (const ItemRule &rule : kInstalled)
    WalkItems(static_cast<LeftoverScan *>(data), section, rule, AddItem);
}

void CheckDeleted(ScriptCheck *, const char *section, SectionRole role, void *data) {
  if (role != SectionRole::Remove) return;
  LeftoverScan *scan = static_cast<LeftoverScan *>(data);
  scan->removeSection = section;
  for (const ItemRule &rule : kDeleted) WalkItems(scan, section, rule, CheckItem);
}

}  // namespace

void CheckLeftoverDeletions(ScriptCheck *check) {
  LeftoverScan scan;
  scan.check = check;
  ForEachRunSection(check, NoteInstalled, &scan);
  ForEachRunSection(check, CheckDeleted, &scan);
}
