#include "mesh/levels/ObjText.h"

#include <charconv>
#include <cmath>

namespace ObjText {

void AppendFixed(QByteArray &line, double value)
{
    char buffer[400];  // fixed notation of the largest double with six decimals fits
    if (std::isnan(value)) {
        line.append(std::signbit(value) ? "-nan" : "nan");
        return;
    }
    const std::to_chars_result result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    line.append(buffer, int(result.ptr - buffer));
}

void AppendInt(QByteArray &line, long long value)
{
    char buffer[24];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value);
    line.append(buffer, int(result.ptr - buffer));
}

}  // namespace ObjText
