#include "platform/qt/Dialog.h"

#include "platform/core/FieldReader.h"
#include "platform/core/Format.h"
#include "platform/core/Prompt.h"
#include "platform/qt/Help.h"
#include "platform/qt/LineList.h"
#include "platform/qt/MainWidget.h"
#include "platform/qt/SpinButton.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QShowEvent>
#include <QTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <system_error>

namespace zel {

// ---- field texts ----------------------------------------------------------

std::string FormatDialogReal(double value) {
    return Sprintf("%.15g", value);
}

std::string FormatDialogInt(int value) {
    return Sprintf("%d", value);
}

namespace {

// The number part of a field: blanks around it dropped, a leading '+' too
// (from_chars takes only '-').
std::string_view NumberText(std::string_view text, std::string& storage) {
    storage = Trim(text);
    std::string_view number = storage;
    if (number.size() > 1 && number.front() == '+' && number[1] != '-' && number[1] != '+')
        number.remove_prefix(1);
    return number;
}

std::string ReplaceArguments(std::string text, const std::string& first, const std::string& second) {
    text.replace(text.find("%1"), 2, first);
    text.replace(text.find("%2"), 2, second);
    return text;
}

} // namespace

bool ParseDialogReal(std::string_view text, double& value) {
    std::string storage;
    const std::string_view number = NumberText(text, storage);
    if (number.empty()) return false;
    double parsed = 0.0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), parsed);
    if (ec != std::errc() || end != number.data() + number.size() || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

bool ParseDialogInt(std::string_view text, int& value) {
    std::string storage;
    const std::string_view number = NumberText(text, storage);
    if (number.empty()) return false;
    int parsed = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), parsed);
    if (ec != std::errc() || end != number.data() + number.size()) return false;
    value = parsed;
    return true;
}

std::string NumberRangeMessage(double minimum, double maximum) {
    return ReplaceArguments("Enter a number between %1 and %2.", FormatDialogReal(minimum),
                            FormatDialogReal(maximum));
}

std::string IntegerRangeMessage(int minimum, int maximum) {
    return ReplaceArguments("Enter an integer between %1 and %2.", FormatDialogInt(minimum),
                            FormatDialogInt(maximum));
}

// ---- control texts --------------------------------------------------------

