#pragma once
// One reusable thing kept in a tray: a stamp or stencil image, a tool, a falloff curve or
// a camera bookmark. Five strings and a kind-specific Activate that hands the thing to
// the controller or the active camera. Items are made by kind name through
// CreateTrayItem, so tray files, drops, the "&Add" menu and the scene loader agree.

#include <QString>

#include <memory>

class Camera;
class QWidget;

namespace GUI {

class TrayItem {
public:
    // An empty label gives label = name.
    TrayItem(const QString &name, const QString &icon, const QString &label, const QString &extra = QString());
    virtual ~TrayItem() = default;
    TrayItem(const TrayItem &) = delete;
    TrayItem &operator=(const TrayItem &) = delete;

    virtual void OnAdded() {}
    virtual void OnRemoved() {}
    virtual void OnRenamed() {}
    // Applies the item.
    virtual void Activate() {}
    // A small widget the button shows over its icon; none by default.
    virtual QWidget *CreateIconWidget(QWidget *parent) { return nullptr; }

    QString GetType() const { return m_sType; }
    void SetType(const QString &type) { m_sType = type; }
    QString GetName() const { return m_sName; }
    void SetName(const QString &name) { m_sName = name; }
    QString GetIcon() const { return m_sIcon; }
    QString GetLabel() const { return m_sLabel; }
    QString GetExtra() const { return m_sExtra; }
    // A rename shows and keeps the new name; icon-only items stay icon-only.
    void Rename(const QString &name);

protected:
    void ClearLabel() { m_sLabel.clear(); }

private:
    QString m_sName;
    QString m_sLabel;
    QString m_sIcon;
    QString m_sType;
    QString m_sExtra;
};

class StampItem : public TrayItem {
public:
    StampItem(const QString &name, const QString &icon, const QString &label);
    void Activate() override;
};

class StencilItem : public TrayItem {
public:
    StencilItem(const QString &name, const QString &icon, const QString &label);
    void Activate() override;
};

// Refers to a tool of the global tool list by name; a name no tool has makes a user tool,
// copied from the current tool.
class BrushItem : public TrayItem {
public:
    BrushItem(const QString &name, const QString &icon, const QString &label, const QString &extra);
    void Activate() override;
};

class FalloffItem : public TrayItem {
public:
    // An empty name takes the last curve of the falloff list (and shows no text).
    FalloffItem(const QString &name, const QString &icon, const QString &label);
    void Activate() override;
    QWidget *CreateIconWidget(QWidget *parent) override;
    int GetIndex() const { return m_iIndex; }

private:
    int m_iIndex = 0;
};

// A saved view: a copy of the camera, taken when the item is made with capture on.
class BookmarkItem : public TrayItem {
public:
    BookmarkItem(const QString &name, const QString &label, bool capture = true);
    ~BookmarkItem() override;
    void Activate() override;
    // Drops the saved camera; with capture, copies the active camera (none without one).
    void StoreCamera(const QString &name, bool capture);
    // Copies `camera` as the saved view.
    void SetCamera(const Camera &camera);
    // The saved view, or null.
    const Camera *GetCamera() const { return m_pCamera.get(); }

private:
    std::unique_ptr<Camera> m_pCamera;
};

// The icon of the stamp and stencil trays' "OFF" item.
inline QString OffIcon() { return QStringLiteral("Icons/Off.png"); }

// The item of the kind `type` names exactly; null (and the failed check "new_item") for
// any other type.
std::unique_ptr<TrayItem> CreateTrayItem(const QString &type, const QString &name, const QString &icon,
                                         const QString &label);
// Fills the program's list of kind names, in "&Add" menu order (once).
void InitTrayItemTypes();
// Copies a camera's record into another camera; false when the record could not be made.
bool CopyCamera(const Camera &from, Camera &to);

}  // namespace GUI
