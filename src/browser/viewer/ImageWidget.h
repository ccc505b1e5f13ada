#pragma once
// The image viewer's canvas: holds one image and shows it zoomed and rotated (one
// transformation for both), with its exposure, a flat-colour view of negative values and
// red, green and blue channel views, and reports the pixel under the mouse.

#include <QFrame>
#include <QPixmap>
#include <QTransform>

#include <memory>

class QTvImage;

class ImageWidget : public QFrame {
    Q_OBJECT

public:
    explicit ImageWidget(QWidget *parent);
    ~ImageWidget() override;

    // Loads and shows a file; false (and nothing changed but the channel flags and the
    // rotation) when it does not load.
    bool Load(const QString &path);
    // Each of the following does nothing before the first successful load.
    void SetZoom(double zoom);
    // Sets the fit flag and area, then zooms to fit the area (also when the flag is false).
    void SetFit(bool fit, const QSize &area);
    // The zoom that fits the image, as rotated now, into w x h.
    double FitScale(int w, int h) const;
    // Adds to the rotation, kept within 0..359.
    void Rotate(int degrees);
    void AddExposure(double stops);
    void SetExposure(double stops);
    void ToggleFlatColor();
    // With `toggle` the channel's view flag flips; then the channels left on are shown (one
    // channel alone in grey).
    void ToggleRed(bool toggle) { ToggleChannel(0, toggle); }
    void ToggleGreen(bool toggle) { ToggleChannel(1, toggle); }
    void ToggleBlue(bool toggle) { ToggleChannel(2, toggle); }

    bool HasImage() const;
    int GetBitDepth() const;
    const QTvImage &GetImage() const { return *m_pImage; }
    double GetZoom() const { return m_dZoom; }
    int GetRotation() const { return m_iRotation; }
    bool IsFit() const { return m_bFit; }
    const QSize &GetFitArea() const { return m_cFitArea; }
    void SetFitArea(const QSize &area) { m_cFitArea = area; }
    // Fit mode ends; the zoom stays as it is.
    void LeaveFit() { m_bFit = false; }
    const QPixmap &GetPixmap() const { return m_cPixmap; }
    QPoint GetOffset() const { return m_cOffset; }
    void SetOffset(const QPoint &offset) { m_cOffset = offset; }
    bool Channel(int index) const { return m_aChannels[index]; }

    // The zoom fitting an image of width x height, rotated by `rotation`, into w x h.
    static double FitScale(int width, int height, int rotation, int w, int h);
    // The image pixel under view position `p` (drawing offset taken off) of an image of
    // `size` at that zoom and rotation; false outside the image.
    static bool PixelAt(QPointF p, double zoom, int rotation, QSize size, QPoint &pixel);

signals:
    void resized(int width, int height);
    void scaled(double zoom);
    void pixelInfo(int x, int y, int red, int green, int blue, int alpha);
    void pixelInfo(int x, int y, float red, float green, float blue, float alpha);
    void exposure(double stops);
    void contentsMoved(int dx, int dy);
    void showPlans(bool red, bool green, bool blue);

public slots:
    // The rotation the next loaded image starts with.
    void setInitDegree(int degrees) { m_iInitRotation = degrees; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void Rebuild();
    void ToggleChannel(int channel, bool toggle);

    std::unique_ptr<QTvImage> m_pImage;
    double m_dZoom = 1.0;
    int m_iRotation = 0;
    int m_iInitRotation = 0;
    QPoint m_cOffset;
    bool m_bFit = false;
    QSize m_cFitArea;
    QPixmap m_cPixmap;
    QTransform m_cMatrix;
    Qt::TransformationMode m_eMode = Qt::FastTransformation;
    bool m_aChannels[4] = {true, true, true, true};
};
