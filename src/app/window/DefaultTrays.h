#pragma once
// What the main window's trays hold on a first run, and what some trays must always hold:
// the falloff indices, the "OFF" stamp or stencil, the tools of "My Tools" and of the
// category trays. Each call works on a tray that has already read its file.

#include <QString>
#include <QStringList>

namespace GUI {
class MTray;
}

namespace DefaultTrays {

// One item per falloff curve, "0" to count - 1, when the tray holds fewer.
void FillFalloffs(GUI::MTray &tray);
// `kind` "Stamp" or "Stencil": "OFF" at the front, and when the tray was empty the images
// of `folder`.
void FillImages(GUI::MTray &tray, const QString &kind, const QString &folder);
// Every tool that is not user-made when empty; else the listed tools it lacks, each at its place.
void FillMyTools(GUI::MTray &tray);
// When empty, every tool whose icon name is one of `iconNames`.
void FillCategory(GUI::MTray &tray, const QStringList &iconNames);
// The trays the program always makes.
const QStringList &BuiltInTrayNames();
// The names of the user's own trays: one per file of "<folder>/trays", the name up to the
// first ".", leaving out the built-in trays and names that cannot name a tray.
QStringList ExtraTrayNames(const QString &folder);

}  // namespace DefaultTrays
