#include "platform/core/RecordFile.h"

#include <fstream>
#include <optional>

#include "platform/core/FileChooser.h"
#include "platform/core/Prompt.h"

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

void SaveRecordAs(const CTextRecord& record, const std::string& proposedName) {
    SFileRequest request;
    request.save = true;
    request.filter = "Text Files (*.txt)|*.txt||";
    request.defaultExtension = "txt";
    request.fileName = proposedName;
    request.overwritePrompt = true;
    const std::optional<std::string> path = ChooseFile(request);
    if (!path) return;
    switch (WriteRecordFile(record, *path)) {
    case RecordFileResult::Written:
        break;
    case RecordFileResult::CannotOpen:
        ShowMessageBox("Could not open file", PromptButtons::OK, PromptIcon::Error);
        break;
    case RecordFileResult::CannotWrite:
        // A full disk must not pass for a saved record.
        ShowMessageBox("Could not write file " + *path + ": the record was not saved completely.", PromptButtons::OK,
                       PromptIcon::Error);
        break;
    }
}

} // namespace zel
