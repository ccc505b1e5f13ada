#include "app/startup/Console.h"

#include <cstdarg>
#include <cstdio>

void Console(const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stdout, format, arguments);
    va_end(arguments);
    std::fflush(stdout);
}
