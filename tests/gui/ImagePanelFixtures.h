#pragma once
// What the stencil and image-plane page tests share: the window holding the page, a
// scripted file question and menu, the image folders, small pictures written on the spot,
// and the person's ways of typing into a field and dragging a slider.

#include "GuiApplication.h"
#include "gui/common/ModalDialogs.h"
#include "gui/common/Trays.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "gui/dialogs/PropertyList.h"
#include "gui/editors/FloatSlider.h"
#include "gui/editors/TextSlider.h"

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace guitest {

// The file question answers `file` (empty: cancelled); menus are counted and dismissed.
class ImageModals : public GUI::ModalDialogs {
public:
    ImageModals() { Install(this); }
    ~ImageModals() override { Install(nullptr); }
    QString GetOpenFileName(QWidget *, const QString &, const QString &start, const QString &filter) override
    {
        starts << start;
        filters << filter;
        return file;
    }
    QAction *ExecMenu(QMenu &menu, const QPoint &) override
    {
        ++menus;
        for (QAction *action : menu.actions())
            if (!choose.isEmpty() && action->text() == choose)
                return action;
        return nullptr;
    }
    QString file;
    QString choose;
    QStringList starts;
    QStringList filters;
    int menus = 0;
};

class ImageFolders : public GUI::TrayServices {
public:
    ImageFolders() { Install(this); }
    ~ImageFolders() override { Install(nullptr); }
    QString GetImageFolder(const QString &kind) const override { return folders.value(kind); }
    void SetImageFolder(const QString &kind, const QString &folder) override { folders[kind] = folder; }
    QMap<QString, QString> folders;
};

// A w x h picture whose grey value rises left to right, saved as PNG.
inline QString WriteRamp(const QTemporaryDir &dir, const QString &name, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int grey = width > 1 ? x * 255 / (width - 1) : 255;
            image.setPixel(x, y, qRgb(grey, grey, grey));
        }
    const QString file = dir.filePath(name);
    EXPECT_TRUE(image.save(file, "PNG"));
    return file;
}

class ImagePanelTest {
protected:
    void OpenWindow()
    {
        guitest::Application();
        m_window = std::make_unique<GUI::PropertiesDialog>(nullptr, "props", true);
        m_window->show();
    }
    // Shows the page laid out, as a person sees it before clicking.
    void Settle()
    {
        m_window->resize(m_window->sizeHint());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        QApplication::processEvents();
    }
    template <class W>
    W *Child(const char *name) const
    {
        W *child = m_window->GetPanel()->findChild<W *>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    // Clicks the box's square: a short text leaves the middle of a wide box unclickable.
    void Toggle(const char *box)
    {
        QCheckBox *check = Child<QCheckBox>(box);
        QTest::mouseClick(check, Qt::LeftButton, Qt::NoModifier, QPoint(check->height() / 2, check->height() / 2));
    }
    // Types into a field and presses Return, as a person does.
    void Type(QLineEdit *field, const QString &text)
    {
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }
    void Type(const char *field, const QString &text) { Type(Child<QLineEdit>(field), text); }
    void TypeIntoSlider(const char *slider, const QString &text)
    {
        Type(Child<GUI::TextSlider>(slider)->GetEdit(), text);
    }
    // Presses the slider's handle and drags it to `percent` of the groove; `release` lets go.
    void Drag(const char *slider, int percent, bool release)
    {
        GUI::FloatSlider *bar = Child<GUI::TextSlider>(slider)->GetSlider();
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = bar->orientation();
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = option.sliderValue = bar->value();
        const QRect handle = bar->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, bar);
        QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, handle.center());
        const QRect groove = bar->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, bar);
        const int span = groove.width() - handle.width();
        const QPoint to(groove.left() + handle.width() / 2 + span * percent / 100, handle.center().y());
        QTest::mouseMove(bar, to);
        m_dragEnd = to;
        if (release)
            Release(slider);
    }
    void Release(const char *slider)
    {
        QTest::mouseRelease(Child<GUI::TextSlider>(slider)->GetSlider(), Qt::LeftButton, Qt::NoModifier, m_dragEnd);
    }
    qint64 PreviewKey() const { return Child<QLabel>("Image")->pixmap().cacheKey(); }

    QTemporaryDir m_dir;
    QPoint m_dragEnd;
    ImageModals m_modals;
    ImageFolders m_folders;
    std::unique_ptr<GUI::PropertiesDialog> m_window;
};

}  // namespace guitest
