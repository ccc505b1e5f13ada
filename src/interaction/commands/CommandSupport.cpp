#include "interaction/commands/CommandSupport.h"

#include "foundation/ShellServices.h"
#include "interaction/Interface.h"

#include <QCoreApplication>

namespace Commands {

QString Tr(const char *text) { return QCoreApplication::translate("Interface", text); }

void Status(const char *text, int state) { General::Shell().SetStatusMessage(Tr(text), state); }

bool RunAction(Operations::Operation &operation, char kind)
{
    return Interface::ExecuteOperation(&operation, Interface::UndoStack(), kind == 0, kind, true);
}

void ClearWorkingLists(Scene &scene)
{
    ForEachSceneLevel(scene, [](Object &, SubdivLevel &level) {
        level.m_aSelectedFaces.Clear();
        level.m_aMaskedFaces.Clear();
        level.m_aFaceVisibility.Clear();
    });
}

}  // namespace Commands
