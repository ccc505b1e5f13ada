#include "GuiApplication.h"
#include "gui/dialogs/Dialog.h"
#include "gui/dialogs/DialogFactory.h"
#include "gui/dialogs/SysInfoWindow.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QWhatsThis>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// A tool window class with its own chain that records which windows were refreshed.
class ToolWindow : public GUI::Dialog {
public:
    static constexpr const char *kClassName = "LayerList";
    using Factory = GUI::DialogFactoryOf<ToolWindow>;

    ToolWindow(QWidget *parent, const char *name) : GUI::Dialog(parent, name) { s_chain.Link(this); }
    ~ToolWindow() override { s_chain.Unlink(this); }

    void Refresh() override
    {
        s_refreshed.push_back(this);
        GUI::Dialog::Refresh();
    }

    static inline GUI::DialogChain s_chain;
    static inline std::vector<ToolWindow *> s_refreshed;
};

std::vector<GUI::Dialog *> Chain()
{
    std::vector<GUI::Dialog *> chain;
    for (GUI::Dialog *d = ToolWindow::s_chain.First(); d; d = d->GetNext())
        chain.push_back(d);
    return chain;
}

TEST(DialogChain, RefreshReachesEveryWindowAndDeletionRelinks)
{
    auto oldest = std::make_unique<ToolWindow>(nullptr, "one");
    auto middle = std::make_unique<ToolWindow>(nullptr, "two");
    auto newest = std::make_unique<ToolWindow>(nullptr, "three");
    EXPECT_EQ(Chain(), (std::vector<GUI::Dialog *>{newest.get(), middle.get(), oldest.get()}));

    ToolWindow::s_refreshed.clear();
    ToolWindow::s_chain.Refresh();
    EXPECT_EQ(ToolWindow::s_refreshed, (std::vector<ToolWindow *>{newest.get(), middle.get(), oldest.get()}));

    middle.reset();
    EXPECT_EQ(Chain(), (std::vector<GUI::Dialog *>{newest.get(), oldest.get()}));
    newest.reset();
    EXPECT_EQ(Chain(), (std::vector<GUI::Dialog *>{oldest.get()}));
    oldest.reset();
    EXPECT_EQ(ToolWindow::s_chain.First(), nullptr);
    ToolWindow::s_chain.Refresh();  // an empty chain refreshes nothing
}

TEST(DialogChain, TheWindowIsANodeNamedOnlyAsAQtObject)
{
    ToolWindow window(nullptr, "Layers");
    EXPECT_EQ(window.objectName(), "Layers");
    EXPECT_TRUE(window.GetName().isEmpty());
    EXPECT_TRUE(General::Node::IsLive(&window));
    EXPECT_FALSE(window.isModal());
}

// Help pages below a temporary current folder.
class DialogHelp : public testing::Test {
protected:
    void SetUp() override
    {
        m_previous = QDir::currentPath();
        QDir::setCurrent(m_folder.Path());
        QDir().mkpath(GUI::Dialog::HelpFolder());
    }
    void TearDown() override { QDir::setCurrent(m_previous); }

