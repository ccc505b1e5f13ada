// Feeds arbitrary text to every typed attribute's text parser and arbitrary bytes (after
// a valid stream header) to its stream reader, with live nodes for pointers to bind to.
#include "FuzzFile.h"
#include "foundation/attributes/AttributeBoolCollection.h"
#include "foundation/attributes/AttributeEnumeration.h"
#include "foundation/attributes/AttributeFilename.h"
#include "foundation/attributes/AttributeFloatRange.h"
#include "foundation/attributes/AttributeNumber.h"
#include "foundation/EventGate.h"
#include "foundation/Node.h"
#include "foundation/Stream.h"

#include <QByteArray>

#include <vector>

namespace {

struct Holder : General::Node {
    Holder() : General::Node(QStringLiteral("a")) {}
    General::AttributeInstance<int> m_aInt{QStringLiteral("int")};
    General::AttributeInstance<float> m_aFloat{QStringLiteral("float")};
    General::AttributeInstance<bool> m_aBool{QStringLiteral("bool")};
    General::AttributeInstance<QString> m_aText{QStringLiteral("text")};
    General::AttributeInstance<General::Color> m_aColor{QStringLiteral("color")};
    General::AttributeInstance<General::Vector> m_aVector{QStringLiteral("vector")};
    General::AttributeInstance<General::Node *> m_aPlain{QStringLiteral("plain")};
    General::AttributePointer<General::Node> m_aPointer{QStringLiteral("pointer")};
    General::AttributeFloatRange m_aRange{QStringLiteral("range"), 0.0f, 1.0f, 100.0f};
    General::AttributeEnumeration m_aChoice{QStringLiteral("choice")};
    General::AttributeFilename m_aFile{QStringLiteral("file"), true};
    General::AttributeNumber m_aNumber{QStringLiteral("number"), 40, 3};
    General::AttributeBoolCollection m_aBits{QStringLiteral("bits")};
    General::EventGate m_aGate{QStringLiteral("gate")};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    General::Node other(QStringLiteral("b"));
    Holder holder;
    holder.m_aBits.AddBool(QStringLiteral("x"), true);
    std::vector<General::Attribute *> attributes;
    for (int i = 0; i < holder.GetAttributeCount(); ++i)
        attributes.push_back(holder.GetAttribute(i));

    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    for (General::Attribute *attribute : attributes) {
        if (attribute == &holder.GetThis())
            continue;
        attribute->SetFromString(text);
        (void)attribute->AsString();
    }

    QByteArray bytes("\xE4\0\0\0", 4);
    bytes.append(reinterpret_cast<const char *>(data), qsizetype(size));
    FuzzFile file(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
    try {
        // Each reader from the start, then all of them one after the other.
        for (General::Attribute *attribute : attributes) {
            if (attribute == &holder.GetThis())
                continue;
            Stream stream(file.Path(), false);
            attribute->Serialize(stream);
            (void)attribute->AsString();
        }
        Stream stream(file.Path(), false);
        for (General::Attribute *attribute : attributes)
            if (attribute != &holder.GetThis() && !attribute->Serialize(stream))
                break;
        holder.m_aPointer.SetValue(&other);
    } catch (const General::Error &) {
    }
    return 0;
}
