// Loads arbitrary bytes as a chain of curve records in the form of the file's version and
// uses each curve the way the editor, the falloffs and the stamps along a curve do.
#include "FuzzFile.h"
#include "foundation/curves/NURBSCurve.h"
#include "foundation/Stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzFile file(data, size);
    return WithLoadingStream(file, [&](Stream &stream) {
        General::NURBSCurve curve(2);
        curve.SetNext(new General::NURBSCurve(3));
        while (curve.Serialize(stream)) {
            for (General::NURBSCurve *c = &curve; c; c = c->GetNext()) {
                const float last = c->GetLastKnot();
                General::Store<General::Vector> derivatives;
                c->EvaluateDerivatives(last * 0.3f, 3, derivatives);
                c->UpdateChordLengths();
                const float t = c->GetParameterAtLength(c->GetTotalLength() * 0.5f);
                float found = 0;
                General::Vector closest;
                c->GetClosestPoint(c->Evaluate(t), last * 0.7f, 1e-3f, 20, found, closest);
                General::Store<General::Vector> line;
                c->Tessellate(c->GetTransform(), line);
                if (General::NURBSCurve *profile = c->GetProfile())
                    (void)profile->GetSamples();
                c->GetDuplicateIndex(0);
                c->Close();
                c->RemoveControlPoint(0);
                c->SetSampled(true);
                c->Precalculate();
            }
            General::NURBSCurve copy(3);
            copy = curve;
            if (stream.BytesLeft() == 0)
                break;
        }
    });
}
