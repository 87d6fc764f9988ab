// The media as one cabinet: made with the system's cabinet library (cabinet.dll of the system
// folder, looked up when it is needed, so that the import table stays as it is).
#pragma once
#include <windows.h>

constexpr char kMediaCabinetName[] = "media.cab";
constexpr char kMediaFolderName[] = "media";  // where a run unpacks them, in its own folder

// Writes folder\media.cab from the files of mediaDir named by names (relative paths, kept as
// the names in the index): the index, then the files one after the other as one stream,
// compressed (MSZIP) in two halves of about as many bytes each, each a folder of the cabinet,
// then the cabinets among them, which are compressed already, as one stream stored as it is.
// A file whose entry of copiedOnly is not 0 is marked kCopiedOnly in the index. The library's
// temporary files go to folder as well. False, with the system's error where there is one,
// when the cabinet could not be made.
bool WriteMediaCabinet(const char *folder, const char *mediaDir, const char *const *names,
                       const char *copiedOnly, int count);

// Unpacks the cabinet that lies in file (the packed program, whose path is path) from start
// on, size bytes long, into folder, making the sub-folders that the index's names hold; each
// file gets the date and the attributes that the index keeps. With a store (a path), the
// files marked kCopiedOnly go there instead (see engine/StoredMedia.h). The two compressed
// halves are inflated at once, the second through a handle of its own that path opens; reads
// move file's position. The number of files unpacked, or -1 with the system's error
// (ERROR_INVALID_DATA for a damaged cabinet), also for a name that would leave folder.
int ExtractMediaCabinet(HANDLE file, const char *path, DWORD start, DWORD size,
                        const char *folder, const char *store);
