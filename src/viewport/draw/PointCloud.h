#pragma once
// A level drawn as a point cloud through the shared point batch: every n-th vertex
// (n the point step), each at most once per draw. A level without hidden faces and
// with nothing to colour sends its vertices in order in one colour; otherwise the
// visible faces are walked and their corners coloured by selection and freeze.

class Mesh;
class PointBuffer;
struct FillLook;
struct FillSettings;

void DrawMeshPoints(Mesh &level, const FillLook &look, const FillSettings &settings, int pointStep,
                    PointBuffer &buffer);
