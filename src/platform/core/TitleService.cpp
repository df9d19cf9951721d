#include "platform/core/TitleService.h"

#include <atomic>
#include <utility>

namespace zel {

namespace {
std::atomic<CTitleService*> s_service{nullptr};
} // namespace

CTitleService* SetTitleService(CTitleService* service) {
    return s_service.exchange(service);
}

CTitleService* GetTitleService() {
    return s_service.load();
}

std::string AskJobTitle(const std::string& wavefunctionTitle) {
    CTitleService* service = s_service.load();
    return service ? service->AskJobTitle(wavefunctionTitle) : wavefunctionTitle;
}

void CScriptedTitles::PushAnswer(std::string jobTitle) {
    std::lock_guard lock(m_mutex);
    m_answers.push_back(std::move(jobTitle));
}

std::string CScriptedTitles::AskJobTitle(const std::string& wavefunctionTitle) {
    std::lock_guard lock(m_mutex);
    m_asked.push_back(wavefunctionTitle);
    if (m_answers.empty()) return wavefunctionTitle;
    std::string answer = std::move(m_answers.front());
    m_answers.pop_front();
    return answer;
}

std::vector<std::string> CScriptedTitles::Asked() const {
    std::lock_guard lock(m_mutex);
    return m_asked;
}

} // namespace zel
