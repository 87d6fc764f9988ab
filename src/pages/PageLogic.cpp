#include "pages/PageLogic.h"

#include <string.h>

#include "engine/Phases.h"
#include "res/resource.h"

void CenterPosition(long w, long h, const ScreenRect &reference, const ScreenRect &work,
                    long *x, long *y) {
  long left = reference.left + (reference.right - reference.left - w) / 2;
  long top = reference.top + (reference.bottom - reference.top - h) / 2;
  if (left < work.left)
    left = work.left;
  else if (left + w > work.right)
    left = work.right - w;
  if (top < work.top)
    top = work.top;
  else if (top + h > work.bottom)
    top = work.bottom - h;
  // A window larger than the work area shows its left and top edges.
  if (left < work.left) left = work.left;
  if (top < work.top) top = work.top;
  *x = left;
  *y = top;
}

int PhaseTextId(int phase, int removeRun) {
  switch (phase) {
    case kPhaseStopServices: return IDS_PHASE_STOP_SERVICES;
    case kPhaseFiles: return removeRun ? IDS_PHASE_DELETE : IDS_PHASE_COPY;
    case kPhaseRegistry: return IDS_PHASE_REGISTRY;
    case kPhaseShortcuts: return IDS_PHASE_SHORTCUTS;
    case kPhaseStartServices: return IDS_PHASE_START_SERVICES;
    default: return 0;
  }
}

int AppendChosenSubdir(char *path, size_t size, const char *subdir) {
  if (!subdir) return 1;
  if (*subdir == '\\') ++subdir;
  if (!*subdir) return 1;
  const char *last = strrchr(path, '\\');
  if (last && strcmp(last + 1, subdir) == 0) return 1;
  size_t len = strlen(path);
  bool needSlash = len == 0 || path[len - 1] != '\\';
  size_t subLen = strlen(subdir);
  if (len + (needSlash ? 1 : 0) + subLen + 1 > size) return 0;
  if (needSlash) path[len++] = '\\';
  memcpy(path + len, subdir, subLen + 1);
  return 1;
}
