// The main window's dock frames: the trays and tool panels around the 3D view.
#include "app/window/Tevrin.h"

#include "app/settings/Preferences.h"
#include "app/window/DefaultTrays.h"
#include "foundation/Globals.h"
#include "gui/dialogs/DialogFactory.h"
#include "gui/panels/Frame.h"
#include "gui/panels/TabPanel.h"
#include "gui/trays/MTray.h"
#include "gui/trays/TrayFile.h"

#include <algorithm>
#include <tuple>
#include <utility>

namespace {

struct FrameSpec {
    const char *name;
    Qt::DockWidgetArea area;
};

constexpr FrameSpec kFrames[] = {
    {"North", Qt::BottomDockWidgetArea},
    {"South", Qt::BottomDockWidgetArea},
    {"East", Qt::RightDockWidgetArea},
    {"West", Qt::RightDockWidgetArea},
};

// What a dock and its tab panel take around a panel's width.
constexpr int kTabFrameWidth = 12;

}  // namespace

GUI::Frame *Tevrin::GetFrame(const QString &name) const
{
    for (GUI::Frame *frame : m_lFrames)
        if (frame->objectName() == name)
            return frame;
    return nullptr;
}

void Tevrin::CreateFrames()
{
    // Trays read and write their files in the settings folder.
    General::TraysFolder() = m_pPreferences ? m_pPreferences->SettingFiles : QString();
    for (const FrameSpec &spec : kFrames) {
        auto *frame = new GUI::Frame(this, QString::fromLatin1(spec.name), tr(spec.name));
        addDockWidget(spec.area, frame);
        m_lFrames << frame;
    }
    GUI::Frame *north = GetFrame(QStringLiteral("North"));
    GUI::Frame *south = GetFrame(QStringLiteral("South"));
    GUI::Frame *east = GetFrame(QStringLiteral("East"));
    GUI::Frame *west = GetFrame(QStringLiteral("West"));
    const auto tray = [this](GUI::Frame *frame, const QString &name) {
        auto *made = new GUI::MTray(this, name);
        frame->AddTab(made, name);
        return made;
    };

    DefaultTrays::FillFalloffs(*tray(south, QStringLiteral("Falloff")));
    DefaultTrays::FillImages(*tray(south, QStringLiteral("Stamp")), QStringLiteral("Stamp"),
                             m_pPreferences ? m_pPreferences->StampFiles : QString());
    DefaultTrays::FillImages(*tray(south, QStringLiteral("Stencil")), QStringLiteral("Stencil"),
                             m_pPreferences ? m_pPreferences->StencilFiles : QString());
    // The panels join once their classes are registered.
    int sideWidth = 250;
    for (const auto &[frame, className, title] :
         {std::tuple{east, "LayerList", "Layers"}, std::tuple{east, "SceneInfoDialog", "Object List"},
          std::tuple{west, "PropertiesDialog", "Properties"}})
        if (QWidget *panel = GUI::DialogFactory::CreateByName(QString::fromLatin1(className), nullptr, title)) {
            frame->AddTab(panel, tr(title));
            // The side docks open wide enough for every column of the layers.
            if (QLatin1String(className) == QLatin1String("LayerList"))
                sideWidth = std::max(sideWidth, panel->sizeHint().width() + kTabFrameWidth);
        }

    DefaultTrays::FillMyTools(*tray(north, QStringLiteral("My Tools")));
    DefaultTrays::FillCategory(*tray(north, QStringLiteral("Sculpting Tools")),
                               {QStringLiteral("sculpting"), QStringLiteral("deform")});
    DefaultTrays::FillCategory(*tray(north, QStringLiteral("Selection Tools")),
                               {QStringLiteral("selection"), QStringLiteral("transform")});
    DefaultTrays::FillCategory(*tray(north, QStringLiteral("Value Paint Tools")), {QStringLiteral("propPaint")});
    for (const QString &name : DefaultTrays::ExtraTrayNames(General::TraysFolder()))
        tray(south, name);

    for (GUI::Frame *frame : {north, south, east, west})
        frame->GetPanel()->setCurrentIndex(0);
    resizeDocks({north, south}, {20, 20}, Qt::Vertical);
    resizeDocks({east, west}, {sideWidth, sideWidth}, Qt::Horizontal);
}

void Tevrin::DeleteFrames()
{
    for (GUI::Frame *frame : std::exchange(m_lFrames, {}))
        delete frame;
}

GUI::MTray *Tevrin::OpenTray(const QString &fileName)
{
    const QString name = GUI::TrayNameOfFile(fileName);
    if (!GUI::IsValidTrayName(name))
        return nullptr;
    if (GUI::MTray *open = GUI::FindTray(name)) {
        open->BringForward();
        return open;
    }
    GUI::Frame *south = GetFrame(QStringLiteral("South"));
    if (!south)
        return nullptr;
    auto *made = new GUI::MTray(this, name);
    south->AddTab(made, name);
    made->BringForward();
    return made;
}
