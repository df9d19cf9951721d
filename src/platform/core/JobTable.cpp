#include "platform/core/JobTable.h"

#include <map>
#include <mutex>
#include <utility>

namespace zel {

namespace {

std::mutex s_tableMutex;

std::map<int, JobBody>& Table() {
    static std::map<int, JobBody> table;
    return table;
}

} // namespace

void RegisterJobBody(int type, JobBody body) {
    std::lock_guard lock(s_tableMutex);
    if (body)
        Table()[type] = std::move(body);
    else
        Table().erase(type);
}

bool HasJobBody(int type) {
    std::lock_guard lock(s_tableMutex);
    return Table().count(type) != 0;
}

bool RunJobBody(int type, void* jobObject) {
    JobBody body;
    {
        std::lock_guard lock(s_tableMutex);
        const auto it = Table().find(type);
        if (it == Table().end()) return false;
        body = it->second;
    }
    body(jobObject);
    return true;
}

} // namespace zel
