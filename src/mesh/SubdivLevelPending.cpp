// The subdivision itself (new faces and vertices, Catmull-Clark positions, restoring faces
// from the swap files) is built with the level creation. Until then these refuse, so that
// mapping falls back cleanly where it would need them.
#include "mesh/SubdivLevel.h"

bool SubdivLevel::Subdivide(General::Store<unsigned int> &)
{
    Log(" Subdivision is not available.\n");
    return false;
}

bool SubdivLevel::UpdateCC(bool)
{
    Log(" Catmull-Clark positions are not available.\n");
    return false;
}

bool SubdivLevel::RestoreFaces(General::Store<unsigned int> &, bool, bool, const General::Store<bool> *, bool)
{
    Log(" Restoring faces is not available.\n");
    return false;
}
