#pragma once
// Message boxes on Qt. Callable from any thread: a box asked for by the worker
// is shown on the UI thread and the worker waits for the answer.

#include "platform/core/Prompt.h"

namespace zel {

class CQtPromptService : public CPromptService {
public:
    int MessageBox(const std::string& text, PromptButtons buttons, PromptIcon icon) override;
};

} // namespace zel
