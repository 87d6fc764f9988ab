// The pages of the sheet by index, and the sheet's own buttons. Free of windows.h so that the
// tests that drive the wizard name them as the program does.
#pragma once

// The number of pages of the sheet and the indexes the pages jump to.
constexpr int kPageCount = 7;
constexpr int kPageWelcome = 0;
constexpr int kPageComponents = 1;
constexpr int kPageTargetDir = 2;
constexpr int kPageReady = 3;
constexpr int kPageInstallFinish = 4;
constexpr int kPageRemove = 5;
constexpr int kPageRemoveFinish = 6;

// The sheet's own buttons; the system labels them in its language, the program in the pages'.
constexpr int kSheetBack = 0x3023;    // ID_PSBACK
constexpr int kSheetNext = 0x3024;    // ID_PSNEXT
constexpr int kSheetFinish = 0x3025;  // ID_PSFINISH
