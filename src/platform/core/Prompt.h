#pragma once

// Message boxes for model code. Model code calls ShowMessageBox; what the user
// sees depends on the installed CPromptService: the Qt dialog service in the
// application, CScriptedPrompts in tests, and without any service a console
// fallback that prints to stderr and answers with the first button.

#include <cstddef>
#include <deque>
#include <iosfwd>
#include <mutex>
#include <string>
#include <vector>

namespace zel {

enum class PromptButtons { OK, OKCancel, YesNo, YesNoCancel, RetryCancel };

enum class PromptIcon { None, Information, Warning, Error, Question };

// The framework's numeric answer values, so ported comparisons keep working.
enum PromptAnswer : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDABORT = 3,
    IDRETRY = 4,
    IDIGNORE = 5,
    IDYES = 6,
    IDNO = 7,
};

// The answer of the first button: IDOK, IDYES or IDRETRY.
int DefaultAnswer(PromptButtons buttons);
// Whether a box with these buttons can produce the answer.
bool IsPossibleAnswer(PromptButtons buttons, int answer);

class CPromptService {
public:
    virtual ~CPromptService() = default;
    // May be called from any thread; returns one of the PromptAnswer values.
    virtual int MessageBox(const std::string& text, PromptButtons buttons, PromptIcon icon) = 0;
};

// Installs a service (nullptr: the console fallback) and returns the previous
// one. The caller keeps the service alive while it is installed.
CPromptService* SetPromptService(CPromptService* service);
CPromptService* GetPromptService();

int ShowMessageBox(const std::string& text, PromptButtons buttons = PromptButtons::OK,
                   PromptIcon icon = PromptIcon::None);

// Writes one line per message ("Warning: text", plus "[Yes]" for the automatic
// answer when there was a choice) and answers with the first button.
class CConsolePrompts : public CPromptService {
public:
    explicit CConsolePrompts(std::ostream& out) : m_out(out) {}
    int MessageBox(const std::string& text, PromptButtons buttons, PromptIcon icon) override;

private:
    std::mutex m_mutex;
    std::ostream& m_out;
};

// Test double: records every message and answers from a queue of prepared
// answers, falling back to the first button once the queue is empty.
class CScriptedPrompts : public CPromptService {
public:
    struct Call {
        std::string text;
        PromptButtons buttons;
        PromptIcon icon;
        bool operator==(const Call&) const = default;
    };

    // Throws std::logic_error from the message box whose buttons cannot give
    // the prepared answer, so a test scripting the wrong dialog fails loudly.
    void PushAnswer(int answer);
    int MessageBox(const std::string& text, PromptButtons buttons, PromptIcon icon) override;

    std::vector<Call> Calls() const;
    std::vector<std::string> Texts() const;
    std::size_t PendingAnswers() const;

private:
    mutable std::mutex m_mutex;
    std::deque<int> m_answers;
    std::vector<Call> m_calls;
};

// Installs a service for the lifetime of the guard and restores the previous one.
class ScopedPromptService {
public:
    explicit ScopedPromptService(CPromptService& service) : m_previous(SetPromptService(&service)) {}
    ~ScopedPromptService() { SetPromptService(m_previous); }
    ScopedPromptService(const ScopedPromptService&) = delete;
    ScopedPromptService& operator=(const ScopedPromptService&) = delete;

private:
    CPromptService* m_previous;
};

} // namespace zel
