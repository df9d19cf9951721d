#include "view3d/3DFrame.h"

#include <QCloseEvent>
#include <QLabel>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QVBoxLayout>

#include "view3d/3DView.h"

C3DFrame::C3DFrame(CMolecule* molecule) {
    setWindowTitle(QString::fromLatin1(kTitle));
    // Without owner; it must not keep the program running once the main
    // window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    move(0, 0);
    resize(300, 300);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    const std::string reason = CheckOpenGL();
    if (!reason.empty()) {
        ShowMessage(reason);
        return;
    }
    m_pView = new C3DView;
    m_pContainer = QWidget::createWindowContainer(m_pView, this);
    m_pContainer->setFocusPolicy(Qt::StrongFocus);
    layout->addWidget(m_pContainer);
    setFocusProxy(m_pContainer);
    m_pView->SetOwnerWidget(this);
    // The window's own context may still fail when it is first shown; the
    // message then replaces it, after the paint that found out.
    m_pView->SetFailureHandler([this](const std::string& why) {
        QMetaObject::invokeMethod(
            this, [this, why] { ShowMessage(why); }, Qt::QueuedConnection);
    });
    m_pView->OnInitialUpdate(molecule);
}

C3DFrame::~C3DFrame() = default;

std::string C3DFrame::CheckOpenGL() {
    QOpenGLContext context;
    context.setFormat(C3DView::RequestedFormat());
    if (!context.create()) return "no OpenGL context can be created on this display.";
    if (context.isOpenGLES())
        return "the display offers only OpenGL ES, which lacks the lighting the view draws with.";
    if (context.format().profile() == QSurfaceFormat::CoreProfile)
        return "the display offers only a core-profile OpenGL context, which lacks the lighting the view "
               "draws with.";
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return "the OpenGL context cannot be made current.";
    context.doneCurrent();
    return {};
}

std::string C3DFrame::GetMessage() const {
    return m_pMessage ? m_pMessage->text().toStdString() : std::string();
}

void C3DFrame::ShowMessage(const std::string& reason) {
    if (m_pContainer) {
        // The view leaves the molecule as it goes.
        m_pView = nullptr;
        setFocusProxy(nullptr);
        delete m_pContainer;
        m_pContainer = nullptr;
    }
    if (!m_pMessage) {
        m_pMessage = new QLabel(this);
        m_pMessage->setAlignment(Qt::AlignCenter);
        m_pMessage->setWordWrap(true);
        m_pMessage->setMargin(12);
        layout()->addWidget(m_pMessage);
    }
    m_pMessage->setText(QString::fromStdString(kNoViewMessage + reason));
}

void C3DFrame::closeEvent(QCloseEvent* event) {
    // The close box only hides the window; view and state live on.
    event->ignore();
    hide();
}