    static void WritePage(const QString &name, const QByteArray &text)
    {
        QFile file(GUI::Dialog::HelpFolder() + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    TempDir m_folder;
    QString m_previous;
};

TEST_F(DialogHelp, PagesAreNamedByWindowAndWidgetAndALabelSharesItsControlsPage)
{
    ToolWindow window(nullptr, "Tools");
    EXPECT_EQ(window.HelpPage("size"), "help/whatsthis/Tools.size.html");
    WritePage("Tools.size.html", "<b>Brush size</b>");
    EXPECT_EQ(window.GetWhatsThisText("size"), "<b>Brush size</b>");
    EXPECT_EQ(window.GetWhatsThisText("size_label"), "<b>Brush size</b>");
    // A name that is only the suffix asks for the page of the empty name.
    WritePage("Tools..html", "empty");
    EXPECT_EQ(window.GetWhatsThisText("_label"), "empty");
    EXPECT_TRUE(window.GetWhatsThisText("strength").isEmpty());
}

TEST_F(DialogHelp, TheWalkReachesNestedWidgetsAndKeepsTextsWithoutAPage)
{
    ToolWindow window(nullptr, "Tools");
    auto *group = new QWidget(&window);
    group->setObjectName("group");
    auto *size = new QLineEdit(group);
    size->setObjectName("size");
    auto *caption = new QLabel(group);
    caption->setObjectName("size_label");
    auto *other = new QLabel(&window);
    other->setObjectName("other");
    other->setWhatsThis("kept");
    WritePage("Tools.size.html", "size help");
    WritePage("Tools.group.html", "group help");

    window.SetWhatsThis(&window);
    EXPECT_EQ(size->whatsThis(), "size help");
    EXPECT_EQ(caption->whatsThis(), "size help");
    EXPECT_EQ(group->whatsThis(), "group help");
    EXPECT_EQ(other->whatsThis(), "kept");
}

TEST(DialogKeys, EscapeLeavesTheWindowOpenAndAltF1EntersWhatsThisMode)
{
    ToolWindow window(nullptr, "Tools");
    window.show();
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());
    window.reject();
    EXPECT_TRUE(window.isVisible());

    QTest::keyClick(&window, Qt::Key_F1);
    EXPECT_FALSE(QWhatsThis::inWhatsThisMode());
    QTest::keyClick(&window, Qt::Key_F1, Qt::AltModifier);
    EXPECT_TRUE(QWhatsThis::inWhatsThisMode());
    QWhatsThis::leaveWhatsThisMode();
}

// The window manager's close button sends a close event; a window that ignored it stayed on
// screen and kept the program alive after its main window had gone.
TEST(DialogKeys, TheCloseButtonClosesEveryToolWindow)
{
    ToolWindow tool(nullptr, "Tools");
    GUI::SysInfoWindow info(nullptr, QString(), QStringLiteral("report"));
    for (QWidget *window : {static_cast<QWidget *>(&tool), static_cast<QWidget *>(&info)}) {
        window->show();
        EXPECT_TRUE(window->close()) << window->metaObject()->className();
        EXPECT_FALSE(window->isVisible()) << window->metaObject()->className();
    }
}

TEST(DialogKeys, KeysOfAWatchedChildGoToTheWindowAndNotTheChild)
{
    ToolWindow window(nullptr, "Tools");
    auto *field = new QLineEdit(&window);
    field->installEventFilter(&window);
    window.show();
    QTest::keyClicks(field, "abc");
    EXPECT_TRUE(field->text().isEmpty());
    QTest::keyClick(field, Qt::Key_F1, Qt::AltModifier);
    EXPECT_TRUE(QWhatsThis::inWhatsThisMode());
    QWhatsThis::leaveWhatsThisMode();
    // Other events still reach the child.
    field->setText("x");
    EXPECT_EQ(field->text(), "x");
}

class DialogRegistry : public testing::Test {
protected:
    void TearDown() override { GUI::DialogFactory::Clear(); }
};

TEST_F(DialogRegistry, WindowsAreCreatedByTheirExactClassNameOnly)
{
    EXPECT_EQ(GUI::DialogFactory::CreateByName("LayerList", nullptr, "Layers"), nullptr);

    GUI::DialogFactory::Register(std::make_unique<ToolWindow::Factory>(), "LayerList", "Layers");
    ASSERT_EQ(GUI::DialogFactory::GetCount(), 1);
    EXPECT_EQ(GUI::DialogFactory::GetTitle(0), "Layers");

    std::unique_ptr<QWidget> window(GUI::DialogFactory::CreateByName("LayerList", nullptr, "my layers"));
    ASSERT_NE(dynamic_cast<ToolWindow *>(window.get()), nullptr);
    EXPECT_EQ(window->objectName(), "my layers");
    std::unique_ptr<QWidget> second(GUI::DialogFactory::CreateByName("LayerList", nullptr, "more"));
    EXPECT_NE(second.get(), window.get());

    for (const char *name : {"layerlist", "LAYERLIST", "LayerList ", " LayerList", "Layer", "Layers", ""})
        EXPECT_EQ(GUI::DialogFactory::CreateByName(name, nullptr, "x"), nullptr) << name;
}

TEST_F(DialogRegistry, AFactoryRefusesAnyNameButItsOwn)
{
    ToolWindow::Factory factory;
    EXPECT_EQ(factory.Create("MTray", nullptr, "x"), nullptr);
    std::unique_ptr<QWidget> window(factory.Create("LayerList", nullptr, "x"));
    EXPECT_NE(window, nullptr);
}

}  // namespace

TEST(SysInfoWindow, APerformanceReportComesFirstUnderItsHeading)
{
    EXPECT_EQ(GUI::SysInfoWindow::ComposeText(QString(), "report"), "report");
    EXPECT_EQ(GUI::SysInfoWindow::ComposeText("10 s", "report"), "PERFORMANCE\n10 s\nreport");
    GUI::SysInfoWindow window(nullptr, "10 s", "report");
    EXPECT_EQ(window.windowTitle(), "System Info");
    EXPECT_EQ(window.objectName(), "log");
    EXPECT_EQ(window.GetText(), "PERFORMANCE\n10 s\nreport");
    EXPECT_EQ(GUI::SysInfoWindow::Chain().First(), &window);
}
