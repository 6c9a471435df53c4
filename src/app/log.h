#pragma once
// The debug log: off unless "savelog.ini" exists in the working directory at start; then
// every line goes to "save.log" and to standard output, prefixed with the local time.

#include <string>

// Opens (truncates) the log file at `path` and routes log lines to it and, when
// `toConsole`, to standard output. Returns 0. When the file cannot be created, logging
// stays off.
int InitConsoleWindow(const std::string& path, bool toConsole = true);

// printf-style log output (glibc format rules), wide and narrow. They return the number
// of characters formatted, or 0 when no log file is open. A message longer than 1023
// characters is cut.
int LogPrint(const wchar_t* format, ...);
int LogPrintA(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The timestamp-prefix switch (on at start). A caller that prints one line in several
// fragments turns it off after the first fragment and back on after the last.
void SetLogTimestampPrefix(bool on);
bool LogTimestampPrefix();

bool IsLogOpen();

// Closes the log file; for tests and orderly shutdown only.
void CloseLog();
