#include "analysis/PlotTextService.h"

#include <atomic>

namespace {
std::atomic<CPlotTextService*> s_service{nullptr};
} // namespace

CPlotTextService* SetPlotTextService(CPlotTextService* service) {
    return s_service.exchange(service);
}

CPlotTextService* GetPlotTextService() {
    return s_service.load();
}

bool EditPlotText(SPlotTextFields& fields) {
    CPlotTextService* service = s_service.load();
    return service && service->EditPlotText(fields);
}

void CScriptedPlotTexts::PushAnswer(Answer answer) {
    std::lock_guard lock(m_mutex);
    m_answers.push_back(std::move(answer));
}

void CScriptedPlotTexts::PushOk(std::string text) {
    PushAnswer([text = std::move(text)](SPlotTextFields& fields) {
        fields.text = text;
        return true;
    });
}

void CScriptedPlotTexts::PushCancel() {
    PushAnswer([](SPlotTextFields&) { return false; });
}

bool CScriptedPlotTexts::EditPlotText(SPlotTextFields& fields) {
    Answer answer;
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(fields);
        if (m_answers.empty()) return false;
        answer = std::move(m_answers.front());
        m_answers.pop_front();
    }
    return answer(fields);
}

std::vector<SPlotTextFields> CScriptedPlotTexts::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::size_t CScriptedPlotTexts::PendingAnswers() const {
    std::lock_guard lock(m_mutex);
    return m_answers.size();
}
