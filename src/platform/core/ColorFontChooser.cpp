#include "platform/core/ColorFontChooser.h"

#include <atomic>

namespace zel {

namespace {
std::atomic<CColorFontChooser*> s_chooser{nullptr};

template <class T> std::optional<T> Next(std::deque<std::optional<T>>& answers) {
    if (answers.empty()) return std::nullopt;
    std::optional<T> answer = answers.front();
    answers.pop_front();
    return answer;
}
} // namespace

CColorFontChooser* SetColorFontChooser(CColorFontChooser* chooser) {
    return s_chooser.exchange(chooser);
}

CColorFontChooser* GetColorFontChooser() {
    return s_chooser.load();
}

std::optional<COLORREF> ChooseColor(COLORREF initial) {
    CColorFontChooser* chooser = s_chooser.load();
    return chooser ? chooser->ChooseColor(initial) : std::nullopt;
}

std::optional<LOGFONT> ChooseFont(const LOGFONT& initial) {
    CColorFontChooser* chooser = s_chooser.load();
    return chooser ? chooser->ChooseFont(initial) : std::nullopt;
}

void CScriptedColorFontChooser::PushColor(std::optional<COLORREF> answer) {
    std::lock_guard lock(m_mutex);
    m_colors.push_back(answer);
}

void CScriptedColorFontChooser::PushFont(std::optional<LOGFONT> answer) {
    std::lock_guard lock(m_mutex);
    m_fonts.push_back(answer);
}

std::optional<COLORREF> CScriptedColorFontChooser::ChooseColor(COLORREF initial) {
    std::lock_guard lock(m_mutex);
    m_colorRequests.push_back(initial);
    return Next(m_colors);
}

std::optional<LOGFONT> CScriptedColorFontChooser::ChooseFont(const LOGFONT& initial) {
    std::lock_guard lock(m_mutex);
    m_fontRequests.push_back(initial);
    return Next(m_fonts);
}

std::vector<COLORREF> CScriptedColorFontChooser::ColorRequests() const {
    std::lock_guard lock(m_mutex);
    return m_colorRequests;
}

std::vector<LOGFONT> CScriptedColorFontChooser::FontRequests() const {
    std::lock_guard lock(m_mutex);
    return m_fontRequests;
}

} // namespace zel
