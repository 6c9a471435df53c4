#pragma once
// The debug log: off unless "savelog.ini" exists in the working directory at start; then
// every line goes to "save.log" and to standard output, prefixed with the local time.

#include <string>

// Opens (truncates) the log file at `path` and routes log lines to it and, when
// `toConsole`, to standard output; `timestamps` off leaves the time prefix off every line
// (tests compare the text). Returns 0. When the file cannot be created, logging stays off.
int InitConsoleWindow(const std::string& path, bool toConsole = true, bool timestamps = true);

// printf-style log output (glibc format rules), wide and narrow. They return the number
// of characters formatted, or 0 when no log file is open. A message longer than 1023
// characters is cut.
int LogPrint(const wchar_t* format, ...);
int LogPrintA(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The same without the time prefix: the later fragments of a line that one call began
// (hex dumps). The prefix is chosen per call, so threads that log at once never change
// each other's lines.
int LogFragmentA(const char* format, ...) __attribute__((format(printf, 1, 2)));

bool IsLogOpen();

// Hands everything logged so far to the operating system, as before a blocking box.
void FlushLog();

// Flushes the log when the process ends: at exit() and on SIGTERM, SIGINT or SIGHUP, whose
// default action would drop what is still buffered (the process then ends by the same
// signal). Signals ignored at start stay ignored. Installs once; later calls do nothing.
void FlushLogAtProcessEnd();

// Closes the log file; for tests and orderly shutdown only.
void CloseLog();