namespace {

QString ControlText(const QWidget* control) {
    if (auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text();
    if (auto* text = qobject_cast<const QPlainTextEdit*>(control)) return text->toPlainText();
    if (auto* label = qobject_cast<const QLabel*>(control)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
    if (auto* group = qobject_cast<const QGroupBox*>(control)) return group->title();
    if (auto* combo = qobject_cast<const QComboBox*>(control)) return combo->currentText();
    return {};
}

void SetControlText(QWidget* control, const QString& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        if (edit->text() == text) return; // a field shown again keeps the user's cursor and selection
        edit->setText(text);
        edit->setCursorPosition(0); // long texts show their start, as a fresh edit does
    } else if (auto* lines = qobject_cast<QPlainTextEdit*>(control)) {
        if (lines->toPlainText() != text) lines->setPlainText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        group->setTitle(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (combo->isEditable())
            combo->setEditText(text);
        else
            combo->setCurrentIndex(combo->findText(text));
    }
}

Qt::Alignment HorizontalAlignment(unsigned style) {
    if (style & ctl::kCentre) return Qt::AlignHCenter;
    if (style & ctl::kRight) return Qt::AlignRight;
    return Qt::AlignLeft;
}

} // namespace

// ---- data exchange --------------------------------------------------------

QWidget* CDataExchange::Control(int id) {
    QWidget* control = m_dialog.GetDlgItem(id);
    if (!control)
        throw std::logic_error("Dialog " + std::to_string(m_dialog.TemplateId()) + " has no control " +
                               std::to_string(id));
    m_lastId = id;
    return control;
}

template <class T> void CDataExchange::Remember(T& member) {
    m_undo.push_back([&member, old = member] { member = old; });
}

void CDataExchange::RollBack() {
    for (auto it = m_undo.rbegin(); it != m_undo.rend(); ++it)
        (*it)();
    m_undo.clear();
}

void CDataExchange::Text(int id, std::string& value) {
    QWidget* control = Control(id);
    if (m_saving) {
        Remember(value);
        value = ControlText(control).toStdString();
    } else {
        SetControlText(control, QString::fromStdString(value));
    }
}

void CDataExchange::Text(int id, int& value) {
    QWidget* control = Control(id);
    if (!m_saving) {
        SetControlText(control, QString::fromStdString(FormatDialogInt(value)));
        return;
    }
    Remember(value);
    if (!ParseDialogInt(ControlText(control).toStdString(), value)) Fail(kEnterInteger);
}

void CDataExchange::Text(int id, double& value) {
    QWidget* control = Control(id);
    // A number's text is never cut: its field is laid out for the widest one.
    if (qobject_cast<QLineEdit*>(control) && !(m_dialog.ControlStyle(id) & ctl::kReal))
        throw std::logic_error("Dialog " + std::to_string(m_dialog.TemplateId()) + ": field " +
                               std::to_string(id) + " holds a real number but is not laid out for one");
    if (!m_saving) {
        SetControlText(control, QString::fromStdString(FormatDialogReal(value)));
        return;
    }
    Remember(value);
    if (!ParseDialogReal(ControlText(control).toStdString(), value)) Fail(kEnterNumber);
}

QCheckBox* CDataExchange::CheckBox(int id) {
    auto* box = qobject_cast<QCheckBox*>(Control(id));
    if (!box) throw std::logic_error("Control " + std::to_string(id) + " is not a check box");
    return box;
}

void CDataExchange::Check(int id, int& value) {
    QCheckBox* box = CheckBox(id);
    if (m_saving) {
        Remember(value);
        value = box->checkState() == Qt::Checked ? 1 : box->checkState() == Qt::PartiallyChecked ? 2 : 0;
    } else {
        if (value == 2) box->setTristate(true);
        box->setCheckState(value == 0 ? Qt::Unchecked : value == 2 ? Qt::PartiallyChecked : Qt::Checked);
    }
}

void CDataExchange::Check(int id, bool& value) {
    QCheckBox* box = CheckBox(id);
    if (m_saving) {
        Remember(value);
        value = box->checkState() != Qt::Unchecked;
    } else {
        box->setCheckState(value ? Qt::Checked : Qt::Unchecked);
    }
}

void CDataExchange::MinMax(int value, int minimum, int maximum) {
    if (m_saving && (value < minimum || value > maximum)) Fail(IntegerRangeMessage(minimum, maximum));
}

void CDataExchange::MinMax(double value, double minimum, double maximum) {
    if (m_saving && (value < minimum || value > maximum)) Fail(NumberRangeMessage(minimum, maximum));
}

void CDataExchange::Fail(const std::string& message) {
    if (!message.empty()) ShowMessageBox(message, PromptButtons::OK, PromptIcon::Warning);
    if (QWidget* control = m_dialog.GetDlgItem(m_lastId)) {
        control->setFocus(Qt::OtherFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->selectAll();
    }
    throw Failure{};
}

// ---- templates --------------------------------------------------------------

namespace {
std::vector<DialogTemplateSource>& TemplateSources() {
    static std::vector<DialogTemplateSource> sources;
    return sources;
}
} // namespace

void RegisterDialogTemplate(DialogTemplateSource source) {
    auto& sources = TemplateSources();
    if (std::find(sources.begin(), sources.end(), source) == sources.end()) sources.push_back(source);
}

std::vector<const SDialogTemplate*> RegisteredDialogTemplates() {
    std::vector<const SDialogTemplate*> templates;
    for (DialogTemplateSource source : TemplateSources())
        templates.push_back(&source());
    return templates;
}

// ---- dialog geometry ------------------------------------------------------

SDialogBaseUnits DialogBaseUnits(const QFontMetrics& metrics) {
    const int alphabetWidth =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {std::max(1, (alphabetWidth / 26 + 1) / 2), std::max(1, metrics.height())};
}

namespace {
int MulDiv(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}
} // namespace

QRect DialogUnitsToPixels(const SDialogBaseUnits& units, int x, int y, int width, int height) {
    return QRect(MulDiv(x, units.charWidth, 4), MulDiv(y, units.charHeight, 8),
                 MulDiv(width, units.charWidth, 4), MulDiv(height, units.charHeight, 8));
}

// ---- dialog ---------------------------------------------------------------

CDialog::CDialog(const SDialogTemplate& dialogTemplate, QWidget* parent)
    : QDialog(parent), m_templateId(dialogTemplate.id) {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromUtf8(dialogTemplate.caption ? dialogTemplate.caption : ""));
    QFont dialogFont = QApplication::font();
    if (dialogTemplate.fontPointSize > 0) dialogFont.setPointSize(dialogTemplate.fontPointSize);
    setFont(dialogFont);
    m_units = DialogBaseUnits(QFontMetrics(dialogFont));
    BuildControls(dialogTemplate);
}

CDialog::~CDialog() = default;

namespace {
// The closed drop-down list's height in dialog units, as far as the size of
// a dialog that fits its controls is concerned.
constexpr int kComboLineHeight = 14;
} // namespace

void CDialog::BuildControls(const SDialogTemplate& dialogTemplate) {
    int right = 0;
    int bottom = 0;
    QButtonGroup* radioGroup = nullptr;
    bool previousWasRadio = false;
    std::vector<QGroupBox*> groupBoxes;
    QWidget* previous = nullptr;

    for (const SControlTemplate& c : dialogTemplate.controls) {
        const QString text = QString::fromUtf8(c.text ? c.text : "");
        QWidget* control = nullptr;
        bool clickable = false;
        switch (c.kind) {
        case ControlKind::Static: {
            auto* label = new QLabel(text, this);
            label->setWordWrap(true);
            label->setAlignment(HorizontalAlignment(c.style) | Qt::AlignTop);
            control = label;
            break;
        }
        case ControlKind::Edit: {
            if (c.style & ctl::kMultiLine) {
                auto* lines = new QPlainTextEdit(text, this);
                lines->setTabChangesFocus(true);
                control = lines;
                break;
            }
            auto* edit = new QLineEdit(text, this);
            edit->setReadOnly(c.style & ctl::kReadOnly);
            edit->setAlignment(HorizontalAlignment(c.style) | Qt::AlignVCenter);
            if (c.style & ctl::kNumber)
                edit->setValidator(
                    new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
            control = edit;
            break;
        }
        case ControlKind::PushButton: {
            auto* button = new QPushButton(text, this);
            button->setDefault(c.style & ctl::kDefault);
            control = button;
            clickable = true;
            break;
        }
        case ControlKind::CheckBox:
            control = new QCheckBox(text, this);
            clickable = true;
            break;
        case ControlKind::RadioButton: {
            auto* radio = new QRadioButton(text, this);
            radio->setAutoExclusive(false); // exclusivity per template group, not per parent
            if (!radioGroup || !previousWasRadio || (c.style & ctl::kGroup)) {
                radioGroup = new QButtonGroup(this);
                radioGroup->setExclusive(true);
            }
            radioGroup->addButton(radio);
            control = radio;
            clickable = true;
            break;
        }
        case ControlKind::GroupBox: {
            auto* group = new QGroupBox(text, this);
            groupBoxes.push_back(group);
            control = group;
            break;
        }
        case ControlKind::ListBox: {
            QAbstractItemView* view = nullptr;
            if (c.style & ctl::kNoSelection) {
                // Lines to read, not to pick: a view over a record (SetRecord).
                view = new CLineListView(this);
            } else {
                auto* list = new QListWidget(this);
                list->setSelectionMode((c.style & ctl::kMultiSelect) ? QAbstractItemView::ExtendedSelection
                                                                     : QAbstractItemView::SingleSelection);
                list->setSortingEnabled(c.style & ctl::kSorted);
                view = list;
            }
            view->setVerticalScrollBarPolicy((c.style & ctl::kVScroll) ? Qt::ScrollBarAsNeeded
                                                                       : Qt::ScrollBarAlwaysOff);
            view->setHorizontalScrollBarPolicy((c.style & ctl::kHScroll) ? Qt::ScrollBarAsNeeded
                                                                         : Qt::ScrollBarAlwaysOff);
            control = view;
            break;
        }
        case ControlKind::ComboBox: {
            auto* combo = new QComboBox(this);
            if (c.style & ctl::kSorted) combo->setInsertPolicy(QComboBox::InsertAlphabetically);
            control = combo;
            break;
        }
        case ControlKind::Progress: {
            auto* bar = new QProgressBar(this);
            bar->setRange(0, 100);
            bar->setValue(0);
            bar->setTextVisible(false);
            control = bar;
            break;
        }
        case ControlKind::Spin: {
            auto* spin = new CSpinButton(this);
            spin->SetWrap(c.style & ctl::kWrap);
            // Its buddy is the edit made just before it.
            spin->SetBuddy(qobject_cast<QLineEdit*>(previous));
            control = spin;
            break;
        }
        }
        previous = control;
        previousWasRadio = c.kind == ControlKind::RadioButton;

        QRect rect = DialogUnitsToPixels(m_units, c.x, c.y, c.width, c.height);
        int height = c.height;
        if (c.kind == ControlKind::ComboBox) {
            // A template gives a drop-down list the extent of its open list;
            // closed it is one line tall, and its list drops down below it.
            rect.setHeight(control->sizeHint().height());
            height = std::min(c.height, kComboLineHeight);
        }
        control->setGeometry(rect);
        control->setEnabled(!(c.style & ctl::kDisabled));
        if (c.style & ctl::kHidden) control->hide();
        right = std::max(right, c.x + c.width);
        bottom = std::max(bottom, c.y + height);
        if (c.id != -1) {
            m_items[c.id] = control;
            m_styles[c.id] = c.style;
        }
        if (clickable) {
            const int id = c.id;
            connect(static_cast<QAbstractButton*>(control), &QAbstractButton::clicked, this,
                    [this, id] { Command(id); });
        }
    }
    for (QGroupBox* group : groupBoxes)
        group->lower(); // the frame goes behind the controls it surrounds

    constexpr int kMargin = 7;
    const int width = dialogTemplate.width > 0 ? dialogTemplate.width : right + kMargin;
    const int height = dialogTemplate.height > 0 ? dialogTemplate.height : bottom + kMargin;
    setFixedSize(DialogUnitsToPixels(m_units, 0, 0, width, height).size());
}

QWidget* CDialog::GetDlgItem(int id) const {
    const auto it = m_items.find(id);
    return it == m_items.end() ? nullptr : it->second;
}

unsigned CDialog::ControlStyle(int id) const {
    const auto it = m_styles.find(id);
    return it == m_styles.end() ? 0u : it->second;
}

int CDialog::GetDlgCtrlID(const QWidget* control) const {
    for (const auto& [id, item] : m_items)
        if (item == control) return id;
    return -1;
}

std::string CDialog::GetDlgItemText(int id) const {
    const QWidget* control = GetDlgItem(id);
    return control ? ControlText(control).toStdString() : std::string();
}

void CDialog::SetDlgItemText(int id, const std::string& text) {
    if (QWidget* control = GetDlgItem(id)) SetControlText(control, QString::fromStdString(text));
}

int CDialog::DoModal() {
    // Owned by the dialog it is opened from, else by the main window, which
    // outlive it; modal to their windows only, so the help viewer stays
    // usable beside the dialog.
    if (!parentWidget()) {
        QWidget* owner = QApplication::activeModalWidget();
        if (!owner || owner == this) owner = MainWidget();
        if (owner && owner != this) setParent(owner, windowFlags());
    }
    setWindowModality(parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);
    m_ended = false;
    setResult(0);
    OnInitDialog();
    if (m_ended) return result(); // closed while initialising
    // The keyboard works at once: the control OnInitDialog chose, else the
    // first one that takes input, else the default button.
    QWidget* focus = focusWidget();
    if (!focus || !isAncestorOf(focus)) {
        if (QWidget* initial = InitialFocusControl()) initial->setFocus(Qt::OtherFocusReason);
    }
    const int code = exec();
    return code == 0 ? IDCANCEL : code;
}

QWidget* CDialog::InitialFocusControl() const {
    QPushButton* defaultButton = nullptr;
    for (const auto& [id, control] : m_items) {
        auto* button = qobject_cast<QPushButton*>(control);
        if (button && button->isDefault() && button->isEnabled()) defaultButton = button;
    }
    // The tab order is the template's order: the first field that takes
    // input, passing over the push buttons before it (Page Setup, Plane
    // Setup ...), which would otherwise take Return from the default button.
    for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
        if (!isAncestorOf(w) || !w->isEnabled() || w->isHidden() || !(w->focusPolicy() & Qt::TabFocus)) continue;
        if (auto* edit = qobject_cast<QLineEdit*>(w); edit && edit->isReadOnly()) continue;
        if (qobject_cast<QPushButton*>(w)) continue;
        return w;
    }
    if (defaultButton) return defaultButton;
    for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain())
        if (isAncestorOf(w) && w->isEnabled() && !w->isHidden() && (w->focusPolicy() & Qt::TabFocus)) return w;
    return nullptr;
}

void CDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (isModal()) ActivateModalWindow(this);
}

