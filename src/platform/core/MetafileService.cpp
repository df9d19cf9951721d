#include "platform/core/MetafileService.h"

#include <atomic>

namespace zel {

namespace {
std::atomic<CMetafileService*> s_service{nullptr};
} // namespace

CMetafileService* SetMetafileService(CMetafileService* service) {
    return s_service.exchange(service);
}

CMetafileService* GetMetafileService() {
    return s_service.load();
}

std::unique_ptr<CMetafileCanvas> CreateMetafile(const std::string& path, const CCanvas& reference,
                                                const std::string& description, std::string& error) {
    CMetafileService* service = s_service.load();
    if (!service) {
        error = "Metafiles cannot be written here.";
        return nullptr;
    }
    return service->CreateMetafile(path, reference, description, error);
}

class CServiceMetafile : public CRecordingCanvas {
public:
    CServiceMetafile(CRecordingMetafileService& service, double scale)
        : CRecordingCanvas(scale), m_service(service) {}
    bool Close() override {
        CRecordingCanvas::Close();
        m_service.Closed(Records());
        return true;
    }

private:
    CRecordingMetafileService& m_service;
};

std::unique_ptr<CMetafileCanvas> CRecordingMetafileService::CreateMetafile(const std::string& path,
                                                                           const CCanvas& reference,
                                                                           const std::string& description,
                                                                           std::string& /*error*/) {
    std::lock_guard lock(m_mutex);
    m_path = path;
    m_description = description;
    m_records.clear();
    ++m_created;
    return std::make_unique<CServiceMetafile>(*this, reference.GetScale());
}

void CRecordingMetafileService::Closed(std::vector<std::string> records) {
    std::lock_guard lock(m_mutex);
    m_records = std::move(records);
}

std::string CRecordingMetafileService::LastPath() const {
    std::lock_guard lock(m_mutex);
    return m_path;
}

std::string CRecordingMetafileService::LastDescription() const {
    std::lock_guard lock(m_mutex);
    return m_description;
}

std::vector<std::string> CRecordingMetafileService::LastRecords() const {
    std::lock_guard lock(m_mutex);
    return m_records;
}

int CRecordingMetafileService::Created() const {
    std::lock_guard lock(m_mutex);
    return m_created;
}

} // namespace zel
