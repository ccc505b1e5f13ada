#pragma once
// A file name edited with a browse button, which asks with an open-file dialog (open
// flag set) or a save-file dialog, filtered by the filter text and starting in the
// remembered folder when one is given (the chosen file's folder is written back there).

#include "foundation/attributes/AttributeInstance.h"

namespace General {

class AttributeFilename : public AttributeInstance<QString> {
public:
    AttributeFilename(const QString &name, bool open);

    QWidget *CreateEditor(QWidget *parent, int width) override;

    bool IsOpen() const { return m_bOpen; }
    const QString &GetFilter() const { return m_sFilter; }
    void SetFilter(const QString &filter) { m_sFilter = filter; }
    QString *GetFolder() const { return m_pFolder; }
    // Not owned; null forgets the folder.
    void SetFolder(QString *folder) { m_pFolder = folder; }

private:
    bool m_bOpen;
    QString m_sFilter;
    QString *m_pFolder = nullptr;
};

}  // namespace General
