#include "GuiApplication.h"
#include "gui/common/ModalDialogs.h"
#include "gui/editors/FloatSlider.h"
#include "gui/editors/PathSelector.h"
#include "gui/editors/TextSlider.h"
#include "gui/editors/VectorEditor.h"

#include <QApplication>
#include <QLineEdit>
#include <QStyle>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <climits>

namespace {

float Reported(const QSignalSpy &spy, int index = -1)
{
    return spy.at(index < 0 ? int(spy.size()) - 1 : index).at(0).toFloat();
}

TEST(FloatSlider, AValueSetInCodeKeepsItsPrecisionAndTheSameValueEmitsNothing)
{
    GUI::FloatSlider slider(2, nullptr, "strength");
    QSignalSpy spy(&slider, qOverload<float>(&GUI::FloatSlider::valueChanged));
    slider.setValue(0.456f);
    EXPECT_EQ(slider.value(), 45);
    EXPECT_EQ(slider.GetValue(), 0.456f);
    ASSERT_EQ(spy.size(), 1);
    EXPECT_EQ(Reported(spy), 0.456f);

    slider.setValue(0.456f);
    EXPECT_EQ(spy.size(), 1);
    // A value on the same position still reaches the owner.
    slider.setValue(0.4571f);
    ASSERT_EQ(spy.size(), 2);
    EXPECT_EQ(Reported(spy), 0.4571f);
    EXPECT_EQ(slider.pageStep(), 1000);
}

TEST(FloatSlider, EveryPositionDraggedToIsReportedAsItself)
{
    // A drag within the same whole number still moves the value, whatever the decimals.
    for (int decimals = 0; decimals <= 4; ++decimals) {
        GUI::FloatSlider slider(decimals, nullptr, "size");
        const int scale = int(std::pow(10, decimals));
        slider.SetRange(0.0f, 10.0f);
        slider.setValue(3.0f);
        QSignalSpy spy(&slider, qOverload<float>(&GUI::FloatSlider::valueChanged));
        for (int position : {3 * scale + 1, 3 * scale + scale / 2, 4 * scale, 0}) {
            slider.setSliderPosition(position);
            EXPECT_FLOAT_EQ(slider.GetValue(), float(position) / float(scale)) << decimals << " " << position;
            EXPECT_FLOAT_EQ(Reported(spy), slider.GetValue());
        }
    }
}

TEST(FloatSlider, ADoubleClickMakesTheValueTheTopOfTheRange)
{
    GUI::FloatSlider slider(1, nullptr, "opacity");
    slider.setValue(0.3f);
    QSignalSpy clicks(&slider, &GUI::FloatSlider::doubleClicked);
    QTest::mouseDClick(&slider, Qt::LeftButton);
    EXPECT_EQ(clicks.size(), 1);
    EXPECT_EQ(slider.GetMinimum(), 0.0f);
    EXPECT_EQ(slider.GetMaximum(), 0.3f);
    EXPECT_EQ(slider.maximum(), 3);
}

class TypedValue : public testing::Test {
protected:
    void Type(const QString &text)
    {
        m_slider.GetEdit()->clear();
        QTest::keyClicks(m_slider.GetEdit(), text);
        QTest::keyClick(m_slider.GetEdit(), Qt::Key_Return);
    }

    GUI::TextSlider m_slider{0, nullptr, "size"};
    QSignalSpy m_spy{&m_slider, &GUI::TextSlider::valueChanged};

    void SetUp() override
    {
        m_slider.SetRange(0.0f, 100.0f);
        m_slider.setValue(20.0f);
        m_spy.clear();
    }
};

TEST_F(TypedValue, AValueAboveTheRangeWidensIt)
{
    Type("150");
    EXPECT_EQ(m_slider.GetSlider()->GetMaximum(), 150.0f);
    EXPECT_EQ(m_slider.GetSlider()->value(), 150);
    EXPECT_EQ(m_slider.GetValue(), 150.0f);
    EXPECT_EQ(m_slider.GetEdit()->text(), "150");
    ASSERT_EQ(m_spy.size(), 1);
    EXPECT_EQ(Reported(m_spy), 150.0f);

    Type("-5");
    EXPECT_EQ(m_slider.GetSlider()->GetMinimum(), -5.0f);
    EXPECT_EQ(m_slider.GetSlider()->GetMaximum(), 150.0f);
    EXPECT_EQ(m_slider.GetSlider()->value(), -5);
}

TEST_F(TypedValue, WithoutFollowingTheFieldShowsTheMaximum)
{
    m_slider.SetRangeFollowsValue(false);
    Type("150");
    EXPECT_EQ(m_slider.GetSlider()->GetMaximum(), 100.0f);
    EXPECT_EQ(m_slider.GetEdit()->text(), "100");
    EXPECT_EQ(m_slider.GetSlider()->value(), 100);
}

TEST_F(TypedValue, AHugeValueWidensTheRangeToTheLargestPosition)
{
    GUI::TextSlider fine(2, nullptr, "scale");
    fine.GetEdit()->setText("1e12");
    fine.textChanged();
    EXPECT_EQ(fine.GetSlider()->GetMaximum(), 1e12f);
    EXPECT_EQ(fine.GetSlider()->maximum(), INT_MAX);
    EXPECT_EQ(fine.GetSlider()->value(), INT_MAX);
    EXPECT_EQ(fine.GetValue(), 1e12f);

    fine.setValue(-1e12f);
    EXPECT_EQ(fine.GetSlider()->minimum(), INT_MIN);
    EXPECT_EQ(fine.GetSlider()->value(), INT_MIN);
}

TEST_F(TypedValue, TextThatIsNotANumberChangesNothing)
{
    for (const char *text : {"abc", "", "1,5,"}) {
        m_slider.GetEdit()->setText(text);
        m_slider.textChanged();
        EXPECT_EQ(m_slider.GetValue(), 20.0f) << text;
    }
    EXPECT_EQ(m_spy.size(), 0);
}

TEST_F(TypedValue, ADragUpdatesTheFieldBeforeTheOwnerHearsOfIt)
{
    QString shownWhenHeard;
    QObject::connect(&m_slider, &GUI::TextSlider::valueChanged,
                     [&] { shownWhenHeard = m_slider.GetEdit()->text(); });
    m_slider.GetSlider()->setSliderPosition(42);
    EXPECT_EQ(shownWhenHeard, "42");
    EXPECT_EQ(m_slider.GetValue(), 42.0f);
}

// The field shows the whole number: a strength of 100 with three decimals is not cut to
// "00.000", also when the slider's row is squeezed narrow, as in a floating window.
TEST(TextSlider, TheFieldShowsTheWholeValue)
{
    guitest::Application();
    for (int squeezed : {0, 90}) {
        GUI::TextSlider slider(3, nullptr, "Strength");
        slider.SetRange(0.0f, 100.0f);
        slider.setValue(100.0f);
        slider.show();
        if (squeezed > 0)
            slider.resize(squeezed, slider.height());
        QApplication::processEvents();
        const QLineEdit *edit = slider.GetEdit();
        ASSERT_EQ(edit->text(), QStringLiteral("100.000"));
        const int frame = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit);
        // The line edit's own margin of 2 on each side, inside its frame.
        EXPECT_GE(edit->width() - 2 * frame - 4, edit->fontMetrics().horizontalAdvance(edit->text())) << squeezed;
    }
}

