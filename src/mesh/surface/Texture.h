#pragma once
// One loaded tile of a material's texture: the image of one unit square of texture
// space, held by OpenGL. Reading the pixels is apart from the upload, which needs the
// 3D view's OpenGL context.

#include "foundation/math/AABB.h"

#include <QImage>
#include <QString>

#include <cstdint>

namespace Surface {

class Material;

class Texture {
public:
    static constexpr uint32_t kNotLoaded = 0xFFFFFFFF;

    explicit Texture(Material *material) : m_pMaterial(material) {}
    // Deletes the OpenGL texture when one was made.
    ~Texture();
    Texture(const Texture &) = delete;
    Texture &operator=(const Texture &) = delete;

    // The file of tile (x, y) of the material's channel: its pattern with "%u" (tiles per
    // row), "%v" (rows), "%i" (tile number, four digits at least), "%x" and "%y" replaced.
    static QString GetTileFileName(const Material &material, int x, int y, int channel);
    // The side a texture of `size` pixels is uploaded with: the next power of two, at most `maximum`.
    static int UploadSide(int size, int maximum);
    // The tile image as 32-bit ARGB scaled to its upload size; a null image when the file cannot be read.
    static QImage ReadTile(const QString &fileName, int maximumSize);

    // Loads the tile of `rect` and makes its OpenGL texture. A file that cannot be read is
    // reported (log and status bar) and leaves the texture without an image. Throws
    // General::Error when `rect` is not exactly one unit tile.
    void Load(const AABB &rect, int channel);
    // Makes the OpenGL texture of `image` in the current context; false without one.
    bool Upload(const QImage &image);
    // Prepares drawing with the texture; true when texturing is on. Leaves the texture
    // matrix selected. In tevrin_mesh_gl, which links OpenGL.
    bool Bind();

    bool HasImage() const { return m_iName != 0 && m_iName != kNotLoaded; }
    const AABB &GetRect() const { return m_cRect; }
    uint32_t GetName() const { return m_iName; }
    Material *GetMaterial() const { return m_pMaterial; }

private:
    Material *m_pMaterial;
    AABB m_cRect;
    uint32_t m_iName = kNotLoaded;
};

}  // namespace Surface
