#include "viewport/view/SceneView.h"

#include "foundation/Diagnostics.h"
#include "mesh/buffers/BufferEntryPoints.h"
#include "mesh/buffers/BufferHost.h"
#include "mesh/buffers/BufferObject.h"
#include "mesh/core/Mesh.h"
#include "mesh/object/MeshHost.h"
#include "mesh/object/Object.h"
#include "mesh/surface/Material.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"
#include "scene/camera/CameraHost.h"
#include "scene/camera/Light.h"
#include "viewport/PBuffer.h"
#include "viewport/draw/PointBuffer.h"
#include "viewport/draw/PointCloud.h"
#include "viewport/fill/FillCycle.h"
#include "viewport/fill/FillLook.h"
#include "viewport/overlay/ViewOverlayHost.h"
#include "viewport/view/StatusText.h"

#include <QContextMenuEvent>
#include <QImage>
#include <QMenu>
#include <QOpenGLContext>

#include <GL/gl.h>

#include <algorithm>

SceneView *SceneView::s_pCurrent = nullptr;

namespace {

// The view's context made current for a texture upload outside a paint; inside one (the
// context already current, maybe drawing into the off-screen buffer) it is left alone.
struct ContextScope {
    explicit ContextScope(QOpenGLWidget &view) : m_cView(view)
    {
        QOpenGLContext *context = view.context();
        m_bCurrent = context != nullptr;
        m_bMade = m_bCurrent && QOpenGLContext::currentContext() != context;
        if (m_bMade)
            view.makeCurrent();
    }
    ~ContextScope()
    {
        if (m_bMade)
            m_cView.doneCurrent();
    }
    ContextScope(const ContextScope &) = delete;
    ContextScope &operator=(const ContextScope &) = delete;
    QOpenGLWidget &m_cView;
    bool m_bCurrent = false;
    bool m_bMade = false;
};

}  // namespace

// What the layers below ask of the view, answered from its state.
struct SceneView::Hosts {
    struct Buffers : BufferHost {
        SceneView *m_pView;
        explicit Buffers(SceneView *view) : m_pView(view) {}
        bool Wireframe() const override { return m_pView->m_cToggles.m_bWireframe; }
        void RefreshView() override { m_pView->update(); }
        General::Color InactiveLevelColor() const override { return m_pView->m_cSettings.m_cFill.m_cInactiveLevel; }
        General::Color SelectionColor() const override { return m_pView->m_cSettings.m_cFill.m_cSelection; }
        General::Color FrozenColor() const override { return m_pView->m_cSettings.m_cFill.m_cFrozen; }
        bool ShowMask() const override { return m_pView->m_cSettings.m_cFill.m_bShowLayerMask; }
    };
    struct Cameras : CameraHost {
        SceneView *m_pView;
        explicit Cameras(SceneView *view) : m_pView(view) {}
        int ViewWidth() const override { return m_pView->m_iWidth; }
        int ViewHeight() const override { return m_pView->m_iHeight; }
        float ViewAspect() const override { return m_pView->m_fAspect; }
        bool CurrentViewport(int32_t viewport[4]) const override
        {
            if (!QOpenGLContext::currentContext())
                return false;
            GLint values[4];
            glGetIntegerv(GL_VIEWPORT, values);
            for (int i = 0; i < 4; ++i)
                viewport[i] = values[i];
            return true;
        }
        bool OffscreenRatios(float &width, float &height) const override
        {
            if (!m_pView->m_pPBuffer)
                return false;
            width = m_pView->m_pPBuffer->GetWidthRatio();
            height = m_pView->m_pPBuffer->GetHeightRatio();
            return true;
        }
        void LoadProjection(const General::Matrix &projection) override
        {
            glMatrixMode(GL_PROJECTION);
            glLoadMatrixf(projection.m);
            glMatrixMode(GL_MODELVIEW);
        }
        uint32_t UploadTexture(uint32_t texture, const QImage &pixels) override
        {
            const ContextScope scope(*m_pView);
            if (!scope.m_bCurrent || pixels.isNull())
                return 0;
            GLuint name = texture;
            if (!name)
                glGenTextures(1, &name);
            const QImage argb = pixels.convertToFormat(QImage::Format_ARGB32);
            glBindTexture(GL_TEXTURE_2D, name);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, argb.width(), argb.height(), 0, GL_BGRA, GL_UNSIGNED_BYTE,
                         argb.constBits());
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glBindTexture(GL_TEXTURE_2D, 0);
            return name;
        }
        void DeleteTexture(uint32_t texture) override
        {
            const ContextScope scope(*m_pView);
            if (scope.m_bCurrent && texture) {
                const GLuint name = texture;
                glDeleteTextures(1, &name);
            }
        }
        Camera *ActiveCamera() const override
        {
            Scene *scene = Scene::GetCurrent();
            return scene ? scene->m_pActiveCamera : nullptr;
        }
        void Redraw() override { m_pView->update(); }
    };
    Buffers m_cBuffers;
    Cameras m_cCameras;
    explicit Hosts(SceneView *view) : m_cBuffers(view), m_cCameras(view) {}
};

