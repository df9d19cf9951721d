#pragma once
// The job-title question asked after a wavefunction has been read. Model code
// calls AskJobTitle; the application installs the title dialog, tests a
// scripted answer. Without a service the wavefunction title is kept.

#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace zel {

class CTitleService {
public:
    virtual ~CTitleService() = default;
    // The job title chosen for a wavefunction with this title.
    virtual std::string AskJobTitle(const std::string& wavefunctionTitle) = 0;
};

CTitleService* SetTitleService(CTitleService* service);
CTitleService* GetTitleService();

std::string AskJobTitle(const std::string& wavefunctionTitle);

// Test double: records the titles asked about and answers from a queue; with
// an empty queue it keeps the wavefunction title, as a dismissed dialog does.
class CScriptedTitles : public CTitleService {
public:
    void PushAnswer(std::string jobTitle);
    std::string AskJobTitle(const std::string& wavefunctionTitle) override;
    std::vector<std::string> Asked() const;

private:
    mutable std::mutex m_mutex;
    std::deque<std::string> m_answers;
    std::vector<std::string> m_asked;
};

class ScopedTitleService {
public:
    explicit ScopedTitleService(CTitleService& service) : m_previous(SetTitleService(&service)) {}
    ~ScopedTitleService() { SetTitleService(m_previous); }
    ScopedTitleService(const ScopedTitleService&) = delete;
    ScopedTitleService& operator=(const ScopedTitleService&) = delete;

private:
    CTitleService* m_previous;
};

} // namespace zel
