#pragma once
// What the document knows of its views, and the command routing they share
// with the document and the frame: a command goes to the active view first,
// then to the document, then to the frame and the application. The first
// target that knows the command handles it; the same order decides whether
// it is enabled.

class QWidget;

// The state a command target gives a menu item or toolbar button.
struct CCmdUI {
    int id = 0;
    bool enabled = true;
    bool checked = false;
    bool checkable = false;

    void Enable(bool enable = true) { enabled = enable; }
    void SetCheck(bool check) {
        checkable = true;
        checked = check;
    }
};

class CDocView {
public:
    virtual ~CDocView() = default;

    // The pane's widget, for focus tracking (the active view).
    virtual QWidget* GetWidget() = 0;
    // Once, after the frame has made every pane.
    virtual void OnInitialUpdate() {}
    // The document's UpdateAllViews: redraw from the model.
    virtual void OnUpdate() {}

    // True when the view handles the command (it has then run it).
    virtual bool OnCommand(int /*id*/) { return false; }
    // True when the view handles the command; ui then holds its state.
    virtual bool OnUpdateCommand(CCmdUI& /*ui*/) { return false; }
};
