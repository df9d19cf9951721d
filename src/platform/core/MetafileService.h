#pragma once
// Creation of enhanced-metafile canvases for code that must not include the
// Qt layer, where the metafile back end lives. The application installs that
// back end; tests install CRecordingMetafileService. Without a service no
// metafile can be made.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/core/Canvas.h"
#include "platform/core/RecordingCanvas.h"

namespace zel {

class CMetafileService {
public:
    virtual ~CMetafileService() = default;
    // A metafile canvas writing to path, in the mapping and device
    // resolution of the reference canvas (its text is measured the same way),
    // with the description (which may hold NUL characters). Null, with the
    // reason in error, when the file cannot be started.
    virtual std::unique_ptr<CMetafileCanvas> CreateMetafile(const std::string& path, const CCanvas& reference,
                                                            const std::string& description,
                                                            std::string& error) = 0;
};

CMetafileService* SetMetafileService(CMetafileService* service);
CMetafileService* GetMetafileService();

std::unique_ptr<CMetafileCanvas> CreateMetafile(const std::string& path, const CCanvas& reference,
                                                const std::string& description, std::string& error);

// Test double: hands out recording canvases of the reference's scale and keeps
// what the last one recorded when it is closed.
class CRecordingMetafileService : public CMetafileService {
public:
    std::unique_ptr<CMetafileCanvas> CreateMetafile(const std::string& path, const CCanvas& reference,
                                                    const std::string& description,
                                                    std::string& error) override;
    std::string LastPath() const;
    std::string LastDescription() const;
    std::vector<std::string> LastRecords() const;
    int Created() const;

private:
    friend class CServiceMetafile;
    void Closed(std::vector<std::string> records);

    mutable std::mutex m_mutex;
    std::string m_path;
    std::string m_description;
    std::vector<std::string> m_records;
    int m_created = 0;
};

class ScopedMetafileService {
public:
    explicit ScopedMetafileService(CMetafileService& service) : m_previous(SetMetafileService(&service)) {}
    ~ScopedMetafileService() { SetMetafileService(m_previous); }
    ScopedMetafileService(const ScopedMetafileService&) = delete;
    ScopedMetafileService& operator=(const ScopedMetafileService&) = delete;

private:
    CMetafileService* m_previous;
};

} // namespace zel