namespace {

// Asks the window system to make a window the active one until it is, a few
// times at most: window managers may pass over a request made while the
// window is being mapped, and the keys would then go to the blocked window
// behind it.
class CActivation : public QObject {
public:
    explicit CActivation(QWidget* window) : QObject(window), m_window(window) {
        m_window->activateWindow();
        m_timer.setInterval(kRetryMs);
        connect(&m_timer, &QTimer::timeout, this, [this] { Retry(); });
        m_timer.start();
    }

private:
    static constexpr int kRetryMs = 50;
    static constexpr int kTries = 20;

    void Retry() {
        if (!m_window->isVisible() || m_window->isActiveWindow() || ++m_tries > kTries) {
            m_timer.stop();
            deleteLater();
            return;
        }
        m_window->activateWindow();
    }

    QWidget* m_window;
    QTimer m_timer;
    int m_tries = 0;
};

} // namespace

void ActivateModalWindow(QWidget* window) {
    if (window) new CActivation(window); // a child of the window, gone with it at the latest
}

void CDialog::EndDialog(int code) {
    m_ended = true;
    done(code);
}

bool CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange dx(*this, saveAndValidate);
    try {
        DoDataExchange(dx);
    } catch (const CDataExchange::Failure&) {
        dx.RollBack(); // a refused field stores nothing
        return false;
    }
    return true;
}

void CDialog::DoDataExchange(CDataExchange&) {}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::OnOK() {
    if (!UpdateData(true)) return; // stays open on the field that failed
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::OnHelp() {
    if (!m_helpTopic.empty()) ShowHelpTopic(m_helpTopic);
}

void CDialog::OnCommand(int id, std::function<void()> handler) {
    m_handlers[id] = std::move(handler);
}

void CDialog::OnCheckedCommand(int id, std::function<void()> handler) {
    OnCommand(id, [this, handler = std::move(handler)] {
        if (UpdateData(true)) handler();
    });
}

void CDialog::OnResetToDefaults(int id, std::function<void()> setDefaults) {
    OnCommand(id, [this, setDefaults = std::move(setDefaults)] {
        setDefaults();
        UpdateData(false);
    });
}

void CDialog::Command(int id) {
    const auto it = m_handlers.find(id);
    if (it != m_handlers.end()) {
        it->second();
    } else if (id == IDOK) {
        OnOK();
    } else if (id == IDCANCEL) {
        OnCancel();
    }
}

void CDialog::accept() {
    OnOK();
}

void CDialog::reject() {
    OnCancel();
}

void CDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && !(event->modifiers() & ~Qt::ShiftModifier)) {
        OnHelp();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace zel
