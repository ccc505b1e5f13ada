#pragma once
// An int attribute that fires: every change that is not silent first calls the owner's
// HandleEvent with the gate, then notifies as usual.

#include "foundation/attributes/AttributeInstance.h"

namespace General {

class EventGate : public AttributeInstance<int> {
public:
    explicit EventGate(const QString &name, bool join = true);

    void Notify(int event) override;
    QWidget *CreateEditor(QWidget *parent, int width) override;
};

}  // namespace General
