#include "platform/core/JobState.h"

#include "platform/core/Format.h"

#include <cstdarg>
#include <mutex>

std::atomic<int> g_nJobType{0};
std::atomic<void*> g_pJobObject{nullptr};
std::atomic<int> g_nProgress{0};
std::atomic<int> g_nEvaluations{0};
std::atomic<int> g_bCancel{0};

namespace {
std::mutex s_statusMutex;
std::string s_statusText;
constexpr std::size_t kMaxStatusLength = 119;
} // namespace

void SetStatusText(const std::string& text) {
    std::lock_guard<std::mutex> lock(s_statusMutex);
    s_statusText = text.substr(0, kMaxStatusLength);
}

void SetStatusTextF(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string text = zel::VSprintf(fmt, args);
    va_end(args);
    SetStatusText(text);
}

std::string GetStatusText() {
    std::lock_guard<std::mutex> lock(s_statusMutex);
    return s_statusText;
}
