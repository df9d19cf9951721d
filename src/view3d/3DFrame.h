#pragma once
// The top-level window of the three-dimensional view. It has no owner, so it
// stays usable while the main window's modal dialogs are open, and its close
// box only hides it. Its one client is the OpenGL view; when no usable OpenGL
// context can be had on the display, it shows a message in its place and the
// rest of the application goes on without a 3D view.

#include <QWidget>

#include <string>

class C3DView;
class CMolecule;
class QLabel;

class C3DFrame : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kTitle = "Zelmora - 3DView";
    // The message shown instead of the picture starts with this; the reason
    // follows.
    static constexpr const char* kNoViewMessage = "The 3D view cannot be shown: ";

    // The hidden window at (0, 0), 300 x 300 pixels, with its view registered
    // with the molecule (not owned), or with the message.
    explicit C3DFrame(CMolecule* molecule);
    ~C3DFrame() override;

    // The view; null when OpenGL is not usable (the message is shown).
    C3DView* GetView() const { return m_pView; }
    // The message shown in place of the view; empty while the view is there.
    std::string GetMessage() const;

    // Why no usable OpenGL context can be had on this display, or empty when
    // one can: a context of the view's format is created and made current on
    // an offscreen surface.
    static std::string CheckOpenGL();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowMessage(const std::string& reason);

    C3DView* m_pView = nullptr;      // owned by m_pContainer
    QWidget* m_pContainer = nullptr; // child
    QLabel* m_pMessage = nullptr;    // child
};