QSurfaceFormat SceneView::Format()
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setDepthBufferSize(24);
    return format;
}

SceneView::SceneView(Camera *camera, QWidget *parent)
    : QOpenGLWidget(parent), m_pCamera(camera), m_pHosts(std::make_unique<Hosts>(this))
{
    setFormat(Format());
    s_pCurrent = this;
    setCursor(Qt::BlankCursor);
    // The brush cursor drawn in its place follows every move, buttons down or not.
    setMouseTracking(true);
    BufferHost::Install(&m_pHosts->m_cBuffers);
    CameraHost::Install(&m_pHosts->m_cCameras);
}

SceneView::~SceneView()
{
    // The buffers and their GL objects go while the context still exists.
    makeCurrent();
    m_pPBuffer.reset();
    doneCurrent();
    if (s_pCurrent == this)
        s_pCurrent = nullptr;
    BufferHost::Install(nullptr);
    CameraHost::Install(nullptr);
}

void SceneView::SetCamera(Camera *camera)
{
    m_pCamera = camera;
    if (!camera)
        return;
    RecordViewport(*camera);
    camera->ResetViewRegion(false);
}

void SceneView::RecordViewport(Camera &camera) const
{
    // The camera converts between the view's pixels and the world with the window's
    // viewport divided by the off-screen ratios; without a buffer the picture is the window.
    camera.m_fWidthRatio = m_pPBuffer ? m_pPBuffer->GetWidthRatio() : 1.0f;
    camera.m_fHeightRatio = m_pPBuffer ? m_pPBuffer->GetHeightRatio() : 1.0f;
    if (m_iWidth > 0 && m_iHeight > 0) {
        const int32_t viewport[4] = {0, 0, m_iWidth, m_iHeight};
        std::copy(viewport, viewport + 4, camera.m_aViewport);
    }
}

// --- Qt events ------------------------------------------------------------------

void SceneView::initializeGL()
{
    const GLfloat white[] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat position[] = {1.0f, 1.0f, 1.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glEnable(GL_LIGHT0);
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_DITHER);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_FASTEST);

    QOpenGLContext *context = QOpenGLContext::currentContext();
    const BufferEntryPoints entryPoints =
        BufferEntryPoints::Resolve([context](const char *name) { return context->getProcAddress(name); });
    if (!entryPoints.IsComplete())
        Log("Vertex buffer object extension is not supported by the video card driver, please update\n");
    BufferEntryPoints::Install(entryPoints);
}

void SceneView::resizeGL(int width, int height)
{
    m_pPBuffer.reset();
    // The logical size: the frame is drawn in the widget's pixels, whatever the screen's scale.
    // The "MaximumTextureSize" preference caps the buffer (the implementation's limit too).
    m_pPBuffer = PBuffer::Create(width, height, MeshHost::Get().MaximumTextureSize());
    m_iWidth = width;
    m_iHeight = height;
    m_fAspect = height > 0 ? float(width) / float(height) : 1.0f;
    glViewport(0, 0, width, height);
    if (Scene *scene = Scene::GetCurrent())
        m_pCamera = scene->m_pActiveCamera;
    if (m_pCamera)
        SetCamera(m_pCamera);
}

void SceneView::SetNavigating(bool navigating)
{
    const bool value = navigating && m_cSettings.m_bDraftRender;
    if (value == m_bNavigating)
        return;
    m_bNavigating = value;
    if (!value && m_pCamera) {
        m_pCamera->ResetViewRegion(false);
        update();
    }
}

void SceneView::SetContinuousRedraw(bool continuous)
{
    m_bStencil = continuous;
    OverlayTexture stencil;
    if (continuous && ViewOverlayHost::Get().GetStencil(stencil) && stencil.m_iTexture) {
        m_bStencilDrawn = false;
        update();
    }
}

void SceneView::RedrawIfContinuous()
{
    OverlayTexture stencil;
    if (m_bStencil && ViewOverlayHost::Get().GetStencil(stencil) && stencil.m_iTexture) {
        m_bStencilDrawn = false;
        update();
    }
}

void SceneView::RefreshStatusText()
{
    SceneView *view = s_pCurrent;
    if (!view)
        return;
    view->m_sStatusText = UpdateStatusText(view->m_cSettings);
    emit view->StatusTextChanged(view->m_sStatusText);
}

