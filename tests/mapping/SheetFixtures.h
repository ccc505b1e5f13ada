#pragma once
// Sheets over the unit square as OBJ files: a flat low mesh with texture coordinates and
// a high mesh whose height is a known function, so a bake has an analytic answer.

#include <QFile>
#include <QTextStream>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace fixtures {

inline float Wave(float x, float y)
{
    constexpr float kPi = 3.14159265f;
    return 0.04f * std::sin(2 * kPi * x) * std::sin(2 * kPi * y);
}

// An n × n sheet over [0, width] × [0, 1] as OBJ text, with texture coordinates (the
// position's x and y) when asked; `scale` then enlarges the positions, not the coordinates.
inline void WriteSheet(const QString &path, unsigned n, const std::function<float(float, float)> &height, bool uvs,
                       float width = 1.0f, float scale = 1.0f)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QTextStream out(&file);
    for (unsigned j = 0; j <= n; ++j)
        for (unsigned i = 0; i <= n; ++i) {
            const float x = width * float(i) / float(n), y = float(j) / float(n);
            out << "v " << x * scale << ' ' << y * scale << ' ' << height(x, y) * scale << '\n';
            if (uvs)
                out << "vt " << x << ' ' << y << '\n';
        }
    for (unsigned j = 0; j < n; ++j)
        for (unsigned i = 0; i < n; ++i) {
            const unsigned a = j * (n + 1) + i + 1;
            const unsigned c[4] = {a, a + 1, a + n + 2, a + n + 1};
            out << 'f';
            for (unsigned k : c) {
                out << ' ' << k;
                if (uvs)
                    out << '/' << k;
            }
            out << '\n';
        }
}

}  // namespace fixtures
