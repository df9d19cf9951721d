#include "plots/PlotDialogs.h"

#include <atomic>

#include "platform/core/Prompt.h"

namespace {
std::atomic<CPlotDialogService*> s_service{nullptr};
} // namespace

CPlotDialogService* SetPlotDialogService(CPlotDialogService* service) {
    return s_service.exchange(service);
}

CPlotDialogService* GetPlotDialogService() {
    return s_service.load();
}

int EditMolGraphPlot(CMolGraphPlot& plot) {
    CPlotDialogService* service = s_service.load();
    return service ? service->EditMolGraphPlot(plot) : zel::IDCANCEL;
}

int EditContourPlot(CContourPlot& plot) {
    CPlotDialogService* service = s_service.load();
    return service ? service->EditContourPlot(plot) : zel::IDCANCEL;
}

int EditSurfacePlot(CSurfacePlot& plot) {
    CPlotDialogService* service = s_service.load();
    return service ? service->EditSurfacePlot(plot) : zel::IDCANCEL;
}

void CScriptedPlotDialogs::PushSurfaceAnswer(SurfaceAnswer answer) {
    std::lock_guard lock(m_mutex);
    m_surfaceAnswers.push_back(std::move(answer));
}

int CScriptedPlotDialogs::EditSurfacePlot(CSurfacePlot& plot) {
    SurfaceAnswer answer;
    {
        std::lock_guard lock(m_mutex);
        ++m_nOpened;
        if (m_surfaceAnswers.empty()) return zel::IDCANCEL;
        answer = std::move(m_surfaceAnswers.front());
        m_surfaceAnswers.pop_front();
    }
    return answer(plot);
}

void CScriptedPlotDialogs::PushContourAnswer(ContourAnswer answer) {
    std::lock_guard lock(m_mutex);
    m_contourAnswers.push_back(std::move(answer));
}

int CScriptedPlotDialogs::EditContourPlot(CContourPlot& plot) {
    ContourAnswer answer;
    {
        std::lock_guard lock(m_mutex);
        ++m_nOpened;
        if (m_contourAnswers.empty()) return zel::IDCANCEL;
        answer = std::move(m_contourAnswers.front());
        m_contourAnswers.pop_front();
    }
    return answer(plot);
}

void CScriptedPlotDialogs::PushAnswer(Answer answer) {
    std::lock_guard lock(m_mutex);
    m_answers.push_back(std::move(answer));
}

int CScriptedPlotDialogs::EditMolGraphPlot(CMolGraphPlot& plot) {
    Answer answer;
    {
        std::lock_guard lock(m_mutex);
        ++m_nOpened;
        if (m_answers.empty()) return zel::IDCANCEL;
        answer = std::move(m_answers.front());
        m_answers.pop_front();
    }
    return answer(plot);
}

int CScriptedPlotDialogs::Opened() const {
    std::lock_guard lock(m_mutex);
    return m_nOpened;
}
