#include "app/Wizard.h"

#include <setupapi.h>

#include "script/SetupScript.h"

int RunWizard(HWND hostWindow) {
  HINF inf = OpenSetupScript(hostWindow);
  if (inf == INVALID_HANDLE_VALUE) return 0;
  SelectPlatformSections(inf);
  // The pages are assembled here once they exist; until then the run ends with the script.
  SetupCloseInfFile(inf);
  return 1;
}
