#pragma once
// The statistics of one sculpt object (active and highest level, visible faces over every
// level, memory of its levels), shown in the mesh panel and the layer list. The mesh
// panel, the "Geometry" page of a Properties window, holds nothing else.

#include "gui/dialogs/PropertyList.h"

class Object;
class QLabel;

namespace GUI {

class ObjectInfo : public PropertyList {
    Q_OBJECT

public:
    ObjectInfo(QWidget *parent, const char *name, bool framed);

    // Shows the object's figures; null shows none and greys the active level out.
    void SetObject(Object *object);
    Object *GetObject() const { return m_pObject; }
    void Refresh() override { SetObject(m_pObject); }
    QSize sizeHint() const override { return QSize(200, 50); }

public slots:
    // The layer lists and the "Geometry" pages show the object again; the view is redrawn.
    void Update();
    // Makes the level typed into "ActiveLevel" the active one.
    void OnSetActiveLevel();
    void OnEnter() {}

private:
    QLabel *Value(const char *name) const;

    bool m_bUpdating = false;
    Object *m_pObject = nullptr;
};

class MeshProperties : public PropertyList {
    Q_OBJECT

public:
    explicit MeshProperties(PropertiesDialog *owner);

    void Refresh() override;
    ObjectInfo *GetInfo() const { return m_pInfo; }

public slots:
    void Update() {}
    void OnChangeTrans();

private:
    bool m_bUpdating = false;
    ObjectInfo *m_pInfo;
};

}  // namespace GUI
