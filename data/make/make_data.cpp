// Writes the shipped curves and the default stamp into the data folder given as the only
// argument: the curves as scenes through the program's own scene writer, so that they load
// as any saved scene does, and the stamp drawn here. Run it again after changing a drawing:
//     make_data data
#include "foundation/curves/NURBSCurve.h"
#include "scene/Brush.h"
#include "scene/Scene.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>

#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <vector>

namespace {

using General::Vector;

bool WriteCurve(const QString &file, const std::vector<Vector> &points, bool closed)
{
    Scene scene;
    auto *curve = new General::NURBSCurve(3);
    for (const Vector &point : points)
        curve->InsertControlPoint(point, -1);
    if (closed)
        curve->Close();
    scene.AddCurve(curve);
    return scene.Save(file, true);
}

std::vector<Vector> Points(int count, const std::function<Vector(float)> &at)
{
    std::vector<Vector> points;
    for (int i = 0; i < count; ++i)
        points.push_back(at(float(i) / float(count - 1)));
    return points;
}

// Rounded cells on black: the distance to the second nearest of a jittered grid of points
// less the distance to the nearest, so that each cell is bright inside and dark at its rim.
QImage Cells(int side, int cells)
{
    std::vector<std::pair<float, float>> centres;
    unsigned state = 12345u;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return float((state >> 8) & 0xFFFF) / 65535.0f;
    };
    for (int y = 0; y < cells; ++y)
        for (int x = 0; x < cells; ++x)
            centres.emplace_back((float(x) + 0.15f + 0.7f * next()) / float(cells),
                                 (float(y) + 0.15f + 0.7f * next()) / float(cells));
    QImage image(side, side, QImage::Format_Grayscale8);
    const float cell = 1.0f / float(cells);
    for (int py = 0; py < side; ++py) {
        uchar *line = image.scanLine(py);
        for (int px = 0; px < side; ++px) {
            const float x = (float(px) + 0.5f) / float(side), y = (float(py) + 0.5f) / float(side);
            float first = 2.0f, second = 2.0f;
            for (const auto &[cx, cy] : centres) {
                const float d = std::hypot(x - cx, y - cy);
                if (d < first) {
                    second = first;
                    first = d;
                } else if (d < second) {
                    second = d;
                }
            }
            // Fades to black at the picture's rim, so that a stamp has no hard edge.
            const float rim = std::min({x, y, 1.0f - x, 1.0f - y}) / (0.5f * cell);
            const float value = std::clamp((second - first) / (0.5f * cell), 0.0f, 1.0f) * std::min(rim, 1.0f);
            line[px] = uchar(std::lround(255.0f * std::sqrt(value)));
        }
    }
    return image;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_data DATA-FOLDER\n");
        return 2;
    }
    const QDir data(QString::fromLocal8Bit(argv[1]));
    data.mkpath(QStringLiteral("Curves"));
    data.mkpath(QStringLiteral("Stamps"));
    CreateDefaultFalloffs();
    constexpr float kPi = std::numbers::pi_v<float>;
    bool ok = true;
    ok &= WriteCurve(data.filePath(QStringLiteral("Curves/Line.tev")),
                     Points(4, [](float t) { return Vector(-1.0f + 2.0f * t, 0.0f, 0.0f); }), false);
    ok &= WriteCurve(data.filePath(QStringLiteral("Curves/Wave.tev")), Points(9, [&](float t) {
                         return Vector(-1.0f + 2.0f * t, 0.25f * std::sin(t * 4.0f * kPi), 0.0f);
                     }), false);
    ok &= WriteCurve(data.filePath(QStringLiteral("Curves/Circle.tev")), Points(8, [&](float t) {
                         const float a = t * 2.0f * kPi * 7.0f / 8.0f;
                         return Vector(std::cos(a), std::sin(a), 0.0f);
                     }), true);
    ok &= WriteCurve(data.filePath(QStringLiteral("Curves/Spiral.tev")), Points(16, [&](float t) {
                         const float a = t * 3.0f * 2.0f * kPi;
                         return Vector(0.5f * std::cos(a), -1.0f + 2.0f * t, 0.5f * std::sin(a));
                     }), false);
    if (!Cells(256, 6).save(data.filePath(QStringLiteral("Stamps/cells01.jpg")), "JPEG", 90)) {
        std::fprintf(stderr, "make_data: the stamp could not be written\n");
        ok = false;
    }
    return ok ? 0 : 1;
}
