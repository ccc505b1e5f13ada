#include "foundation/images/TvTiffInfo.h"

#include <tiffio.h>

namespace {
const char *const kModule = "TvTiffInfo::readTiffFields";

template <typename T>
bool ReadTag(TIFF *handle, ttag_t tag, const char *name, T &field)
{
    if (TIFFGetField(handle, tag, &field))
        return true;
    TIFFWarning(kModule, "The image does not contain the tag \"%s\"", name);
    return false;
}
}  // namespace

TvTiffInfo::TvTiffInfo()
{
    Clear();
    const struct {
        uint16_t code;
        const char *text;
    } compressions[] = {
        {1, "No compression ( COMPRESSION_NONE )"},
        {2, "CCITT modified Huffman RLE ( COMPRESSION_CCITTRLE )"},
        {3, "CCITT Group 3 fax encoding ( COMPRESSION_CCITTFAX3 )"},
        {4, "CCITT Group 4 fax encoding ( COMPRESSION_CCITTFAX4 )"},
        {5, "LZW ( COMPRESSION_LZW )"},
        {6, "Old JPEG ( COMPRESSION_OJPEG )"},
        {7, "JPEG ( COMPRESSION_JPEG )"},
        {32766, "COMPRESSION_NEXT"},
        {32771, "COMPRESSION_CCITTRLEW"},
        {32773, "PackBits compression, aka Macintosh RLE ( COMPRESSION_PACKBITS )"},
        {32809, "COMPRESSION_THUNDERSCAN"},
        {32895, "COMPRESSION_IT8CTPAD"},
        {32896, "COMPRESSION_IT8LW"},
        {32897, "COMPRESSION_IT8MP"},
        {32898, "COMPRESSION_IT8BL"},
        {32908, "COMPRESSION_PIXARFILM"},
        {32909, "COMPRESSION_PIXARLOG"},
        {32946, "COMPRESSION_DEFLATE"},
        {8, "Deflate ('Adobe-style') ( COMPRESSION_ADOBE_DEFLATE )"},
        {32947, "COMPRESSION_DCS"},
        {34661, "COMPRESSION_JBIG"},
        {34676, "COMPRESSION_SGILOG"},
        {34677, "COMPRESSION_SGILOG24"},
        {34712, "COMPRESSION_JP2000"},
    };
    for (const auto &c : compressions)
        m_CompressionNames.insert(c.code, QString::fromLatin1(c.text));
    const char *const formats[] = {
        "unsigned integer data ( SAMPLEFORMAT_UINT )",
        "two's complement signed integer data ( SAMPLEFORMAT_INT )",
        "IEEE floating point data ( SAMPLEFORMAT_IEEEFP )",
        "undefined data format ( SAMPLEFORMAT_VOID )",
        "SAMPLEFORMAT_COMPLEXINT",
        "SAMPLEFORMAT_COMPLEXIEEEFP",
    };
    for (uint16_t i = 0; i < 6; ++i)
        m_SampleFormatNames.insert(uint16_t(i + 1), QString::fromLatin1(formats[i]));
}

void TvTiffInfo::Clear()
{
    m_iWidth = 65535;
    m_iLength = 65535;
    m_iDepth = 65535;
    m_iSamplesPerPixel = 1;
    m_iSampleFormat = 1;
    m_iBitsPerSample = 65535;
    m_iCompression = 65535;
    m_iDataType = 1;
    m_iOrientation = 65535;
    m_iPhotometric = 65535;
    m_iPlanarConfig = 65535;
    m_bHasSize = false;
}

void TvTiffInfo::readTiffFields(tiff *handle)
{
    Clear();
    const bool hasWidth = ReadTag(handle, TIFFTAG_IMAGEWIDTH, "TIFFTAG_IMAGEWIDTH", m_iWidth);
    const bool hasLength = ReadTag(handle, TIFFTAG_IMAGELENGTH, "TIFFTAG_IMAGELENGTH", m_iLength);
    m_bHasSize = hasWidth && hasLength;
    ReadTag(handle, TIFFTAG_IMAGEDEPTH, "TIFFTAG_IMAGEDEPTH", m_iDepth);
    ReadTag(handle, TIFFTAG_COMPRESSION, "TIFFTAG_COMPRESSION", m_iCompression);
    ReadTag(handle, TIFFTAG_SAMPLESPERPIXEL, "TIFFTAG_SAMPLESPERPIXEL", m_iSamplesPerPixel);
    ReadTag(handle, TIFFTAG_ORIENTATION, "TIFFTAG_ORIENTATION", m_iOrientation);
    ReadTag(handle, TIFFTAG_PHOTOMETRIC, "TIFFTAG_PHOTOMETRIC", m_iPhotometric);
    ReadTag(handle, TIFFTAG_PLANARCONFIG, "TIFFTAG_PLANARCONFIG", m_iPlanarConfig);
    ReadTag(handle, TIFFTAG_SAMPLEFORMAT, "TIFFTAG_SAMPLEFORMAT", m_iSampleFormat);
    ReadTag(handle, TIFFTAG_BITSPERSAMPLE, "TIFFTAG_BITSPERSAMPLE", m_iBitsPerSample);
    if (!ReadTag(handle, TIFFTAG_DATATYPE, "TIFFTAG_DATATYPE", m_iDataType)
        && !TIFFGetFieldDefaulted(handle, TIFFTAG_DATATYPE, &m_iDataType))
        TIFFError(kModule, "The image does not contain the tag \"%s\"", "TIFFTAG_DATATYPE");
}
