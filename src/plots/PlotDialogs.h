#pragma once
// The dialogs of the plot kinds, for the plot code that must not include Qt:
// a plot's Modify opens its kind's dialog through this service. The
// application installs the dialogs; tests install CScriptedPlotDialogs.
// Without a service every dialog counts as cancelled.

#include <deque>
#include <functional>
#include <mutex>

class CContourPlot;
class CMolGraphPlot;
class CSurfacePlot;

class CPlotDialogService {
public:
    virtual ~CPlotDialogService() = default;
    // The molecular-graph plot dialog on an existing plot (not a new one).
    // Returns IDOK or IDCANCEL (platform/core/Prompt.h).
    virtual int EditMolGraphPlot(CMolGraphPlot& plot) = 0;
    // The contour plot dialog on an existing plot.
    virtual int EditContourPlot(CContourPlot& plot) = 0;
    // The relief map dialog on an existing map.
    virtual int EditSurfacePlot(CSurfacePlot& plot) = 0;
};

CPlotDialogService* SetPlotDialogService(CPlotDialogService* service);
CPlotDialogService* GetPlotDialogService();

// IDCANCEL without a service.
int EditMolGraphPlot(CMolGraphPlot& plot);
int EditContourPlot(CContourPlot& plot);
int EditSurfacePlot(CSurfacePlot& plot);

// Test double: answers from a queue (Cancel once it is empty) and counts the
// dialogs opened.
class CScriptedPlotDialogs : public CPlotDialogService {
public:
    using Answer = std::function<int(CMolGraphPlot&)>;
    using ContourAnswer = std::function<int(CContourPlot&)>;
    using SurfaceAnswer = std::function<int(CSurfacePlot&)>;
    void PushAnswer(Answer answer);
    void PushContourAnswer(ContourAnswer answer);
    void PushSurfaceAnswer(SurfaceAnswer answer);
    int EditMolGraphPlot(CMolGraphPlot& plot) override;
    int EditContourPlot(CContourPlot& plot) override;
    int EditSurfacePlot(CSurfacePlot& plot) override;
    int Opened() const;

private:
    mutable std::mutex m_mutex;
    std::deque<Answer> m_answers;
    std::deque<ContourAnswer> m_contourAnswers;
    std::deque<SurfaceAnswer> m_surfaceAnswers;
    int m_nOpened = 0;
};

class ScopedPlotDialogService {
public:
    explicit ScopedPlotDialogService(CPlotDialogService& service)
        : m_previous(SetPlotDialogService(&service)) {}
    ~ScopedPlotDialogService() { SetPlotDialogService(m_previous); }
    ScopedPlotDialogService(const ScopedPlotDialogService&) = delete;
    ScopedPlotDialogService& operator=(const ScopedPlotDialogService&) = delete;

private:
    CPlotDialogService* m_previous;
};
