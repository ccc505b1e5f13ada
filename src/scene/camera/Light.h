#pragma once
// The scene's directional light: "Translate" holds its direction, in eye space (the
// light keeps its direction relative to the camera). It has no registry record of its
// own and no owner, so its inherited GetName is empty; its name is m_sLightName.

#include "foundation/math/Color.h"
#include "scene/Transformation.h"

#include <memory>

class Light : public Transformation {
public:
    Light();
    // Deletes the rest of the chain with it.
    ~Light() override;

    // "Translate", intensity, name, and from version 82 the two colours.
    // A refused load leaves the light as it was.
    bool Serialize(Stream &stream) override;

    General::Vector GetDirection() const { return m_aTranslate.GetValue(); }
    // What OpenGL receives: the colours' r, g, b times the intensity, a kept.
    General::Color GetDiffuse() const;
    General::Color GetSpecular() const;

    General::Color m_cDiffuse{1, 1, 1, 1};
    General::Color m_cSpecular{1, 1, 1, 1};
    float m_fIntensity = 1.0f;
    QString m_sLightName;
    std::unique_ptr<Light> m_pNext;
};
