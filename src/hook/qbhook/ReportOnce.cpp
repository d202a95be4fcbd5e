#include "hook/qbhook/ReportOnce.h"

namespace qbhook {

std::mutex ReportOnce::s_mutex;
std::set<std::string> ReportOnce::s_reported;

bool ReportOnce::First(const std::string& text)
{
    std::lock_guard lock(s_mutex);
    return s_reported.insert(text).second;
}

} // namespace qbhook
