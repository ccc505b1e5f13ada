// The file and window commands through the real main window, with Qt's file dialogs
// replaced by scripted answers.
#include "WindowFixture.h"

#include "gui/common/ModalDialogs.h"
#include "interaction/Interface.h"
#include "mesh/object/Object.h"
#include "scene/Scene.h"

#include <QDialog>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>

namespace {

class ScriptedModals : public GUI::ModalDialogs {
public:
    QString GetSaveFileName(QWidget *, const QString &, const QString &, const QString &filter,
                            QString &chosenFilter) override
    {
        chosenFilter = filter;
        return save;
    }
    QString GetOpenFileName(QWidget *, const QString &, const QString &, const QString &) override { return open; }
    // Our own option dialogs: the title is noted, then OK is pressed or the dialog cancelled.
    bool Run(QDialog &dialog) override
    {
        ran << dialog.windowTitle();
        if (!accept)
            return false;
        dialog.findChild<QPushButton *>(QStringLiteral("OK"))->click();
        return dialog.result() == QDialog::Accepted;
    }
    QString save;
    QString open;
    QStringList ran;
    bool accept = false;
};

class FileWindowTest : public apptest::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        GUI::ModalDialogs::Install(&m_modals);
    }
    void TearDown() override
    {
        GUI::ModalDialogs::Install(nullptr);
        MainWindowTest::TearDown();
    }
    ScriptedModals m_modals;
};

TEST_F(FileWindowTest, SaveAsAndOpenNameTheWindowAndJoinTheRecentFiles)
{
    REQUIRE_WINDOW_GL();
    Build();
    apptest::WriteTorus(File(QStringLiteral("torus.obj")), 6, 4);
    m_window->GetInterface()->OpenFile(false, File(QStringLiteral("torus.obj")), 0);
    ASSERT_EQ(m_window->GetScene()->GetObjectCount(), 1);
    m_modals.save = File(QStringLiteral("saved scene"));
    m_window->GetInterface()->RunCommand("Save scene as");
    const QString saved = File(QStringLiteral("saved scene.tev"));
    ASSERT_TRUE(QFileInfo::exists(saved));
    EXPECT_TRUE(m_window->windowTitle().endsWith(QStringLiteral(" - ") + saved)) << qPrintable(m_window->windowTitle());
    EXPECT_EQ(m_window->GetRecentFiles().Files().front(), saved);

    m_window->GetInterface()->RunCommand("New scene");
    EXPECT_EQ(m_window->GetScene()->GetObjectCount(), 0);
    EXPECT_FALSE(m_window->windowTitle().contains(QLatin1String(" - ")));

    m_modals.open = saved;
    m_window->GetInterface()->RunCommand("Open");
    EXPECT_EQ(m_window->GetScene()->GetObjectCount(), 1);
    EXPECT_TRUE(m_window->windowTitle().endsWith(saved));
    m_window->GetRecentFiles().Clear();
}

TEST_F(FileWindowTest, FullScreenTogglesWithMaximisedAndTextureBakeShowsItsWindow)
{
    REQUIRE_WINDOW_GL();
    Build();
    m_window->GetInterface()->RunCommand("Full screen");
    EXPECT_TRUE(m_window->isFullScreen());
    m_window->GetInterface()->RunCommand("Full screen");
    EXPECT_FALSE(m_window->isFullScreen());
    EXPECT_TRUE(m_window->isMaximized());

    m_window->GetInterface()->RunCommand("Texture bake");
    bool shown = false;
    for (QWidget *widget : m_window->findChildren<QWidget *>())
        shown = shown || (widget->windowTitle() == QLatin1String("Texture Baking") && widget->isVisible());
    EXPECT_TRUE(shown);
}

TEST_F(FileWindowTest, LayerImportsAndLevelExportsAskTheirOptionsAndACancelDoesNothing)
{
    REQUIRE_WINDOW_GL();
    Build();
    const QString torus = File(QStringLiteral("torus.obj"));
    apptest::WriteTorus(torus, 6, 4);
    Interface &controller = *m_window->GetInterface();
    controller.OpenFile(false, torus, 0);
    ASSERT_EQ(m_window->GetScene()->GetObjectCount(), 1);
    const Object *object = m_window->GetScene()->GetObject(0);
    const int layers = object->LayerCount();

    controller.OpenFile(true, torus, 1);
    EXPECT_EQ(m_modals.ran, QStringList({"Import Options"}));
    EXPECT_EQ(object->LayerCount(), layers);
    m_modals.accept = true;
    controller.OpenFile(true, torus, 1);
    EXPECT_EQ(object->LayerCount(), layers + 1);

    controller.RunCommand("Select all");
    m_modals.ran.clear();
    m_modals.accept = false;
    m_modals.save = File(QStringLiteral("levels.bio"));
    controller.RunCommand("Export levels");
    EXPECT_EQ(m_modals.ran, QStringList({"Export Options"}));
    EXPECT_FALSE(QFileInfo::exists(m_modals.save));
    m_modals.accept = true;
    controller.RunCommand("Export levels");
    EXPECT_TRUE(QFileInfo::exists(m_modals.save));
}

}  // namespace
