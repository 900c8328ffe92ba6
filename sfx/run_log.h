// The log a deployment asks for with /LOG=FILE: what was extracted, every error the user would
// have seen in a box, and how the run ended. A process-wide sink, since errors come from the
// dialog's thread, the worker and the runtime's failure routines alike.
#pragma once

namespace sfx {

// Creates (or replaces) the log file. False when it cannot be written.
bool OpenRunLog(const char* path);
bool RunLogOpen();

// One line, formatted with the system C library's printf; nothing when no log is open.
[[gnu::format(ms_printf, 1, 2)]] void LogLine(const char* format, ...);

// Silent: the run shows no window and no box at all; what a box would say goes to the log.
void SetSilent(bool silent);
bool Silent();

}  // namespace sfx
