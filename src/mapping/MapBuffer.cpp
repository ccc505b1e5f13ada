#include "mapping/MapBuffer.h"

#include "foundation/Diagnostics.h"
#include "foundation/Progress.h"
#include "mapping/Info.h"

#include <QCoreApplication>

#include <cmath>

namespace MapExtraction {

namespace {

QString Tr(const char *text) { return QCoreApplication::translate("MapExtraction::MapBuffer", text); }

// The sample of a value normalised to 0..1, clamped: a value outside the range must
// saturate, not wrap around to the other end of the map.
template <class Sample>
Sample Quantise(float value, float min, float max, float scale)
{
    if (!(max > min))
        return Sample(scale * 0.5f);
    float t = (value - min) / (max - min);
    if (!(t > 0.0f))
        t = 0.0f;
    else if (t > 1.0f)
        t = 1.0f;
    // Truncated; the small allowance keeps a value that is a whole sample (an average of
    // samples read back) from dropping one step through float error.
    return Sample(std::min(t * scale + 1.0e-3f, scale));
}

}  // namespace

void MapBuffer::Allocate(unsigned width, unsigned height, int type, unsigned channels)
{
    Clear();
    const uint64_t items = uint64_t(width) * height * channels;
    const bool known = type == typeByte || type == typeWord || type == typeFloat;
    bool ok = known && channels >= 1 && channels <= 4 && items <= 0xFFFFFFFFu;
    if (ok) {
        m_eType = type;
        m_iWidth = width;
        m_iHeight = height;
        m_iChannelCount = channels;
        if (type == typeByte && (ok = m_aBytes.SetItemCount(unsigned(items), false)))
            m_aBytes.Fill(0);
        else if (type == typeWord && (ok = m_aWords.SetItemCount(unsigned(items), false)))
            m_aWords.Fill(0);
        else if (type == typeFloat && (ok = m_aFloats.SetItemCount(unsigned(items), false)))
            m_aFloats.Fill(0.0f);
    }
    if (!ok) {
        Clear();
        throw General::Error(1, Tr("Not enough memory for map"));
    }
}

void MapBuffer::Clear()
{
    m_aFloats.Clear();
    m_aWords.Clear();
    m_aBytes.Clear();
    m_eType = typeNone;
    m_iWidth = m_iHeight = m_iChannelCount = 0;
}

uint64_t MapBuffer::GetMemorySize() const
{
    return m_aFloats.GetBlockSize() + m_aWords.GetBlockSize() + m_aBytes.GetBlockSize();
}

unsigned MapBuffer::GetSampleSize() const
{
    return m_eType == typeByte ? 1 : m_eType == typeWord ? 2 : m_eType == typeFloat ? 4 : 0;
}

const unsigned char *MapBuffer::Row(unsigned y) const { return const_cast<MapBuffer *>(this)->Row(y); }

unsigned char *MapBuffer::Row(unsigned y)
{
    const uint64_t first = SampleIndex(0, y, 0);
    if (m_eType == typeByte)
        return m_aBytes.GetBuffer() + first;
    if (m_eType == typeWord)
        return reinterpret_cast<unsigned char *>(m_aWords.GetBuffer() + first);
    return reinterpret_cast<unsigned char *>(m_aFloats.GetBuffer() + first);
}

int MapBuffer::TypeOfFormat(int format)
{
    switch (format) {
    case 0:
        return typeByte;
    case 1:
    case 2:
        return typeWord;
    default:
        return typeFloat;
    }
}

void MapBuffer::SetValue(unsigned x, unsigned y, unsigned channel, float value, float min, float max)
{
    if (channel >= m_iChannelCount || !TV_CHECK(Contains(x, y)))
        return;
    const uint64_t i = SampleIndex(x, y, channel);
    if (m_eType == typeByte)
        m_aBytes.GetBuffer()[i] = Quantise<unsigned char>(value, min, max, 255.0f);
    else if (m_eType == typeWord)
        m_aWords.GetBuffer()[i] = Quantise<unsigned short>(value, min, max, 65535.0f);
    else if (m_eType == typeFloat)
        m_aFloats.GetBuffer()[i] = value;
}

float MapBuffer::GetValue(unsigned x, unsigned y, unsigned channel) const
{
    if (channel >= m_iChannelCount || !TV_CHECK(Contains(x, y)))
        return 0.0f;
    const uint64_t i = SampleIndex(x, y, channel);
    if (m_eType == typeByte)
        return m_aBytes.GetBuffer()[i] / 255.0f;
    if (m_eType == typeWord)
        return m_aWords.GetBuffer()[i] / 65535.0f;
    return m_aFloats.GetBuffer()[i];
}

void MapBuffer::SetNormal(unsigned x, unsigned y, const General::Vector &normal)
{
    SetValue(x, y, 0, normal.x, -1.0f, 1.0f);
    SetValue(x, y, 1, normal.y, -1.0f, 1.0f);
    SetValue(x, y, 2, normal.z, -1.0f, 1.0f);
}

bool MapBuffer::Save(const QString &fileName, bool expandGrey, int fileType) const
{
    if (!TV_CHECK(m_eType != typeNone))
        return false;
    switch (fileType) {
    case fileTIF:
        return SaveTiff(fileName + QStringLiteral(".tif"), expandGrey);
    case fileTGA:
        return SaveTga(fileName + QStringLiteral(".tga"));
    case fileBMP:
    case filePNG:
    case fileJPG: {
        if (m_eType != typeByte)
            throw General::Error(1, Tr("Invalid texture format"));
        const char *format = fileType == fileBMP ? "bmp" : fileType == filePNG ? "png" : "jpg";
        return SaveImage(fileName + QLatin1Char('.') + QLatin1String(format), format);
    }
    default:
        Log("Unknown map file type %d\n", fileType);
        return false;
    }
}

unsigned FillMaps(MapBuffer *normal, MapBuffer *displacement, General::Store<int> &table)
{
    const MapBuffer *shape = normal ? normal : displacement;
    if (!shape)
        return 0;
    const unsigned width = shape->GetWidth(), height = shape->GetHeight();
    if (!TV_CHECK(uint64_t(width) * height == table.GetItemCount()) ||
        (normal && displacement &&
         !TV_CHECK(displacement->GetWidth() == width && displacement->GetHeight() == height)))
        return 0;
    constexpr int kUncovered = -1, kFilledNow = -2, kFilledBefore = -3;
    int *state = table.begin();
    uint64_t uncovered = 0;
    for (unsigned i = 0; i < table.GetItemCount(); ++i)
        uncovered += state[i] == kUncovered;
    // Every channel of the normal map, so a displacement kept in its alpha is filled too.
    const unsigned normalChannels = normal ? normal->GetChannelCount() : 0;
    static constexpr int kNeighbours[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}};

