#pragma once
// The small modal questions asked before an edit: how an imported mesh meets the existing
// one, the subdivision switches, stamps along a curve, and what a mesh export writes.
// Each is run with exec(); OK copies the widgets into the result fields and accepts.

#include "interaction/InteractionServices.h"

#include <QDialog>

class QVBoxLayout;

namespace GUI {

// The common frame: a vertical layout with margin 8 and, at the end, the OK and Cancel row.
class OptionDialog : public QDialog {
    Q_OBJECT

public:
    OptionDialog(QWidget *parent, const QString &caption, int width, int height);

public slots:
    virtual void OnOK() = 0;

protected:
    // Appends the OK and Cancel row.
    void AddButtons();
    QVBoxLayout *m_pLayout;
};

class ImportOptions : public OptionDialog {
    Q_OBJECT

public:
    ImportOptions(QWidget *parent, bool positionMatching);
    void OnOK() override;

    int m_iMatchMode = 0;  // 0 by vertex id, 1 by UV position, 2 by position
    float m_fTolerance = 0.001f;
    bool m_bDeltaToBase = true;

private:
    bool m_bPositionMatching;
};

// Edits the three switches it is given; Cancel leaves them as they were.
class SubdivOptions : public OptionDialog {
    Q_OBJECT

public:
    SubdivOptions(QWidget *parent, ::SubdivisionOptions &options);
    void OnOK() override;

private:
    ::SubdivisionOptions &m_rOptions;
};

class DrawOnCurveOptions : public OptionDialog {
    Q_OBJECT

public:
    // Fewer stamps leave no step between the first and the last.
    static constexpr int kMinimumStamps = 2;

    explicit DrawOnCurveOptions(QWidget *parent);
    // A number below the minimum is refused with a message; the dialog stays open.
    void OnOK() override;

    bool m_bEqualSpacing = false;
    int m_iStamps = 0;
};

class ExportOptions : public QDialog {
    Q_OBJECT

public:
    ExportOptions(QWidget *parent, bool hasTextureCoordinates, bool canSeparate);

    bool m_bExportUVs = false;
    bool m_bSeparateFiles = false;

public slots:
    void OnOK();
};

}  // namespace GUI
