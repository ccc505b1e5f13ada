#include "interaction/commands/UnrecordedChange.h"

#include "interaction/Interface.h"
#include "scene/Scene.h"

void MarkUnrecordedChange()
{
    Interface::ClearHistory();
    Interface::s_bUnrecordedChange = true;
    if (Scene *scene = Scene::GetCurrent())
        scene->m_bModified = true;
}
