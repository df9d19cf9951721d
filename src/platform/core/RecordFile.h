#pragma once
// Record text files: every line of a record followed by carriage return and
// line feed, the line end of the record files this program has always written.

#include "platform/core/TextRecord.h"

#include <string>

namespace zel {

enum class RecordFileResult { Written, CannotOpen, CannotWrite };

// Writes (replaces) the file at exactly this path.
RecordFileResult WriteRecordFile(const CTextRecord& record, const std::string& path);

// Asks for a text file (proposedName, "*.txt" proposing none) and writes the
// record there; a file that cannot be opened or written is said in a message
// box. Nothing happens when the user cancels.
void SaveRecordAs(const CTextRecord& record, const std::string& proposedName);

} // namespace zel