    General::Progress().Start(QCoreApplication::translate("MapExtraction::MapBuffer", "filling maps..."), uncovered,
                              100);
    unsigned total = 0;
    for (unsigned filled = 1; filled;) {
        filled = 0;
        for (unsigned x = 0; x < width; ++x)
            for (unsigned y = 0; y < height; ++y) {
                if (state[uint64_t(y) * width + x] != kUncovered)
                    continue;
                float sums[5] = {0, 0, 0, 0, 0};
                unsigned count = 0;
                for (const auto &d : kNeighbours) {
                    const int nx = int(x) + d[0], ny = int(y) + d[1];
                    if (nx < 0 || ny < 0 || nx >= int(width) || ny >= int(height))
                        continue;
                    const int s = state[uint64_t(ny) * width + unsigned(nx)];
                    if (s == kUncovered || s == kFilledNow)
                        continue;
                    for (unsigned c = 0; c < normalChannels; ++c)
                        sums[c] += normal->GetValue(unsigned(nx), unsigned(ny), c);
                    if (displacement)
                        sums[4] += displacement->GetValue(unsigned(nx), unsigned(ny), 0);
                    ++count;
                }
                if (!count)
                    continue;
                // Averages of the stored samples: over 0..1 they are stored back unchanged.
                for (unsigned c = 0; c < normalChannels; ++c)
                    normal->SetValue(x, y, c, sums[c] / float(count), 0.0f, 1.0f);
                if (displacement)
                    displacement->SetValue(x, y, 0, sums[4] / float(count), 0.0f, 1.0f);
                state[uint64_t(y) * width + x] = kFilledNow;
                ++filled;
                General::Progress().Advance();
            }
        for (unsigned i = 0; i < table.GetItemCount(); ++i)
            if (state[i] == kFilledNow)
                state[i] = kFilledBefore;
        total += filled;
    }
    General::Progress().End();
    return total;
}

}  // namespace MapExtraction