void SceneView::mousePressEvent(QMouseEvent *event)
{
    if (QWidget *window = this->window())
        window->setFocus();
    QOpenGLWidget::mousePressEvent(event);
}

void SceneView::mouseMoveEvent(QMouseEvent *event)
{
    SetPointerInView(true);
    QOpenGLWidget::mouseMoveEvent(event);
}

void SceneView::leaveEvent(QEvent *event)
{
    SetPointerInView(false);
    QOpenGLWidget::leaveEvent(event);
}

void SceneView::SetPointerInView(bool inside)
{
    if (m_bPointerInView == inside)
        return;
    m_bPointerInView = inside;
    update();
}

QMenu *SceneView::BuildContextMenu(QWidget *parent) const
{
    auto *menu = new QMenu(parent);
    int count = 0;
    const ViewMenuEntry *entries = ViewMenuEntries(count);
    for (int i = 0; i < count; ++i) {
        if (!entries[i].m_pLabel) {
            menu->addSeparator();
            continue;
        }
        QAction *action = menu->addAction(tr(entries[i].m_pLabel));
        action->setCheckable(true);
        action->setChecked(entries[i].m_pChecked(m_cToggles));
        action->setWhatsThis(QString::fromLatin1(entries[i].m_pCommand));
    }
    return menu;
}

void SceneView::contextMenuEvent(QContextMenuEvent *event)
{
    event->accept();
    if (m_bContextMenuBlocked)
        return;
    setCursor(Qt::ArrowCursor);
    // Over an object its own pop-up, elsewhere the view's menu.
    if (!ViewOverlayHost::Get().ShowObjectMenu(event->globalPos())) {
        std::unique_ptr<QMenu> menu(BuildContextMenu(this));
        if (QAction *chosen = menu->exec(event->globalPos()))
            emit CommandRequested(chosen->whatsThis());
    }
    setCursor(Qt::BlankCursor);
}

// --- GL state -------------------------------------------------------------------

int SceneView::SetLights(const Scene &scene)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();  // light directions are in eye space: the lights move with the camera
    int count = 0;
    int total = 0;
    for (const Light *light = scene.m_pLights; light; light = light->m_pNext.get())
        ++total;
    if (total > kMaxLights && !m_bLightsReported) {
        Log("The scene has %d lights; only the first %d are lit\n", total, kMaxLights);
        m_bLightsReported = true;
    }
    const float a = scene.m_fAmbientLevel;
    const GLfloat ambient[] = {a, a, a, 1.0f};
    const Light *light = scene.m_pLights;
    for (; light && count < kMaxLights; light = light->m_pNext.get(), ++count) {
        const GLenum number = GLenum(GL_LIGHT0 + count);
        const General::Vector direction = light->GetDirection();
        const GLfloat position[] = {direction.x, direction.y, direction.z, 0.0f};
        const General::Color diffuse = light->GetDiffuse();
        const General::Color specular = light->GetSpecular();
        const GLfloat d[] = {diffuse.r, diffuse.g, diffuse.b, 1.0f};
        const GLfloat s[] = {specular.r, specular.g, specular.b, 1.0f};
        glEnable(number);
        glLightfv(number, GL_POSITION, position);
        glLightfv(number, GL_DIFFUSE, d);
        glLightfv(number, GL_SPECULAR, s);
        glLightfv(number, GL_AMBIENT, ambient);
    }
    if (!m_cToggles.m_bLighting)
        count = 0;
    const GLfloat black[] = {0.0f, 0.0f, 0.0f, 1.0f};
    for (int i = count; i < kMaxLights; ++i) {
        const GLenum number = GLenum(GL_LIGHT0 + i);
        glDisable(number);
        glLightfv(number, GL_DIFFUSE, black);
        glLightfv(number, GL_SPECULAR, black);
    }
    glEnable(GL_LIGHTING);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, m_cToggles.m_bTwoSidedLight ? 1 : 0);
    return count;
}

namespace {

Surface::Material *MaterialOf(Mesh *mesh)
{
    Object *object = mesh ? mesh->GetObject() : nullptr;
    return object ? object->GetMaterial() : nullptr;
}

void SetMaterial(Surface::Material &material)
{
    auto set = [](GLenum what, const General::Color &c) {
        const GLfloat v[] = {c.r, c.g, c.b, c.a};
        glMaterialfv(GL_FRONT_AND_BACK, what, v);
    };
    set(GL_AMBIENT, material.m_aAmbient.GetValue());
    set(GL_DIFFUSE, material.m_aDiffuse.GetValue());
    set(GL_SPECULAR, material.m_aSpecular.GetValue());
    set(GL_EMISSION, material.m_aEmissive.GetValue());
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, material.m_aGlossiness.GetValue());
}

}  // namespace

