#pragma once
// A node with one attribute of each editor kind, counting the value changes each attribute
// reports to it, and the modal answers the colour and file rows ask for.

#include "foundation/EventGate.h"
#include "foundation/Node.h"
#include "foundation/attributes/AttributeBoolCollection.h"
#include "foundation/attributes/AttributeEditor.h"
#include "foundation/attributes/AttributeEnumeration.h"
#include "foundation/attributes/AttributeFilename.h"
#include "foundation/attributes/AttributeFloatRange.h"
#include "foundation/attributes/AttributeNumber.h"
#include "foundation/math/Color.h"
#include "foundation/math/Vector.h"
#include "gui/common/ModalDialogs.h"

#include <map>

namespace guitest {

class KindsNode : public General::Node {
public:
    explicit KindsNode(const QString &name = QStringLiteral("kinds")) : General::Node(name)
    {
        choice.m_aValues.Add("Low");
        choice.m_aValues.Add("High");
        bits.AddBool(QStringLiteral("A"), false);
        bits.AddBool(QStringLiteral("B"), false);
        bits.AddBool(QStringLiteral("C"), false);
        range.SetValue(2.5f, true);
    }

    void AttributeChanged(General::Attribute *attribute, int event) override
    {
        if (event == General::Attribute::kValueChanged)
            ++changes[attribute];
    }

    General::AttributeInstance<QString> text{QStringLiteral("Text")};
    General::AttributeNumber number{QStringLiteral("Number"), 40, 3};
    General::AttributeInstance<bool> flag{QStringLiteral("Flag")};
    General::AttributeInstance<General::Color> colour{QStringLiteral("Colour")};
    General::AttributeInstance<General::Vector> vector{QStringLiteral("Vector")};
    General::AttributeFloatRange range{QStringLiteral("Range"), 0.0f, 10.0f};
    General::AttributeEnumeration choice{QStringLiteral("Choice")};
    General::AttributeFilename file{QStringLiteral("File"), true};
    General::EventGate fire{QStringLiteral("Fire")};
    General::AttributePointer<General::Node> pointer{QStringLiteral("Pointer")};
    General::AttributeBoolCollection bits{QStringLiteral("Bits")};
    std::map<General::Attribute *, int> changes;
};

class AttributeModals : public GUI::ModalDialogs {
public:
    AttributeModals() { Install(this); }
    ~AttributeModals() override { Install(nullptr); }

    QColor GetColor(const QColor &, QWidget *) override { return color; }
    QString GetFileName(QWidget *, const QString &, const QString &start, const QString &, bool open) override
    {
        starts << start;
        opened = open;
        return file;
    }

    QColor color;
    QString file;
    QStringList starts;
    bool opened = false;
};

}  // namespace guitest
