// The "Hotkeys" window over a live handler table: typed keys and ticked boxes become the
// handler's code, a clash asks once, and an edit leaves every other row's code alone.
#include "GuiApplication.h"
#include "gui/common/ModalDialogs.h"
#include "gui/dialogs/HotkeyEditor.h"
#include "gui/dialogs/KeyText.h"
#include "interaction/Interface.h"
#include "scene/Scene.h"
#include "support/RecordingShell.h"

#include <QApplication>
#include <QCheckBox>
#include <QScrollArea>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// Answers every clash question and records it; `during` runs inside the question.
class ScriptedQuestions : public GUI::ModalDialogs {
public:
    bool AskYesNo(QWidget *, const QString &title, const QString &text) override
    {
        asked << title + QLatin1Char('|') + text;
        if (during)
            during();
        return answer;
    }
    QStringList asked;
    bool answer = true;
    std::function<void()> during;
};

TEST(KeyText, ShownTextsAndTypedWords)
{
    struct Case {
        uint32_t code;
        const char *shown;
    };
    const Case cases[] = {
        {0x41, "A"},          {0x4005a, "Z"},        {0x1000007, "Del"},  {0x21000007, "Del"}, {32, "Spc"},
        {0x1000003, "Bksp"},  {0x1000004, "Enter"},  {0x1000016, "PgUp"}, {0x1000017, "PgDn"}, {0x100, ""},
        {0x1000030, "F1"},    {0x1000000, "Esc"},    {0, ""},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(GUI::KeyCodeToText(c.code), QLatin1String(c.shown)) << std::hex << c.code;
        // What is shown reads back to the same key.
        uint32_t key = 0;
        if (*c.shown)
            EXPECT_TRUE(GUI::TextToKeyPart(QLatin1String(c.shown), key) && key == (c.code & GUI::kKeyPartMask))
                << c.shown;
    }
    struct Typed {
        const char *text;
        bool known;
        uint32_t key;
    };
    const Typed typed[] = {{"a", true, 0x41},         {"DEL", true, 0x1000007}, {"pgdn", true, 0x1000017},
                           {"f1", true, 0x1000030},   {"esc", true, 0x1000000}, {"", false, 0},
                           {"nonsense", false, 0},    {"Ctrl+A", false, 0}};
    for (const Typed &t : typed) {
        uint32_t key = 0;
        EXPECT_EQ(GUI::TextToKeyPart(QLatin1String(t.text), key), t.known) << t.text;
        if (t.known)
            EXPECT_EQ(key, t.key) << t.text;
    }
}

class HotkeyEditorTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(guitest::Application(), nullptr);
        ASSERT_TRUE(m_temp.isValid());
        Recorder().tempFolder = m_temp.path();
        m_scene = std::make_unique<Scene>();
        m_interface = std::make_unique<Interface>();
        GUI::ModalDialogs::Install(&m_questions);
    }
    void TearDown() override
    {
        m_editor.reset();
        GUI::ModalDialogs::Install(nullptr);
        m_interface.reset();
        m_scene.reset();
    }

    Handler &H(const char *name) { return *m_interface->m_cEventHandler.FindHandlerByName(name); }
    void Open() { m_editor = std::make_unique<GUI::HotkeyEditor>(nullptr, "hotkeys"); }
    QLineEdit *Key(const char *name) { return m_editor->findChild<QLineEdit *>(QLatin1String(name)); }
    QCheckBox *Box(const char *kind, const char *name)
    {
        return m_editor->findChild<QCheckBox *>(QStringLiteral("%1_%2").arg(QLatin1String(kind), QLatin1String(name)));
    }
    void Type(const char *name, const char *text)
    {
        Key(name)->setText(QLatin1String(text));
        emit Key(name)->editingFinished();
    }

    QTemporaryDir m_temp;
    std::unique_ptr<Scene> m_scene;
    std::unique_ptr<Interface> m_interface;
    ScriptedQuestions m_questions;
    std::unique_ptr<GUI::HotkeyEditor> m_editor;
};

TEST_F(HotkeyEditorTest, EveryHandlerHasARowShowingItsCode)
{
    Open();
    EventHandler &handlers = m_interface->m_cEventHandler;
    for (unsigned i = 0; i < handlers.GetHandlerCount(); ++i) {
        const Handler &handler = handlers.GetHandler(i);
        QLineEdit *key = Key(handler.m_sID);
        ASSERT_NE(key, nullptr) << handler.m_sID;
        EXPECT_EQ(key->text(), GUI::KeyCodeToText(handler.m_iKey));
        EXPECT_EQ(m_editor->RowCode(int(i)), handler.m_iKey) << handler.m_sID;
    }
    // "Draw" is the left button alone: no key text, LMB ticked.
    EXPECT_EQ(H("Draw").m_iKey, 0x100u);
    EXPECT_EQ(Key("Draw")->text(), QString());
    EXPECT_TRUE(Box("LMB", "Draw")->isChecked());
    EXPECT_FALSE(Box("ctrl", "Draw")->isChecked());
    EXPECT_TRUE(Box("ctrl", "Undo")->isChecked());
}