void SceneView::BeginDraw(const General::Color &color, Mesh *mesh, bool setProjection, bool setLights)
{
    Scene *scene = Scene::GetCurrent();
    if (setLights && scene)
        SetLights(*scene);
    glEnable(GL_COLOR_MATERIAL);
    Surface::Material *material = MaterialOf(mesh);
    if (material) {
        const General::Color diffuse = material->m_aDiffuse.GetValue();
        glColor4f(diffuse.r * color.r, diffuse.g * color.g, diffuse.b * color.b, material->m_aTransparency.GetValue());
    } else {
        glColor3f(color.r, color.g, color.b);
    }
    glShadeModel(m_cToggles.m_bSmoothShade ? GL_SMOOTH : GL_FLAT);
    glPolygonMode(GL_FRONT_AND_BACK, m_cToggles.m_bWireframe ? GL_LINE : GL_FILL);
    if (m_cToggles.m_bCulling)
        glEnable(GL_CULL_FACE);
    else
        glDisable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    if (material) {
        SetMaterial(*material);
        if (material->m_aTransparency.GetValue() != 1.0f)
            glEnable(GL_BLEND);
        else
            glDisable(GL_BLEND);
    } else {
        glDisable(GL_BLEND);
    }
    if (!m_pCamera)
        return;
    if (setProjection) {
        m_pCamera->m_mProjection = m_pCamera->GetProjectionMatrix(true);
        m_pCamera->m_mModelView = m_pCamera->GetInverseWorldMatrix();
    }
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(m_pCamera->m_mProjection.m);
    glMatrixMode(GL_MODELVIEW);
    General::Matrix modelView = m_pCamera->m_mModelView;
    if (!setProjection && mesh)
        if (Placement *placement = mesh->GetPlacement())
            modelView = placement->GetFullMatrix().Multiply(modelView);
    glLoadMatrixf(modelView.m);
    if (mesh)
        glBegin(mesh->m_eType == Mesh::typeQuadric ? GL_QUADS : GL_TRIANGLES);
}

void SceneView::EndDraw(bool endPrimitive)
{
    if (endPrimitive)
        glEnd();
    glFlush();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_SCISSOR_TEST);
}

// --- level draws ----------------------------------------------------------------

void SceneView::DrawMeshBufferObjects(Mesh &mesh)
{
    for (unsigned i = 0, n = mesh.m_aBuffers.GetItemCount(); i < n; ++i) {
        BufferObject &buffer = mesh.m_aBuffers[i];
        if (buffer.Upload()) {
            buffer.Draw();
            m_iVisiblePolys += int32_t(buffer.m_iPrimitiveCount);
        }
    }
}

void SceneView::DrawMeshBuffered(Mesh &mesh)
{
    if (!m_pFillCycle)
        m_pFillCycle = std::make_unique<FillCycle>();
    FillSettings settings = m_cSettings.m_cFill;
    settings.m_bSmoothShade = m_cToggles.m_bSmoothShade;
    settings.m_bWireframe = m_cToggles.m_bWireframe;
    settings.m_bCulling = m_cToggles.m_bCulling;
    if (m_pCamera) {
        General::Vector eye = m_pCamera->GetPosition();
        if (Placement *placement = mesh.GetPlacement())
            eye = placement->GetInverseLocalMatrix().Transform(eye);
        settings.m_vCameraPosition = eye;
    }
    m_bMeshHasPartitions = mesh.m_aPartitions.GetItemCount() > 0;
    m_pFillCycle->Run(mesh, settings, [this](const FillBuffer &buffer) { m_iVisiblePolys += int32_t(buffer.Draw()); });
    glDisable(GL_TEXTURE_2D);
}

void SceneView::DrawMeshPoints(Mesh &mesh)
{
    if (!m_pPointBuffer) {
        m_pPointBuffer = std::make_unique<PointBuffer>();
        m_pPointBuffer->SetDrawer([this](const PointBuffer &buffer) {
            PointBuffer::DrawPoints(buffer);
            ++m_iPointDraws;
        });
    }
    ::DrawMeshPoints(mesh, FillLook::Of(mesh), m_cSettings.m_cFill, m_cSettings.m_iPointStep, *m_pPointBuffer);
}

QString SceneView::UpdateStatusText(const ViewSettings &settings)
{
    Scene *scene = Scene::GetCurrent();
    return StatusText(scene ? CountSceneFaces(*scene) : FaceTotals{}, settings.m_bVisibleFaceCount,
                      settings.m_bSelectedFaceCount);
}
