#include "suite/Listfiles.h"

#include <algorithm>

namespace driftline {

void ListFiles(const std::filesystem::path& folder, std::string_view extension, std::vector<std::string>& list)
{
    list.clear();
    std::string suffix;
    if (!extension.empty()) {
        if (extension.front() != '.')
            suffix = ".";
        suffix += extension;
    }

    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec)
        return;
    for (const std::filesystem::directory_iterator end; it != end; it.increment(ec)) {
        if (ec)
            break;
        std::string name = it->path().filename().string();
        // "*" may match nothing, so a file named just ".log" matches "*.log" as well.
        if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
            list.push_back(std::move(name));
        }
    }
    // std::string compares as unsigned bytes, which is the order strcmp gives.
    std::sort(list.begin(), list.end());
}

std::filesystem::path NewestLogFile(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    ListFiles(folder, "log", names);
    std::filesystem::path newest;
    std::filesystem::file_time_type newestTime{};
    for (const std::string& name : names) {  // by name, so a later name wins a tie
        std::error_code ec;
        const std::filesystem::path path = folder / name;
        if (!std::filesystem::is_regular_file(path, ec))
            continue;
        const auto time = std::filesystem::last_write_time(path, ec);
        if (ec)
            continue;
        if (newest.empty() || time >= newestTime) {
            newest = path;
            newestTime = time;
        }
    }
    return newest;
}

}  // namespace driftline
