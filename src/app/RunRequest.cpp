#include "app/RunRequest.h"

#include "app/Notice.h"
#include "common/ExitCode.h"
#include "common/Globals.h"
#include "common/KeyList.h"
#include "common/Language.h"
#include "common/Log.h"
#include "res/resource.h"
#include "script/Catalogue.h"
#include "script/Ownership.h"
#include "script/ProductLines.h"
#include "script/RemovalTarget.h"
#include "script/TargetDir.h"

namespace {

// Every key of an install run's command line must name a product that the components page
// would offer: an unknown key used to install the setup-level section alone.
const char *FirstUnlistedKey(HINF inf) {
  for (const char *key = g_productKey; *key; key = ListNext(key)) {
    INFCONTEXT line;
    if (!FindProductLine(inf, key, &line) || !IsListedProduct(&line)) return key;
  }
  return nullptr;
}

// A removal acts only on an installed product of the script (the setup-level entry for a
// bare "/remove"). Removing on every machine is a usual clean-up step of a deployment: a quiet
// run says that there is nothing to remove by its exit code and its log alone.
int CheckRemovalRequest(HWND owner, HINF inf) {
  char keys[kKeyListSize];
  char dir[kTargetDirSize];
  if (RemovalKeys(inf, g_productKey, keys) && FindRemovalTarget(inf, keys, dir)) return 0;
  if (!g_quiet) ShowNotice(owner, IDS_NOT_INSTALLED, nullptr);
  return kExitUnknownProduct;
}

// An install without a person takes the products that the command line names, else those
// checked by default, and never replaces a newer installed version unless "/downgrade" says
// so: nobody is there to answer the wizard's question. Nothing left to install ends the run.
int ChooseUnattendedProducts(HINF inf) {
  if (!g_productKey[0]) CollectDefaultProducts(inf, g_productKey, g_productKeySize);
  if (!DropNewerInstalled(inf, g_productKey, g_allowDowngrade != 0) || g_productKey[0]) return 0;
  LogLine("nothing is left to install: newer versions are installed");
  return kExitNewerInstalled;
}

}  // namespace

int CheckRunRequest(HWND owner, HINF inf) {
  if (g_removeMode) return CheckRemovalRequest(owner, inf);
  if (const char *key = FirstUnlistedKey(inf)) {
    LogLine("the command line names the product \"%s\", which the setup script does not list",
            key);
    ShowNotice(owner, IDS_UNKNOWN_PRODUCT_KEY, key);
    return kExitInvalidCommandLine;
  }
  // The setup-level entry and the products named here: none may be another program's.
  OtherProgram other;
  if (FindProductOfOtherProgram(inf, g_productKey, &other)) {
    ShowNotice(owner, IDS_PRODUCT_OF_OTHER_PROGRAM, other.name);
    return kExitInstallFailure;
  }
  if (g_targetDirGiven && TargetDirUnusable(inf, "/dir:")) {
    ShowNotice(owner, IDS_COMMAND_LINE_INVALID, "/dir:");
    return kExitInvalidCommandLine;
  }
  return g_quiet ? ChooseUnattendedProducts(inf) : 0;
}

bool TargetDirUnusable(HINF inf, const char *source) {
  char detail[kTargetDirSize];
  int fault = TargetDirFault(inf, g_targetDir, detail);
  if (!fault) return false;
  char reason[kFieldSize + kTargetDirSize];
  FormatUiString(fault, detail, reason, sizeof(reason));
  LogLine("the target directory \"%s\" of %s cannot be used: %s", g_targetDir, source, reason);
  return true;
}
