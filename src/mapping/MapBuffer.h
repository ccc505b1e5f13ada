#pragma once
// A baked map in memory: width × height texels of 1 to 4 interleaved channels of bytes,
// 16-bit words or floats. Row 0 is the bottom row of the image. Values are stored
// normalised into the sample range by SetValue and read back as 0..1 (floats as they are).
// It reads TIFF files and writes TIFF, TGA and the formats of Qt's image writer.

#include "foundation/Containers.h"
#include "foundation/math/Vector.h"

#include <QString>

#include <cstdint>

namespace MapExtraction {

class MapBuffer {
public:
    enum Type { typeNone = -1, typeByte = 0, typeWord = 1, typeFloat = 2 };

    MapBuffer() = default;
    MapBuffer(const MapBuffer &) = delete;
    MapBuffer &operator=(const MapBuffer &) = delete;

    // Zero-filled; throws General::Error (code 1) "Not enough memory for map" when refused.
    void Allocate(unsigned width, unsigned height, int type, unsigned channels);
    void Clear();
    uint64_t GetMemorySize() const;
    // The sample type that holds a map format id: bytes, words, or floats for the rest.
    static int TypeOfFormat(int format);

    // (value - min) / (max - min) scaled to the sample range, clamped to it; a flat range
    // (max <= min) stores the middle of the range. Floats are stored as given.
    // Channels beyond the buffer's and texels outside it are ignored.
    void SetValue(unsigned x, unsigned y, unsigned channel, float value, float min, float max);
    // Bytes / 255, words / 65535, floats as stored; 0 outside the buffer.
    float GetValue(unsigned x, unsigned y, unsigned channel) const;
    // The normal's components in channels 0 to 2 over the range -1..1.
    void SetNormal(unsigned x, unsigned y, const General::Vector &normal);

    // Reads fileName + ".tif" into the allocated buffer: the size and sample width must
    // match; a file with other samples per texel is mapped channel by channel. False (the
    // buffer unchanged) when the file cannot be read or does not fit.
    bool Load(const QString &fileName);
    // Writes fileName plus the file type's extension (0 TIF, 1 BMP, 2 PNG, 3 JPG, 4 TGA):
    // to a temporary file next to it, renamed over it once every write succeeded. With
    // expandGrey a 1-channel map goes out as grey RGB. False, with the reason in the log,
    // when the file cannot be written or the format cannot hold the map. Throws
    // General::Error "Invalid texture format" for BMP, PNG or JPG of a map that is not bytes.
    bool Save(const QString &fileName, bool expandGrey, int fileType) const;

    int GetType() const { return m_eType; }
    unsigned GetWidth() const { return m_iWidth; }
    unsigned GetHeight() const { return m_iHeight; }
    unsigned GetChannelCount() const { return m_iChannelCount; }
    // Bytes of one sample.
    unsigned GetSampleSize() const;
    // Sample (x, y, c), interleaved row by row.
    uint64_t SampleIndex(unsigned x, unsigned y, unsigned channel) const
    {
        return (uint64_t(m_iWidth) * y + x) * m_iChannelCount + channel;
    }
    // The samples of buffer row y, as bytes.
    const unsigned char *Row(unsigned y) const;
    unsigned char *Row(unsigned y);
    uint64_t RowBytes() const { return uint64_t(m_iWidth) * m_iChannelCount * GetSampleSize(); }

private:
    bool SaveTiff(const QString &path, bool expandGrey) const;
    bool SaveTga(const QString &path) const;
    bool SaveImage(const QString &path, const char *format) const;
    bool Contains(unsigned x, unsigned y) const { return x < m_iWidth && y < m_iHeight; }

    int m_eType = typeNone;
    unsigned m_iWidth = 0;
    unsigned m_iHeight = 0;
    unsigned m_iChannelCount = 0;
    General::Store<float> m_aFloats{"extraction map (float)"};
    General::Store<unsigned short> m_aWords{"extraction map (word)"};
    General::Store<unsigned char> m_aBytes{"extraction map (byte)"};
};

// Fills the texels of a tile that no face covered from their filled neighbours, one ring
// per pass, until a pass fills nothing. `table` holds one entry per texel (row-major): a
// face index (0 or more) for a covered texel, -1 for an uncovered one; filled texels end
// as -3. Either map may be null. Returns the number of texels filled.
unsigned FillMaps(MapBuffer *normal, MapBuffer *displacement, General::Store<int> &table);

}  // namespace MapExtraction