// Opened, the window shows every column whole: the right-button boxes are not cut off.
TEST_F(HotkeyEditorTest, TheFirstSizeShowsEveryColumn)
{
    Open();
    m_editor->show();
    QApplication::processEvents();
    auto *scroll = m_editor->findChild<QScrollArea *>();
    ASSERT_NE(scroll, nullptr);
    for (const char *kind : {"ctrl", "RMB"}) {
        QCheckBox *box = Box(kind, "Draw");
        ASSERT_NE(box, nullptr) << kind;
        const int left = box->mapTo(scroll->viewport(), QPoint(0, 0)).x();
        EXPECT_GE(left, 0) << kind;
        EXPECT_LE(left + box->width(), scroll->viewport()->width()) << kind;
    }
}

TEST_F(HotkeyEditorTest, TypedKeysAndTickedBoxesBecomeTheCode)
{
    Open();
    Type("Close curve", "a");
    EXPECT_EQ(H("Close curve").m_iKey, 0x41u);
    EXPECT_EQ(Key("Close curve")->text(), QStringLiteral("A"));
    // "Focus on selection" held A: asked once, and it lost its key.
    ASSERT_EQ(m_questions.asked.size(), 1);
    EXPECT_TRUE(m_questions.asked[0].contains(QStringLiteral("Focus on selection")));
    EXPECT_EQ(H("Focus on selection").m_iKey, 0u);
    EXPECT_EQ(Key("Focus on selection")->text(), QString());

    Type("Duplicate curve", "DEL");
    EXPECT_EQ(H("Duplicate curve").m_iKey, 0x1000007u);
    EXPECT_EQ(Key("Duplicate curve")->text(), QStringLiteral("Del"));
    EXPECT_EQ(H("Delete faces").m_iKey, 0u);

    // A word outside the list leaves only the ticked boxes.
    Type("Duplicate curve", "nonsense");
    EXPECT_EQ(H("Duplicate curve").m_iKey, 0u);
}

TEST_F(HotkeyEditorTest, CtrlZClashesWithUndoAndTheAnswerDecides)
{
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        H("Undo").m_iKey = 0x4005a;
        H("Hide all").m_iKey = 0;
        m_questions.asked.clear();
        m_questions.answer = yes;
        Open();
        Type("Hide all", "z");
        EXPECT_EQ(H("Hide all").m_iKey, 0x5au);
        Box("ctrl", "Hide all")->setChecked(true);
        ASSERT_EQ(m_questions.asked.size(), 1);
        EXPECT_EQ(m_questions.asked[0], QStringLiteral("Hotkeys|Warning: this hotkey is already used for\nUndo\n"
                                                       "Do you want to override this setting?"));
        EXPECT_EQ(H("Hide all").m_iKey, yes ? 0x4005au : 0x5au);
        EXPECT_EQ(H("Undo").m_iKey, yes ? 0u : 0x4005au);
        // The rows show what was decided.
        EXPECT_EQ(Box("ctrl", "Hide all")->isChecked(), yes);
        EXPECT_EQ(Box("ctrl", "Undo")->isChecked(), !yes);
        EXPECT_EQ(Key("Undo")->text(), yes ? QString() : QStringLiteral("Z"));
    }
}

TEST_F(HotkeyEditorTest, AnEditLeavesOtherRowsAndFunctionKeysAlone)
{
    H("Hide all").m_iKey = 0x1000030;          // F1
    H("Hide unselected").m_iKey = 0x1000000;  // Esc
    EventHandler &handlers = m_interface->m_cEventHandler;
    std::vector<uint32_t> before;
    for (unsigned i = 0; i < handlers.GetHandlerCount(); ++i)
        before.push_back(handlers.GetHandler(i).m_iKey);
    Open();
    EXPECT_EQ(Key("Hide all")->text(), QStringLiteral("F1"));
    EXPECT_EQ(Key("Hide unselected")->text(), QStringLiteral("Esc"));
    Type("Close curve", "K");
    for (unsigned i = 0; i < handlers.GetHandlerCount(); ++i) {
        const Handler &handler = handlers.GetHandler(i);
        if (std::strcmp(handler.m_sID, "Close curve") != 0)
            EXPECT_EQ(handler.m_iKey, before[i]) << handler.m_sID;
    }
    EXPECT_EQ(H("Close curve").m_iKey, 0x4bu);
    // Function keys are typed by name too.
    Type("Duplicate curve", "f2");
    EXPECT_EQ(H("Duplicate curve").m_iKey, 0x1000031u);
}

TEST_F(HotkeyEditorTest, TheQuestionCannotApplyTheEditTwice)
{
    Open();
    // The line edit loses its focus to the question box, which finishes its editing again.
    m_questions.during = [this] { emit Key("Close curve")->editingFinished(); };
    Type("Close curve", "a");
    EXPECT_EQ(m_questions.asked.size(), 1);
    EXPECT_EQ(H("Close curve").m_iKey, 0x41u);
}

}  // namespace

TEST_F(HotkeyEditorTest, EscapeAndTheCloseButtonCloseTheWindow)
{
    Open();
    m_editor->show();
    QTest::keyClick(m_editor.get(), Qt::Key_Escape);
    EXPECT_FALSE(m_editor->isVisible());
    m_editor->show();
    QTest::keyClick(Key("Undo"), Qt::Key_Escape);
    EXPECT_FALSE(m_editor->isVisible()) << "Escape typed in a key field";
    m_editor->show();
    EXPECT_TRUE(m_editor->close());
    EXPECT_FALSE(m_editor->isVisible());
}
