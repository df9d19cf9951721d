#pragma once
// Dialog base: a QDialog whose controls come from a template table and whose
// values move between controls and members by control id (data exchange).
//
// A derived dialog lists its fields in DoDataExchange:
//     void DoDataExchange(zel::CDataExchange& dx) override {
//         dx.Text(1043, m_dPivot);
//         dx.MinMax(m_dPivot, 0.0, 1.0);
//     }
// UpdateData(false) shows the members, UpdateData(true) reads and checks the
// fields in the order listed. Reading stops at the first field that fails:
// that field's message is shown ("Enter a number.", "Enter a number between
// 0 and 1."), the field gets the focus, and UpdateData returns false with
// every member as it was before the read: a refused field stores nothing.
// OK closes only after a successful read, and a command registered with
// OnCheckedCommand runs only then; Cancel, Escape and the close box go to
// OnCancel.
//
// A modal dialog opens with the keyboard focus on a control of its own: the
// one OnInitDialog chose, else the first control that takes input, else its
// default button. Without a parent it is owned by the topmost modal dialog or
// the main window, which it blocks.

#include "platform/core/Prompt.h" // IDOK, IDCANCEL: the codes that end a dialog
#include "platform/qt/DialogTemplate.h"

#include <QDialog>

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class QCheckBox;
class QKeyEvent;

namespace zel {

// Field texts of the data exchange. Reals show 15 significant digits
// ("%.15g", three-digit exponents as in every record: 1e-007) and are read
// without regard to the process locale. Blanks around a number are allowed;
// anything else, an empty field, overflow, "inf" and "nan" are refused.
std::string FormatDialogReal(double value);
std::string FormatDialogInt(int value);
bool ParseDialogReal(std::string_view text, double& value);
bool ParseDialogInt(std::string_view text, int& value);

// The framework's messages for refused fields.
inline constexpr char kEnterNumber[] = "Enter a number.";
inline constexpr char kEnterInteger[] = "Enter an integer.";
std::string NumberRangeMessage(double minimum, double maximum); // "Enter a number between %1 and %2."
std::string IntegerRangeMessage(int minimum, int maximum);      // "Enter an integer between %1 and %2."

class CDialog;

class CDataExchange {
public:
    CDataExchange(CDialog& dialog, bool saveAndValidate) : m_dialog(dialog), m_saving(saveAndValidate) {}

    // True while reading the controls into the members.
    bool Saving() const { return m_saving; }
    CDialog& Dialog() const { return m_dialog; }

    void Text(int id, std::string& value);
    void Text(int id, int& value);
    void Text(int id, double& value);
    // Check box: 0 unchecked, 1 checked, 2 indeterminate.
    void Check(int id, int& value);
    void Check(int id, bool& value);

    // Range checks of the field exchanged just before; only when reading.
    void MinMax(int value, int minimum, int maximum);
    void MinMax(double value, double minimum, double maximum);

    // Shows the message (when not empty), puts the focus on the last field
    // and ends the exchange.
    [[noreturn]] void Fail(const std::string& message);

    struct Failure {};

    // Puts back every member the read has changed (UpdateData on a failure).
    void RollBack();

private:
    QWidget* Control(int id);
    QCheckBox* CheckBox(int id);
    template <class T> void Remember(T& member);

    CDialog& m_dialog;
    bool m_saving;
    int m_lastId = -1;
    std::vector<std::function<void()>> m_undo;
};

class CDialog : public QDialog {
    Q_OBJECT

public:
    explicit CDialog(const SDialogTemplate& dialogTemplate, QWidget* parent = nullptr);
    ~CDialog() override;

    // Runs OnInitDialog, then the dialog modally until EndDialog; returns the
    // code given to EndDialog (IDCANCEL when the dialog ended otherwise).
    // A dialog without a parent is owned by the main window.
    int DoModal();
    void EndDialog(int result);

    bool UpdateData(bool saveAndValidate = true);

    int TemplateId() const { return m_templateId; }
    QWidget* GetDlgItem(int id) const;
    // The template style of a control (ctl flags); 0 for an unknown id.
    unsigned ControlStyle(int id) const;
    // The id of a control; -1 for one without (or not of this dialog).
    int GetDlgCtrlID(const QWidget* control) const;
    template <class T> T* DlgItem(int id) const { return dynamic_cast<T*>(GetDlgItem(id)); }
    std::string GetDlgItemText(int id) const;
    void SetDlgItemText(int id, const std::string& text);

    // Help page of F1, a topic address such as "::critical_points.htm";
    // empty (the default): the dialog has no help page.
    void SetHelpTopic(std::string topic) { m_helpTopic = std::move(topic); }
    const std::string& HelpTopic() const { return m_helpTopic; }

    const SDialogBaseUnits& BaseUnits() const { return m_units; }

protected:
    virtual void DoDataExchange(CDataExchange& dx);
    // Default: shows the members (UpdateData(false)).
    virtual bool OnInitDialog();
    // Default: reads the fields and closes with IDOK when they are all good.
    virtual void OnOK();
    // Default: closes with IDCANCEL.
    virtual void OnCancel();
    // F1: opens the help page, if the dialog has one.
    virtual void OnHelp();

    // Handler of a button (or any control that is clicked); buttons 1 and 2
    // without a handler go to OnOK and OnCancel.
    void OnCommand(int id, std::function<void()> handler);
    // A command that works with the fields: they are read and checked first,
    // and a refused field stops it (nothing runs, nothing is stored, the
    // field keeps the focus).
    void OnCheckedCommand(int id, std::function<void()> handler);
    // A "Reset to Defaults" button: setDefaults puts the defaults into the
    // members, then the fields show them.
    void OnResetToDefaults(int id, std::function<void()> setDefaults);

    void accept() override;
    void reject() override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls(const SDialogTemplate& dialogTemplate);
    void Command(int id);
    // The control that takes the focus when the dialog opens.
    QWidget* InitialFocusControl() const;

    int m_templateId;
    SDialogBaseUnits m_units{};
    std::map<int, QWidget*> m_items;
    std::map<int, unsigned> m_styles;
    std::map<int, std::function<void()>> m_handlers;
    std::string m_helpTopic;
    bool m_ended = false;
};

// Raises a modal window that has just been shown and asks the window system
// to make it the active window until it is, so the keyboard works in it at
// once and never in the window it blocks.
void ActivateModalWindow(QWidget* window);

} // namespace zel
