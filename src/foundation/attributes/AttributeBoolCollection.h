#pragma once
// Up to 32 named bools kept as the bits of one int, edited as a row of check boxes.

#include "foundation/attributes/AttributeInstance.h"

namespace General {

class AttributeBoolCollection : public AttributeInstance<int> {
public:
    static constexpr int kMaxBools = 32;

    explicit AttributeBoolCollection(const QString &name);

    // Names the next bool and sets it silently; its index. Throws General::Error
    // "Too much bool in collection" (code 1) when 32 are in use.
    int AddBool(const QString &name, bool value);
    // Sets one bit, updates the targets and notifies event 0 unless silent. Throws
    // General::Error (code 1) for an index outside the bools in use.
    void SetBool(int index, bool value, bool silent = false);
    bool GetBool(int index) const;

    int GetBoolCount() const { return m_iCount; }
    const QString &GetBoolName(int index) const;
    QWidget *CreateEditor(QWidget *parent, int width) override;

private:
    void CheckIndex(int index) const;

    QString m_aNames[kMaxBools];
    int m_iCount = 0;
};

}  // namespace General
