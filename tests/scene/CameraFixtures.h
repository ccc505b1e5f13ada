#pragma once
// A camera host that answers as a view of a given size and records what the cameras
// asked of it.
#include "scene/camera/CameraHost.h"

#include <QImage>
#include <QStringList>

#include <vector>

class RecordingCameraHost : public CameraHost {
public:
    RecordingCameraHost() { Install(this); }
    ~RecordingCameraHost() override { Install(nullptr); }

    int ViewWidth() const override { return width; }
    int ViewHeight() const override { return height; }
    float ViewAspect() const override { return float(width) / float(height); }
    bool CurrentViewport(int32_t viewport[4]) const override
    {
        for (int i = 0; i < 4; ++i)
            viewport[i] = glViewport[i];
        return hasContext;
    }
    void LoadProjection(const General::Matrix &projection) override { loaded.push_back(projection); }
    uint32_t UploadTexture(uint32_t texture, const QImage &pixels) override
    {
        uploads.push_back(pixels);
        return texture ? texture : 7;
    }
    void DeleteTexture(uint32_t texture) override { deleted.push_back(texture); }
    void Redraw() override { ++redraws; }
    void RefreshProperties(const QString &page) override { refreshed << page; }
    bool DollyWithFocus() const override { return dollyWithFocus; }
    bool TestLog() const override { return testLog; }

    int width = 800;
    int height = 600;
    bool hasContext = false;
    int32_t glViewport[4] = {0, 0, 0, 0};
    bool dollyWithFocus = true;
    bool testLog = false;
    int redraws = 0;
    std::vector<General::Matrix> loaded;
    std::vector<QImage> uploads;
    std::vector<uint32_t> deleted;
    QStringList refreshed;
};
