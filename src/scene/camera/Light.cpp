#include "scene/camera/Light.h"

#include "foundation/ShellServices.h"
#include "foundation/Stream.h"

namespace {

General::Color Scaled(const General::Color &c, float s) { return General::Color(c.r * s, c.g * s, c.b * s, c.a); }

}  // namespace

Light::Light() : m_sLightName(QStringLiteral("Light 01"))
{
    m_aTranslate.SetValue(General::Vector(-0.2f, 0.2f, 1.0f).Normalized(), true);
}

Light::~Light()
{
    General::Shell().ReleaseNode(this);
    std::unique_ptr<Light> next = std::move(m_pNext);
    while (next) {
        std::unique_ptr<Light> after = std::move(next->m_pNext);
        next.reset();
        next = std::move(after);
    }
}

General::Color Light::GetDiffuse() const { return Scaled(m_cDiffuse, m_fIntensity); }
General::Color Light::GetSpecular() const { return Scaled(m_cSpecular, m_fIntensity); }

bool Light::Serialize(Stream &stream)
{
    const General::Vector direction = m_aTranslate.GetValue();
    float intensity = m_fIntensity;
    QString name = m_sLightName;
    General::Color diffuse = m_cDiffuse;
    General::Color specular = m_cSpecular;

    m_aTranslate.Serialize(stream);
    stream.Serialize(intensity);
    stream.Serialize(name);
    if (stream.GetVersion() >= 82) {
        stream.Transfer(&diffuse, sizeof(diffuse));
        stream.Transfer(&specular, sizeof(specular));
    }
    if (stream.HasError()) {
        if (!stream.IsStoring())
            m_aTranslate.SetValue(direction, true);
        return false;
    }
    m_fIntensity = intensity;
    m_sLightName = name;
    m_cDiffuse = diffuse;
    m_cSpecular = specular;
    return true;
}
