#include "app/ComputeDlg.h"

#include "platform/core/JobState.h"
#include "platform/core/JobTable.h"
#include "platform/core/Prompt.h"
#include "platform/qt/MainWidget.h"
#include "platform/qt/UiThread.h"
#include "platform/qt/WindowFit.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <QScreen>
#include <QProgressBar>
#include <QShowEvent>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <utility>

namespace {

using zel::ControlKind;
namespace ctl = zel::ctl;

const zel::SDialogTemplate& ComputeTemplate() {
    static const zel::SDialogTemplate dialog{
        CComputeDlg::IDD,
        "Computation",
        220,
        88,
        "MS Sans Serif",
        8,
        {
            {ControlKind::Progress, CComputeDlg::kProgressBar, "", 7, 7, 206, 12},
            {ControlKind::Static, -1, "Number of wavefunction evaluations:", 7, 28, 132, 8, ctl::kRight},
            {ControlKind::Edit, CComputeDlg::kEvaluations, "", 143, 25, 70, 14,
             ctl::kReadOnly | ctl::kCentre},
            {ControlKind::Edit, CComputeDlg::kStatusLine, "", 7, 45, 206, 14,
             ctl::kReadOnly | ctl::kCentre | ctl::kAutoHScroll},
            {ControlKind::PushButton, zel::IDCANCEL, "Cancel Computation", 7, 67, 100, 14, ctl::kDefault},
            {ControlKind::PushButton, CComputeDlg::kMinimizeMain, "Minimize Zelmora", 113, 67, 100, 14},
        },
    };
    return dialog;
}

// Posted to the dialog: start the worker once the dialog shows; the worker is done.
const QEvent::Type kStartJobEvent = static_cast<QEvent::Type>(QEvent::User + 18);
const QEvent::Type kJobDoneEvent = static_cast<QEvent::Type>(QEvent::User + 19);

ZEL_REGISTER_DIALOG_TEMPLATE(ComputeTemplate);

} // namespace

void ComputeThreadProc() {
    const int type = g_nJobType.load();
    void* object = g_pJobObject.load();
    if (type == zel::kJobTask) {
        if (object) (*static_cast<const std::function<void()>*>(object))();
        return;
    }
    zel::RunJobBody(type, object);
}

CComputeDlg::CComputeDlg(std::string title, void* jobObject, int jobType, QWidget* parent)
    : CDialog(ComputeTemplate(), parent), m_strTitle(std::move(title)) {
    g_pJobObject = jobObject;
    g_nJobType = jobType;
    m_timer.setInterval(kTimerPeriodMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { OnTimer(); });
    OnCommand(kMinimizeMain, [this] { OnMinimizeMain(); });
}

CComputeDlg::~CComputeDlg() {
    m_timer.stop();
    if (m_worker.IsStarted()) {
        // Only when the modal loop was left early (the application quits):
        // stop the job and serve its last UI requests while it winds down.
        g_bCancel = 1;
        while (!m_worker.WaitFinished(std::chrono::milliseconds(10)))
            zel::ProcessPendingUiTasks();
        m_worker.Join();
        g_bCancel = 0;
    }
}

int CComputeDlg::Launch(const std::string& title, void* jobObject, int jobType, bool resetProgress,
                        QWidget* parent) {
    CComputeDlg dialog(title, jobObject, jobType, parent);
    g_bCancel = 0;
    if (resetProgress) g_nProgress = 0;
    return dialog.DoModal();
}

void CComputeDlg::RunTask(const std::string& title, const std::string& status, const std::function<void()>& work,
                          QWidget* parent) {
    bool ran = false;
    const std::function<void()> task = [&] {
        ran = true;
        work();
    };
    SetStatusText(status);
    Launch(title, const_cast<std::function<void()>*>(&task), zel::kJobTask, true, parent);
    if (!ran) task();
}

void CComputeDlg::DoDataExchange(zel::CDataExchange& dx) {
    dx.Text(kEvaluations, m_nEvaluations);
    dx.Text(kStatusLine, m_strStatus);
}

bool CComputeDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    setWindowTitle(QString::fromStdString(m_strTitle));
    FitWidth(zel::CaptionWidth(windowTitle()));
    // A launcher's own work (reading or writing a file) cannot stop halfway.
    if (g_nJobType.load() == zel::kJobTask)
        if (QWidget* cancel = GetDlgItem(zel::IDCANCEL)) cancel->setEnabled(false);
    m_timer.start();
    g_nProgress = 0;
    g_nEvaluations = 0;
    return true;
}

void CComputeDlg::showEvent(QShowEvent* event) {
    CDialog::showEvent(event);
    if (!m_bStarted) {
        m_bStarted = true;
        QCoreApplication::postEvent(this, new QEvent(kStartJobEvent));
    }
}

bool CComputeDlg::event(QEvent* event) {
    if (event->type() == kStartJobEvent) {
        OnStartJob();
        return true;
    }
    if (event->type() == kJobDoneEvent) {
        OnJobDone();
        return true;
    }
    return CDialog::event(event);
}

void CComputeDlg::OnStartJob() {
    g_bCancel = 0;
    std::string error;
    const bool started =
        m_worker.Start([] { ComputeThreadProc(); },
                       [this] { QCoreApplication::postEvent(this, new QEvent(kJobDoneEvent)); }, error);
    if (!started) {
        // Without a worker nothing would ever close the dialog.
        m_timer.stop();
        zel::ShowMessageBox("Could not start the computation: " + error, zel::PromptButtons::OK,
                            zel::PromptIcon::Error);
        g_bCancel = 0;
        EndDialog(zel::IDCANCEL);
    }
}

void CComputeDlg::OnTimer() {
    if (auto* bar = DlgItem<QProgressBar>(kProgressBar)) bar->setValue(g_nProgress.load());
    m_nEvaluations = g_nEvaluations.load();
    m_strStatus = GetStatusText();
    UpdateData(false);
    // The whole status line shows: a chemist waits on the numbers at its end.
    if (auto* status = DlgItem<QLineEdit>(kStatusLine)) {
        const int needed = zel::LineEditWidth(*status, status->text());
        if (needed > status->width()) FitWidth(width() + needed - status->width());
    }
}

void CComputeDlg::FitWidth(int wanted) {
    if (const QScreen* screen = this->screen()) wanted = std::min(wanted, screen->availableGeometry().width() - 16);
    const int delta = wanted - width();
    if (delta <= 0) return;
    // The progress bar and the status line take the room; the other controls
    // stay in the middle.
    QWidget* const stretched[] = {GetDlgItem(kProgressBar), GetDlgItem(kStatusLine)};
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (std::find(std::begin(stretched), std::end(stretched), child) != std::end(stretched))
            child->resize(child->width() + delta, child->height());
        else
            child->move(child->x() + delta / 2, child->y());
    }
    setFixedSize(width() + delta, height());
    if (isVisible()) move(x() - delta / 2, y());
}

void CComputeDlg::OnJobDone() {
    m_worker.Join();
    m_timer.stop();
    OnTimer(); // the final state, also for a job that ended before the first tick
    const std::string failure = m_worker.FailureText();
    if (!failure.empty())
        zel::ShowMessageBox("The computation failed: " + failure, zel::PromptButtons::OK,
                            zel::PromptIcon::Error);
    g_bCancel = 0;
    EndDialog(zel::IDOK);
}

void CComputeDlg::OnCancel() {
    g_bCancel = 1;
}

void CComputeDlg::OnMinimizeMain() {
    if (QWidget* main = zel::MainWidget()) main->showMinimized();
}
