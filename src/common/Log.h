// The run's log ("/log:PATH"): UTF-8 text, appended to, one time-stamped line per event.
// Every line reaches the file before the call returns, so a run that is killed keeps every
// line written up to that moment. Without an open log every call does nothing; a log that
// cannot be opened or written never changes the run.
#pragma once
#include <windows.h>

// Opens path for appending (creating it); false when it cannot be opened.
bool OpenLog(const char *path);
void CloseLog();
bool LogEnabled();

// One line: local time, then the text formatted as printf formats it. Safe on any thread.
void LogLine(const char *format, ...) __attribute__((format(printf, 1, 2)));

// As LogLine, followed by ": " and the system's text for error with its number.
void LogFailure(DWORD error, const char *format, ...) __attribute__((format(printf, 2, 3)));
