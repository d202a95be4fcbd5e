#pragma once
// Keeps each report to once per process. The program installs the hook again after every
// expansion and every sheet it opens; the user should not be told the same thing each time.
#include <mutex>
#include <set>
#include <string>

namespace qbhook {

class ReportOnce {
public:
    // True the first time text is offered in this process.
    static bool First(const std::string& text);

private:
    static std::mutex s_mutex;
    static std::set<std::string> s_reported;
};

} // namespace qbhook
