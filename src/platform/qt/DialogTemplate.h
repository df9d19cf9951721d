#pragma once
// Dialog templates as data: each dialog is a table of controls (kind, id,
// text, position and size in dialog units, style) laid out by one builder
// (CDialog). Dialog units follow the dialog font: a horizontal unit is a
// quarter of the font's average character width, a vertical unit an eighth of
// its height, so layouts keep their proportions with any font.

#include <QFontMetrics>
#include <QRect>

#include <string>
#include <vector>

namespace zel {

enum class ControlKind {
    Static,      // label
    Edit,        // one-line edit field
    PushButton,  // button; ids 1 and 2 are OK and Cancel
    CheckBox,    // check box, also three-state
    RadioButton, // buttons between two Group styles are exclusive
    GroupBox,    // frame with a title, drawn behind the controls inside it
    ListBox,     // list of text lines
    ComboBox,    // drop-down list
    Progress,    // progress bar, range 0 to 100
    Spin,        // up-down arrows (CSpinButton) stepping the edit just before them
};

// Control styles, combined with |.
namespace ctl {
constexpr unsigned kDefault = 1u << 0;      // default push button (Enter)
constexpr unsigned kReadOnly = 1u << 1;     // edit: read only
constexpr unsigned kCentre = 1u << 2;       // text centred
constexpr unsigned kRight = 1u << 3;        // text right-aligned
constexpr unsigned kAutoHScroll = 1u << 4;  // edit: scrolls horizontally (Qt edits always do)
constexpr unsigned kNoSelection = 1u << 5;  // list: lines to read, not to pick (a CLineListView)
constexpr unsigned kVScroll = 1u << 6;      // list: vertical scroll bar when needed
constexpr unsigned kHScroll = 1u << 7;      // list: horizontal scroll bar when needed
constexpr unsigned kSorted = 1u << 8;       // list, combo: sorted
constexpr unsigned kGroup = 1u << 9;        // radio: starts a new group of exclusive buttons
constexpr unsigned kDisabled = 1u << 10;    // created disabled
constexpr unsigned kNumber = 1u << 11;      // edit: digits only
constexpr unsigned kMultiSelect = 1u << 12; // list: several lines may be selected
constexpr unsigned kReal = 1u << 13;        // edit: holds a real number, wide enough for any one
constexpr unsigned kWrap = 1u << 14;        // spin: wraps round at the ends of its range
constexpr unsigned kMultiLine = 1u << 15;   // edit: several lines (Enter starts a new one)
constexpr unsigned kHidden = 1u << 16;      // created hidden
} // namespace ctl

struct SControlTemplate {
    ControlKind kind;
    int id;                  // -1 for controls nobody addresses
    const char* text;        // caption or initial text
    int x, y, width, height; // dialog units
    unsigned style = 0;
};

struct SDialogTemplate {
    int id;
    const char* caption;
    int width, height;    // dialog units; 0 fits the controls with a margin
    const char* fontFace; // the framework's face; the desktop's UI face stands in for it
    int fontPointSize;
    std::vector<SControlTemplate> controls;
};

// Average character width and height of a font, the base of dialog units.
struct SDialogBaseUnits {
    int charWidth;
    int charHeight;
};

SDialogBaseUnits DialogBaseUnits(const QFontMetrics& metrics);

// Converts a rectangle in dialog units to pixels, rounding like the framework.
QRect DialogUnitsToPixels(const SDialogBaseUnits& units, int x, int y, int width, int height);

// The widest text a real-number field shows: sign, 15 significant digits,
// point and a three-digit exponent with its sign.
inline constexpr char kWidestRealText[] = "-8.88888888888888e-888";

// Every dialog's template is registered where it is defined, so that a check
// can walk all of them (ZEL_REGISTER_DIALOG_TEMPLATE after the function that
// returns it).
using DialogTemplateSource = const SDialogTemplate& (*)();
void RegisterDialogTemplate(DialogTemplateSource source);
std::vector<const SDialogTemplate*> RegisteredDialogTemplates();

struct SDialogTemplateRegistration {
    explicit SDialogTemplateRegistration(DialogTemplateSource source) { RegisterDialogTemplate(source); }
};

#define ZEL_REGISTER_DIALOG_TEMPLATE(source)                                                                 \
    [[maybe_unused]] static const ::zel::SDialogTemplateRegistration zelTemplate_##source(source)

} // namespace zel
