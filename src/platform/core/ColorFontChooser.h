#pragma once
// Colour and font dialogs for code that must not include Qt. The application
// installs the Qt dialogs; tests install CScriptedColorFontChooser. Without a
// service every request is answered as cancelled.

#include <deque>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/core/Canvas.h"

namespace zel {

class CColorFontChooser {
public:
    virtual ~CColorFontChooser() = default;
    // The chosen colour, or nothing when the user cancelled.
    virtual std::optional<COLORREF> ChooseColor(COLORREF initial) = 0;
    // A font dialog on a font in screen sizes (height and width in pixels of
    // the screen); the chosen font in screen sizes, or nothing on Cancel.
    virtual std::optional<LOGFONT> ChooseFont(const LOGFONT& initial) = 0;
};

CColorFontChooser* SetColorFontChooser(CColorFontChooser* chooser);
CColorFontChooser* GetColorFontChooser();

std::optional<COLORREF> ChooseColor(COLORREF initial);
std::optional<LOGFONT> ChooseFont(const LOGFONT& initial);

// Test double: records what each dialog was opened on and answers from a
// queue per dialog (cancel once a queue is empty).
class CScriptedColorFontChooser : public CColorFontChooser {
public:
    void PushColor(std::optional<COLORREF> answer);
    void PushFont(std::optional<LOGFONT> answer);
    std::optional<COLORREF> ChooseColor(COLORREF initial) override;
    std::optional<LOGFONT> ChooseFont(const LOGFONT& initial) override;
    std::vector<COLORREF> ColorRequests() const;
    std::vector<LOGFONT> FontRequests() const;

private:
    mutable std::mutex m_mutex;
    std::deque<std::optional<COLORREF>> m_colors;
    std::deque<std::optional<LOGFONT>> m_fonts;
    std::vector<COLORREF> m_colorRequests;
    std::vector<LOGFONT> m_fontRequests;
};

class ScopedColorFontChooser {
public:
    explicit ScopedColorFontChooser(CColorFontChooser& chooser) : m_previous(SetColorFontChooser(&chooser)) {}
    ~ScopedColorFontChooser() { SetColorFontChooser(m_previous); }
    ScopedColorFontChooser(const ScopedColorFontChooser&) = delete;
    ScopedColorFontChooser& operator=(const ScopedColorFontChooser&) = delete;

private:
    CColorFontChooser* m_previous;
};

} // namespace zel
