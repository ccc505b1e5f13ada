#pragma once
// The TIFF fields of one file, read when the file is opened, with the tables
// that put its compression and sample format into words.

#include <QMap>
#include <QString>

#include <cstdint>

struct tiff;

class TvTiffInfo {
public:
    TvTiffInfo();

    // The values a field keeps when its tag is missing from the file.
    void Clear();
    // Clear, then every field from the file; a missing tag is reported as a warning.
    void readTiffFields(tiff *handle);

    const QMap<uint16_t, QString> &CompressionNames() const { return m_CompressionNames; }
    const QMap<uint16_t, QString> &SampleFormatNames() const { return m_SampleFormatNames; }

    uint32_t m_iWidth;
    uint32_t m_iLength;
    uint32_t m_iDepth;
    uint16_t m_iSamplesPerPixel;
    uint16_t m_iSampleFormat;
    uint16_t m_iBitsPerSample;
    uint16_t m_iCompression;
    uint16_t m_iDataType;
    uint16_t m_iOrientation;
    uint16_t m_iPhotometric;
    uint16_t m_iPlanarConfig;
    // Both size tags were present: without them width and length are placeholders.
    bool m_bHasSize;

private:
    QMap<uint16_t, QString> m_CompressionNames;
    QMap<uint16_t, QString> m_SampleFormatNames;
};
