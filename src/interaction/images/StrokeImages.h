#pragma once
// The controller's stencil and stamp as the brush kernels read them. The controller
// installs it for as long as it lives.

#include "interaction/images/AlphaImage.h"
#include "interaction/images/StencilImage.h"
#include "operations/brushes/BrushImages.h"

class StrokeImages : public Operations::BrushImages {
public:
    StrokeImages(StencilImage &stencil, AlphaImage &stamp) : m_rStencil(stencil), m_rStamp(stamp) {}

    bool HasStencil() const override { return m_rStencil.m_bState; }
    void SetStencilObject(Placement *placement) override { m_rStencil.UpdateProjection(placement); }
    float SampleStencil(const General::Vector &point) const override { return m_rStencil.Sample(point); }

    // A stamp without pixels is never on; a switched-on one shapes the stroke by its
    // value times the strength the stroke drew for this sample.
    bool HasStamp() const override { return m_rStamp.m_bEnabled && m_rStamp.IsPresent(); }
    float SampleStamp(const General::Vector &point) const override
    {
        return m_rStamp.m_fStrength * m_rStamp.Sample(point);
    }

private:
    StencilImage &m_rStencil;
    AlphaImage &m_rStamp;
};
