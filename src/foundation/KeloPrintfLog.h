#pragma once

#include "foundation/OmLog.h"

// The program's own console output: every formatted print lands on the current
// standard output (the log file once OmLog has redirected it), optionally with
// a local time stamp in front. Kept out of libc's names so that the output of
// Qt and of the test framework is left alone.
namespace kelo {

// Formats into 5000 bytes (longer output is cut to 4999 characters); adds no
// newline. Returns 0.
int printf(const char* format, ...) OM_PRINTF_LIKE(1, 2);
// Writes the text and a newline; a null text writes nothing. Returns 0.
int puts(const char* text);

}  // namespace kelo

class KeloPrintfLog {
public:
    // Switches the "HH:MM:SS.mmm " prefix of kelo::printf and kelo::puts.
    static void setPrefixWithTime(bool on);
};
