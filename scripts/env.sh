# Sourced by every script of the project: where Debian's Wine keeps its programs, and which
# targets a build makes (SETUP_ARCHES, "i686 x86_64" unless set).
WINE64=/usr/lib/wine/wine64       # the 64-bit loader: 64-bit programs, wineboot, reg
WINE32=/usr/lib/wine/wine         # the 32-bit loader: 32-bit programs
WINESERVER=/usr/lib/wine/wineserver
SETUP_ARCHES=${SETUP_ARCHES:-i686 x86_64}