TEST(VectorEditor, AnglesAreShownInDegreesAndStoredInRadians)
{
    float rotation[3] = {3.1415f, 0.0f, -1.57075f};
    GUI::VectorEditor editor(nullptr, "Rotate");
    editor.SetAngles(true);
    editor.SetValue(rotation);
    EXPECT_EQ(editor.GetField(0)->text(), "180.000");
    EXPECT_EQ(editor.GetField(1)->text(), "0.000");
    EXPECT_EQ(editor.GetField(2)->text(), "-90.000");

    QSignalSpy spy(&editor, &GUI::VectorEditor::valueChanged);
    editor.GetField(1)->setText("90");
    editor.SetY();
    EXPECT_FLOAT_EQ(rotation[1], 1.57075f);
    EXPECT_EQ(spy.size(), 1);
    editor.GetField(1)->setText("x");
    editor.SetY();
    EXPECT_FLOAT_EQ(rotation[1], 1.57075f);
    EXPECT_EQ(spy.size(), 1);
}

TEST(VectorEditor, PlainValuesAreWrittenAsTypedAndNothingIsWrittenWithoutATarget)
{
    GUI::VectorEditor editor(nullptr, "Translate");
    QSignalSpy spy(&editor, &GUI::VectorEditor::valueChanged);
    editor.GetField(0)->setText("2.5");
    editor.SetX();
    EXPECT_EQ(spy.size(), 0);

    float translate[3] = {1.0f, 2.0f, 3.0f};
    editor.SetValue(translate);
    EXPECT_EQ(editor.GetField(2)->text(), "3.000");
    editor.GetField(2)->setText("-7.25");
    editor.SetZ();
    EXPECT_EQ(translate[2], -7.25f);
    EXPECT_EQ(translate[0], 1.0f);
    EXPECT_EQ(spy.size(), 1);
}

TEST(FileSelector, TheDirectoryEndsInOneSeparator)
{
    struct Case {
        const char *typed, *directory;
    };
    GUI::FileSelector selector(0);
    for (const Case &c : {Case{"", ""}, Case{"/maps", "/maps/"}, Case{"/maps/", "/maps/"}, Case{"C:\\maps\\", "C:\\maps\\"}}) {
        selector.GetEdit()->setText(c.typed);
        EXPECT_EQ(selector.GetDirectory(), c.directory) << c.typed;
    }
}

// The folder question as the tests answer it: the caption asked, the folder given back.
class FolderAnswer : public GUI::ModalDialogs {
public:
    FolderAnswer() { Install(this); }
    ~FolderAnswer() override { Install(nullptr); }
    QString GetExistingDirectory(QWidget *, const QString &caption, const QString &) override
    {
        captions << caption;
        return folder;
    }
    QString folder;
    QStringList captions;
};

TEST(FileSelector, TheChosenFolderFillsTheFieldAndCancellingKeepsThePath)
{
    FolderAnswer answer;
    GUI::FileSelector selector(0);
    selector.GetEdit()->setText("/work/maps");
    QTest::mouseClick(selector.GetButton(), Qt::LeftButton);
    EXPECT_EQ(answer.captions, QStringList{"Choose a directory for output maps"});
    EXPECT_EQ(selector.GetEdit()->text(), "/work/maps");

    answer.folder = "/work/out";
    QTest::mouseClick(selector.GetButton(), Qt::LeftButton);
    EXPECT_EQ(selector.GetDirectory(), "/work/out/");
}

TEST(FileSelector, TheFieldAndButtonShareTheWidth)
{
    GUI::FileSelector selector(1);
    selector.resize(200, 24);
    selector.show();
    EXPECT_EQ(selector.GetEdit()->size(), QSize(165, 24));
    EXPECT_EQ(selector.GetButton()->geometry(), QRect(170, 0, 30, 24));
    EXPECT_EQ(selector.GetButton()->text(), "...");
    // Another mode opens nothing: the click returns at once.
    QTest::mouseClick(selector.GetButton(), Qt::LeftButton);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
