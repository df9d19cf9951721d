#pragma once
// File dialogs for code that must not include Qt: the caller describes the
// dialog with the framework's filter string and gets a path or nothing. The
// application installs the Qt chooser; tests install CScriptedFileChooser.
// Without a service every request is answered as cancelled.

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zel {

struct SFileRequest {
    bool save = false;            // save dialog, else open dialog
    std::string filter;           // "Text Files (*.txt)|*.txt||"
    std::string defaultExtension; // added to a typed name without one ("txt")
    std::string fileName;         // initial name; a pattern such as "*.txt" proposes none
    bool overwritePrompt = false; // save: ask before replacing an existing file
    std::string directory;        // folder the dialog opens in; empty: the folder last used
    bool operator==(const SFileRequest&) const = default;
};

// One entry of a filter string: "Data Files (*.dat)" with patterns {"*.dat"}.
struct SFileFilter {
    std::string description;
    std::vector<std::string> patterns;
    bool operator==(const SFileFilter&) const = default;
};

// Splits "desc|pat;pat|desc|pat||" into its entries. A description without
// its pattern part is dropped.
std::vector<SFileFilter> ParseFileFilter(const std::string& filter);

class CFileChooserService {
public:
    virtual ~CFileChooserService() = default;
    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> ChooseFile(const SFileRequest& request) = 0;
};

CFileChooserService* SetFileChooserService(CFileChooserService* service);
CFileChooserService* GetFileChooserService();

std::optional<std::string> ChooseFile(const SFileRequest& request);

// Test double: records every request and answers from a queue (cancel once empty).
class CScriptedFileChooser : public CFileChooserService {
public:
    void PushAnswer(std::optional<std::string> path);
    std::optional<std::string> ChooseFile(const SFileRequest& request) override;
    std::vector<SFileRequest> Requests() const;

private:
    mutable std::mutex m_mutex;
    std::deque<std::optional<std::string>> m_answers;
    std::vector<SFileRequest> m_requests;
};

class ScopedFileChooserService {
public:
    explicit ScopedFileChooserService(CFileChooserService& service)
        : m_previous(SetFileChooserService(&service)) {}
    ~ScopedFileChooserService() { SetFileChooserService(m_previous); }
    ScopedFileChooserService(const ScopedFileChooserService&) = delete;
    ScopedFileChooserService& operator=(const ScopedFileChooserService&) = delete;

private:
    CFileChooserService* m_previous;
};

} // namespace zel
