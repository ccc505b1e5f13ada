#pragma once
// Start-up, construction and shutdown steps print one line each on standard output.

// printf-style, flushed at once so that the lines keep their order with standard error.
void Console(const char *format, ...) __attribute__((format(printf, 1, 2)));
