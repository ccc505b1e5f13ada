// The settings record of a map extraction in scene files.
#include "foundation/Diagnostics.h"
#include "foundation/Stream.h"
#include "mapping/Info.h"

namespace MapExtraction {

bool Info::Serialize(Stream &stream)
{
    if (stream.IsStoring())
        return Transfer(stream);
    // The record is read once into a scratch node first, so that a damaged record
    // leaves these settings as they were.
    const uint64_t start = stream.Tell();
    {
        Info scratch{Scratch{}};
        if (!scratch.Transfer(stream)) {
            stream.SetError();
            return false;
        }
    }
    if (!stream.Seek(start)) {
        stream.SetError();
        return false;
    }
    return Transfer(stream);
}

bool Info::Transfer(Stream &stream)
{
    const int version = stream.GetVersion();
    const bool storing = stream.IsStoring();
    stream << m_aNodeName << m_aLowMesh << m_aLowSubdivision << m_aSelectedOnly;
    if (version > 208) {
        stream << m_aHighMesh;
    } else {
        // Older files named the high level; the setting is its object now.
        General::AttributePointer<SubdivLevel> level(QStringLiteral("High Resolution Mesh"), false);
        if (storing)
            level.SetValue(m_aHighMesh.GetValue(), true);
        stream << level;
        if (!storing && !stream.HasError())
            m_aHighMesh.SetValue(level.GetValue() ? level.GetValue()->GetObject() : nullptr);
    }
    stream << m_aHighSubdivision;
    stream.Serialize(m_sMapFolder);
    stream << m_aCreateNormalMap << m_aNormalMapFilename << m_aSmoothNormals << m_aCreateDisplacementMap
           << m_aDisplacementMapFilename << m_aSkipEmptyMaps << m_aURange << m_aUStart << m_aMapWidth << m_aMapHeight
           << m_aEdgeBleeding << m_aNormalMapSpace << m_aNormalMapFormat << m_aDisplacementMapFormat;
    if (version < 127) {
        unsigned char unused[2] = {0, 0};
        stream.Serialize(unused[0]).Serialize(unused[1]);
    } else if (!m_cTangentConfig.Serialize(stream)) {
        return false;
    }
    stream << m_aSearchDistance << m_aRayCenter << m_aTestBothSides;
    if (version > 155)
        stream << m_aSmoothUVs;
    if (version >= 212)
        stream << m_aFillWholeMaps;
    if (version >= 220)
        stream << m_aFileType;
    else if (!storing && m_aDisplacementMapFormat.GetValue() == mapBWFloat)
        m_aDisplacementMapFormat.SetValue(mapNormalAlpha, true);
    if (version > 221)
        stream << m_aProcessMultipleTiles;
    if (version > 222)
        stream << m_aKeepZeroAsMiddleGrey;
    if (stream.HasError())
        return false;
    if (!storing) {
        RepairEnumerations();
        UpdateFormatFlags();
    }
    return true;
}

void Info::RepairEnumerations()
{
    struct Default {
        General::AttributeEnumeration *attribute;
        int value;
    };
    const Default defaults[] = {
        {&m_aLowSubdivision, 0}, {&m_aHighSubdivision, 0},       {&m_aFileType, fileTIF},
        {&m_aRayCenter, 2},      {&m_aNormalMapFormat, map8Bit}, {&m_aNormalMapSpace, 1},
        {&m_aDisplacementMapFormat, map8Bit},
    };
    for (const Default &d : defaults) {
        const int value = d.attribute->GetValue();
        if (value >= 0 && value < int(d.attribute->m_aValues.GetItemCount()))
            continue;
        Log("%s: stored value %d names no item; %d is used\n", qPrintable(d.attribute->GetName()), value, d.value);
        d.attribute->SetValue(d.value, true);
    }
    // Only TIFF holds more than 8 bits, whatever a file says.
    if (m_aFileType.GetValue() != fileTIF) {
        m_aNormalMapFormat.SetValue(map8Bit, true);
        m_aDisplacementMapFormat.SetValue(map8Bit, true);
    }
}

}  // namespace MapExtraction
