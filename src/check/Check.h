// "/check": reads the setup script as a run reads it, installs nothing, and reports every
// mistake it finds as "FILE(LINE): error|warning: text", the way compilers report, to the
// console the program was started from and into the log.
#pragma once

// Checks the "/check:" script, or setup.inf beside the program; kExitCheckFindings when it
// found an error, else kExitCheckClean.
int CheckSetupScript();
