#pragma once
// Listing the files of one folder that carry one extension, in the order the controller uses
// when it refers to a log file by its index.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace driftline {

// Fills list with the names (without folder) of the entries of folder whose name ends in
// "." + extension ("log" and ".log" are the same; "" lists every entry). Matching is
// case-sensitive and, as the controller's own listing does, takes sub-folders whose names match
// too. The list is sorted by name in byte order, the one order the controller and the viewer can
// both reproduce. A missing or unreadable folder gives an empty list.
void ListFiles(const std::filesystem::path& folder, std::string_view extension, std::vector<std::string>& list);

// The regular file of folder named "*.log" that was modified last (of equal times, the last by
// name): the log the controller is writing tonight. Empty when the folder has none.
std::filesystem::path NewestLogFile(const std::filesystem::path& folder);

}  // namespace driftline
