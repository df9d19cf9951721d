#pragma once
// The text dialog for the free texts of a plot, for model code that must not
// include Qt. The application installs the dialog; tests install
// CScriptedPlotTexts. Without a service every dialog counts as cancelled.

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/core/Canvas.h"

// What the dialog edits. The position travels through it unchanged.
struct SPlotTextFields {
    std::string text;
    zel::COLORREF color = zel::RGB(0, 0, 0);
    zel::LOGFONT font; // sizes in the plot's logical units
    int x = 0;
    int y = 0;
    bool operator==(const SPlotTextFields&) const = default;
};

class CPlotTextService {
public:
    virtual ~CPlotTextService() = default;
    // Shows the dialog on fields; true when it ended with OK (fields then hold
    // the result, an empty text asking to delete), false on Cancel.
    virtual bool EditPlotText(SPlotTextFields& fields) = 0;
};

CPlotTextService* SetPlotTextService(CPlotTextService* service);
CPlotTextService* GetPlotTextService();

bool EditPlotText(SPlotTextFields& fields);

// Test double: records what each dialog was opened on and answers from a
// queue (Cancel once it is empty).
class CScriptedPlotTexts : public CPlotTextService {
public:
    using Answer = std::function<bool(SPlotTextFields&)>;
    void PushAnswer(Answer answer);
    // OK with this text, the other fields as given.
    void PushOk(std::string text);
    void PushCancel();
    bool EditPlotText(SPlotTextFields& fields) override;
    std::vector<SPlotTextFields> Requests() const;
    std::size_t PendingAnswers() const;

private:
    mutable std::mutex m_mutex;
    std::deque<Answer> m_answers;
    std::vector<SPlotTextFields> m_requests;
};

class ScopedPlotTextService {
public:
    explicit ScopedPlotTextService(CPlotTextService& service) : m_previous(SetPlotTextService(&service)) {}
    ~ScopedPlotTextService() { SetPlotTextService(m_previous); }
    ScopedPlotTextService(const ScopedPlotTextService&) = delete;
    ScopedPlotTextService& operator=(const ScopedPlotTextService&) = delete;

private:
    CPlotTextService* m_previous;
};
