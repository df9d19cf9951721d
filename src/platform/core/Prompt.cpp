#include "platform/core/Prompt.h"

#include <atomic>
#include <iostream>
#include <stdexcept>

namespace zel {

namespace {

std::atomic<CPromptService*> g_service{nullptr};

CPromptService& ConsoleFallback() {
    static CConsolePrompts console(std::cerr);
    return console;
}

const char* IconLabel(PromptIcon icon) {
    switch (icon) {
    case PromptIcon::Information:
        return "Information: ";
    case PromptIcon::Warning:
        return "Warning: ";
    case PromptIcon::Error:
        return "Error: ";
    case PromptIcon::Question:
        return "Question: ";
    case PromptIcon::None:
        break;
    }
    return "";
}

const char* AnswerLabel(int answer) {
    switch (answer) {
    case IDOK:
        return "OK";
    case IDCANCEL:
        return "Cancel";
    case IDABORT:
        return "Abort";
    case IDRETRY:
        return "Retry";
    case IDIGNORE:
        return "Ignore";
    case IDYES:
        return "Yes";
    case IDNO:
        return "No";
    default:
        return "?";
    }
}

} // namespace

int DefaultAnswer(PromptButtons buttons) {
    switch (buttons) {
    case PromptButtons::YesNo:
    case PromptButtons::YesNoCancel:
        return IDYES;
    case PromptButtons::RetryCancel:
        return IDRETRY;
    case PromptButtons::OK:
    case PromptButtons::OKCancel:
        break;
    }
    return IDOK;
}

bool IsPossibleAnswer(PromptButtons buttons, int answer) {
    switch (buttons) {
    case PromptButtons::OK:
        return answer == IDOK;
    case PromptButtons::OKCancel:
        return answer == IDOK || answer == IDCANCEL;
    case PromptButtons::YesNo:
        return answer == IDYES || answer == IDNO;
    case PromptButtons::YesNoCancel:
        return answer == IDYES || answer == IDNO || answer == IDCANCEL;
    case PromptButtons::RetryCancel:
        return answer == IDRETRY || answer == IDCANCEL;
    }
    return false;
}

CPromptService* SetPromptService(CPromptService* service) {
    return g_service.exchange(service);
}

CPromptService* GetPromptService() {
    return g_service.load();
}

int ShowMessageBox(const std::string& text, PromptButtons buttons, PromptIcon icon) {
    CPromptService* service = g_service.load();
    return (service ? *service : ConsoleFallback()).MessageBox(text, buttons, icon);
}

int CConsolePrompts::MessageBox(const std::string& text, PromptButtons buttons, PromptIcon icon) {
    const int answer = DefaultAnswer(buttons);
    std::string line = IconLabel(icon) + text;
    if (buttons != PromptButtons::OK) line += std::string(" [") + AnswerLabel(answer) + "]";
    line += '\n';
    std::lock_guard lock(m_mutex);
    m_out << line << std::flush;
    return answer;
}

void CScriptedPrompts::PushAnswer(int answer) {
    std::lock_guard lock(m_mutex);
    m_answers.push_back(answer);
}

int CScriptedPrompts::MessageBox(const std::string& text, PromptButtons buttons, PromptIcon icon) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back(Call{text, buttons, icon});
    if (m_answers.empty()) return DefaultAnswer(buttons);
    const int answer = m_answers.front();
    m_answers.pop_front();
    if (!IsPossibleAnswer(buttons, answer)) {
        throw std::logic_error("Scripted answer " + std::string(AnswerLabel(answer)) +
                               " does not fit the buttons of message \"" + text + "\".");
    }
    return answer;
}

std::vector<CScriptedPrompts::Call> CScriptedPrompts::Calls() const {
    std::lock_guard lock(m_mutex);
    return m_calls;
}

std::vector<std::string> CScriptedPrompts::Texts() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> texts;
    texts.reserve(m_calls.size());
    for (const Call& call : m_calls)
        texts.push_back(call.text);
    return texts;
}

std::size_t CScriptedPrompts::PendingAnswers() const {
    std::lock_guard lock(m_mutex);
    return m_answers.size();
}

} // namespace zel
