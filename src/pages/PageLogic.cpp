#include "pages/PageLogic.h"

#include <string.h>

#include "common/PathText.h"
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

bool AppendChosenSubdir(char *path, size_t size, const char *subdir) {
  if (!subdir) return true;
  if (*subdir == '\\') ++subdir;
  if (!*subdir) return true;
  const char *last = strrchr(path, '\\');
  if (last && strcmp(last + 1, subdir) == 0) return true;
  return JoinPath(path, size, path, subdir);
}
