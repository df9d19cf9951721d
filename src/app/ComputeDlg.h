#pragma once
// Progress dialog of a job. A launcher runs it modally with a title, the job
// object and the job type; on its first display it starts the one worker
// thread, which runs the job table's body for the type. Every 100 ms the
// dialog shows the job's progress, evaluation count and status line.
// "Cancel Computation" (also Escape and the close box) only raises the cancel
// flag; the dialog closes when the body has returned, clearing the flag.
//
// A body's message boxes and its changes to the launching dialog run on the UI
// thread (the prompt service, zel::RunOnUiThread), before the progress dialog
// closes; the launcher's follow-up (a record dialog, a list refill) comes after
// DoModal returns.

#include "platform/core/WorkerThread.h"
#include "platform/qt/Dialog.h"

#include <QTimer>

#include <functional>
#include <string>

class CComputeDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 156 };
    static constexpr int kProgressBar = 1108;
    static constexpr int kEvaluations = 1110;
    static constexpr int kStatusLine = 1142;
    static constexpr int kMinimizeMain = 1360;
    static constexpr int kTimerPeriodMs = 100;

    // Stores the job object and type in the job state at once.
    CComputeDlg(std::string title, void* jobObject, int jobType, QWidget* parent = nullptr);
    ~CComputeDlg() override;

    // The launcher protocol in one call: clears the cancel flag (and the
    // progress, unless the job resets it itself) and runs the dialog. IDOK
    // when the job ran, IDCANCEL when its thread could not be started.
    static int Launch(const std::string& title, void* jobObject, int jobType, bool resetProgress = true,
                      QWidget* parent = nullptr);

    // Runs work on the worker behind the dialog, with the status line, so the
    // windows keep repainting meanwhile; for work that may take longer than a
    // moment (reading or writing a large document, deriving a large map).
    // The work cannot be cancelled: Cancel is disabled. When no worker can be
    // started, the work runs here after the dialog has said so: it is never
    // lost. Returns when the work has run. What the work reads or changes of
    // the model is the caller's to guard (CJobScope).
    static void RunTask(const std::string& title, const std::string& status, const std::function<void()>& work,
                        QWidget* parent = nullptr);

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnCancel() override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    void OnStartJob();
    void OnTimer();
    void OnJobDone();
    void OnMinimizeMain();
    // Widens the dialog to `wanted` pixels (at most the screen's width) so
    // that its caption and status line show whole.
    void FitWidth(int wanted);

    std::string m_strTitle;
    bool m_bStarted = false;
    int m_nEvaluations = 0;
    std::string m_strStatus;
    QTimer m_timer;
    zel::CWorkerThread m_worker;
};

// The worker's procedure: runs the body of g_nJobType on g_pJobObject; a type
// without a body runs nothing. The worker then reports completion to the dialog.
void ComputeThreadProc();
