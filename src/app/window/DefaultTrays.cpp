#include "app/window/DefaultTrays.h"

#include "gui/trays/MTray.h"
#include "gui/trays/TrayFile.h"
#include "gui/trays/TrayItem.h"
#include "scene/Brush.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

namespace DefaultTrays {

namespace {

// The default tool table keeps a tool's category word in its group; its icon is named by it.
QString Category(const Brush &tool) { return tool.m_sIconName.isEmpty() ? tool.m_sGroup : tool.m_sIconName; }

std::unique_ptr<GUI::TrayItem> ToolItem(const Brush &tool, const QString &tip)
{
    return std::make_unique<GUI::BrushItem>(tool.m_sName, tool.IconPath(), QString(), tip);
}

bool HasName(const GUI::MTray &tray, const QString &name)
{
    for (const GUI::TrayItem *item : tray.GetItems())
        if (item->GetName() == name)
            return true;
    return false;
}

}  // namespace

void FillFalloffs(GUI::MTray &tray)
{
    const int curves = int(Brush::Falloffs().size());
    if (!tray.GetItems().empty() && int(tray.GetItems().size()) >= curves)
        return;
    for (int i = 0; i < curves; ++i)
        if (!HasName(tray, QString::number(i)))
            tray.AddItem(std::make_unique<GUI::FalloffItem>(QString::number(i), QString(), QString()));
}

void FillImages(GUI::MTray &tray, const QString &kind, const QString &folder)
{
    const bool empty = tray.GetItems().empty();
    if (!HasName(tray, QStringLiteral("OFF")))
        tray.InsertItem(GUI::CreateTrayItem(kind, QStringLiteral("OFF"), GUI::OffIcon(), QStringLiteral("Off")), 0);
    if (!empty || folder.isEmpty())
        return;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo &file : files)
        tray.AddItem(GUI::CreateTrayItem(kind, file.filePath(), file.filePath(), file.baseName()));
}

void FillMyTools(GUI::MTray &tray)
{
    if (tray.GetItems().empty()) {
        for (const auto &tool : Brush::Tools())
            if (!tool->m_bHidden)
                tray.AddItem(ToolItem(*tool, tool->m_sDescription));
        return;
    }
    // The tools added since the first trays were written, at their places (-1: appended).
    static const std::pair<const char *, int> kPlaces[] = {{"Flatten", 5}, {"Stamp", 6},      {"Erase", -1},
                                                            {"Soft B", 1},  {"Smear", 8},      {"Translate", 12},
                                                            {"Rotate", 13}, {"Scale", 14}};
    for (const auto &[name, place] : kPlaces) {
        const QString toolName = QString::fromLatin1(name);
        if (HasName(tray, toolName))
            continue;
        const Brush *tool = Brush::Find(toolName);
        if (!tool)
            continue;
        if (place < 0)
            tray.AddItem(ToolItem(*tool, QString()));
        else
            tray.InsertItem(ToolItem(*tool, QString()), place);
    }
}

void FillCategory(GUI::MTray &tray, const QStringList &iconNames)
{
    if (!tray.GetItems().empty())
        return;
    for (const auto &tool : Brush::Tools())
        if (iconNames.contains(Category(*tool)))
            tray.AddItem(ToolItem(*tool, tool->m_sDescription));
}

const QStringList &BuiltInTrayNames()
{
    static const QStringList names = {QStringLiteral("Falloff"),           QStringLiteral("My Tools"),
                                      QStringLiteral("Sculpting Tools"),   QStringLiteral("Selection Tools"),
                                      QStringLiteral("Value Paint Tools"), QStringLiteral("Texture Paint Tools"),
                                      QStringLiteral("Stamp"),             QStringLiteral("Stencil")};
    return names;
}

QStringList ExtraTrayNames(const QString &folder)
{
    QStringList names;
    const QStringList files = QDir(folder + QStringLiteral("/trays")).entryList(QDir::Files, QDir::Name);
    for (const QString &file : files) {
        const QString name = GUI::TrayNameOfFile(file);
        if (GUI::IsValidTrayName(name) && !BuiltInTrayNames().contains(name) && !names.contains(name))
            names << name;
    }
    return names;
}

}  // namespace DefaultTrays
