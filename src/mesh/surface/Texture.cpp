#include "mesh/surface/Texture.h"

#include "foundation/Diagnostics.h"
#include "foundation/images/QTvImage.h"
#include "foundation/ShellServices.h"
#include "mesh/surface/Material.h"
#include "mesh/object/MeshHost.h"

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include <climits>
#include <cmath>

namespace Surface {

namespace {

// The view's context, made current when it is not; false when there is none.
bool HaveContext()
{
    return QOpenGLContext::currentContext() ||
           (MeshHost::Get().MakeViewContextCurrent() && QOpenGLContext::currentContext());
}

// Whether v is a whole number that an int holds.
bool IsTileCoordinate(float v) { return std::isfinite(v) && v >= float(INT_MIN) && v <= float(INT_MAX); }

}  // namespace

Texture::~Texture()
{
    if (HasImage() && HaveContext()) {
        const GLuint name = m_iName;
        QOpenGLContext::currentContext()->functions()->glDeleteTextures(1, &name);
    }
}

QString Texture::GetTileFileName(const Material &material, int x, int y, int channel)
{
    const int uRange = material.m_aURange.GetValue();
    const int number = uRange * y + material.m_aInitialTileNumber.GetValue() + x;
    QString name = material.GetTilePattern(channel);
    name.replace(QLatin1String("%u"), QString::number(uRange));
    name.replace(QLatin1String("%v"), QString::number(material.GetVRange()));
    name.replace(QLatin1String("%i"), QString::asprintf("%04d", number));
    name.replace(QLatin1String("%x"), QString::number(x));
    name.replace(QLatin1String("%y"), QString::number(y));
    return name;
}

int Texture::UploadSide(int size, int maximum)
{
    int64_t side = 1;
    while (side < size)
        side *= 2;
    // A maximum below one (a preference typed as text that is no number) still leaves one pixel.
    return int(std::min<int64_t>(side, std::max(maximum, 1)));
}

QImage Texture::ReadTile(const QString &fileName, int maximumSize)
{
    QTvImage image;
    if (!image.Load(fileName, false) || !image.GetImage() || image.GetImage()->isNull())
        return QImage();
    const QImage *display = image.GetImage();
    const int width = UploadSide(display->width(), maximumSize);
    const int height = UploadSide(display->height(), maximumSize);
    return display->convertToFormat(QImage::Format_ARGB32)
        .scaled(width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

void Texture::Load(const AABB &rect, int channel)
{
    const General::Vector &lo = rect.m_vMin;
    const General::Vector &hi = rect.m_vMax;
    if (!IsTileCoordinate(lo.x) || !IsTileCoordinate(lo.y))
        throw General::Error(1, QStringLiteral("Only separated tiles supported"));
    const int x = int(lo.x);
    const int y = int(lo.y);
    if (lo.x != float(x) || lo.y != float(y) || hi.x != float(x) + 1.0f || hi.y != float(y) + 1.0f)
        throw General::Error(1, QStringLiteral("Only separated tiles supported"));

    m_cRect = rect;
    const QString name = GetTileFileName(*m_pMaterial, x, y, channel);
    if (name.isEmpty()) {
        m_iName = 0;
        return;
    }
    const QByteArray file = name.toLocal8Bit();

    const QImage image = ReadTile(name, MeshHost::Get().MaximumTextureSize());
    if (image.isNull()) {
        m_iName = 0;
        Log("Failed to load texture %s\n", file.constData());
        General::Shell().SetStatusMessage(
            QCoreApplication::translate("Texture", "Failed to load texture %1").arg(name), 2);
        return;
    }
    if (!Upload(image)) {
        Log("No OpenGL context to load texture %s\n", file.constData());
        return;
    }
    Log("Texture %s (%dx%d) loaded for (%f,%f-%f,%f)\n", file.constData(), image.width(), image.height(),
        double(lo.x), double(lo.y), double(hi.x), double(hi.y));
}

bool Texture::Upload(const QImage &image)
{
    m_iName = 0;
    if (image.isNull() || !HaveContext())
        return false;
    const QImage argb = image.format() == QImage::Format_ARGB32 ? image : image.convertToFormat(QImage::Format_ARGB32);
    QOpenGLFunctions &gl = *QOpenGLContext::currentContext()->functions();
    GLuint name = 0;
    gl.glGenTextures(1, &name);
    m_iName = name;
    gl.glBindTexture(GL_TEXTURE_2D, name);
    // 32-bit ARGB words are B, G, R, A bytes in memory on this little-endian build.
    gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, argb.width(), argb.height(), 0, GL_BGRA, GL_UNSIGNED_BYTE,
                    argb.constBits());
    gl.glBindTexture(GL_TEXTURE_2D, 0);
    return true;
}

}  // namespace Surface
