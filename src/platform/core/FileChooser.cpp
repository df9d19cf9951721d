#include "platform/core/FileChooser.h"

#include "platform/core/FieldReader.h"

#include <atomic>
#include <utility>

namespace zel {

namespace {

std::atomic<CFileChooserService*> s_service{nullptr};

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return parts;
}

} // namespace

std::vector<SFileFilter> ParseFileFilter(const std::string& filter) {
    std::vector<SFileFilter> entries;
    const std::vector<std::string> parts = Split(filter, '|');
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty() && parts[i + 1].empty()) break; // the closing "||"
        SFileFilter entry;
        entry.description = parts[i];
        for (const std::string& pattern : Split(parts[i + 1], ';')) {
            std::string trimmed = Trim(pattern);
            if (!trimmed.empty()) entry.patterns.push_back(std::move(trimmed));
        }
        if (!entry.patterns.empty()) entries.push_back(std::move(entry));
    }
    return entries;
}

CFileChooserService* SetFileChooserService(CFileChooserService* service) {
    return s_service.exchange(service);
}

CFileChooserService* GetFileChooserService() {
    return s_service.load();
}

std::optional<std::string> ChooseFile(const SFileRequest& request) {
    CFileChooserService* service = s_service.load();
    if (!service) return std::nullopt;
    return service->ChooseFile(request);
}

void CScriptedFileChooser::PushAnswer(std::optional<std::string> path) {
    std::lock_guard lock(m_mutex);
    m_answers.push_back(std::move(path));
}

std::optional<std::string> CScriptedFileChooser::ChooseFile(const SFileRequest& request) {
    std::lock_guard lock(m_mutex);
    m_requests.push_back(request);
    if (m_answers.empty()) return std::nullopt;
    std::optional<std::string> answer = std::move(m_answers.front());
    m_answers.pop_front();
    return answer;
}

std::vector<SFileRequest> CScriptedFileChooser::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

} // namespace zel
