#include "platform/core/RecordFile.h"

#include <fstream>

namespace zel {

RecordFileResult WriteRecordFile(const CTextRecord& record, const std::string& path) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.is_open()) return RecordFileResult::CannotOpen;
    for (const std::string& line : record) {
        out << line << "\r\n";
    }
    out.flush();
    const bool written = static_cast<bool>(out);
    out.close();
    return written && !out.fail() ? RecordFileResult::Written : RecordFileResult::CannotWrite;
}

} // namespace zel
