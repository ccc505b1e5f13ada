#include "viewport/fill/FillCycle.h"

#include "viewport/fill/FillSettings.h"

unsigned FillCycle::Run(Mesh &mesh, const FillSettings &settings,
                        const std::function<void(const FillBuffer &)> &draw)
{
    for (FillBuffer &buffer : m_aBuffers)
        buffer.Prime(&mesh, settings.m_bSmoothShade);
    unsigned passes = 0;
    for (;;) {
        ++passes;
        bool more = false;
        for (int i = 0; i < 2; ++i) {
            FillBuffer &buffer = m_aBuffers[i];
            draw(buffer);
            if (buffer.NextChunk(m_aBuffers[1 - i], settings) > 0)
                more = true;
            buffer.Fill(settings);
        }
        if (!more)
            return passes;
    }
}
