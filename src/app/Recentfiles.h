#pragma once
// File > "Open recent": the logs opened last, most recent first, remembered in the viewer's
// section of the settings file ("Recent1" ... "Recent8").
#include <QObject>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QMenu;

namespace driftline {

class TIniReader;

// The list itself: most recent first, each file once, at most Limit files.
class TRecentFiles {
public:
    static constexpr int Limit = 8;

    // path goes to the front (as an absolute, cleaned path); an earlier entry for the same file
    // is dropped, and the oldest entry when the list would be longer than Limit.
    void add(const QString& path);
    // Drops path's entry; false when it had none.
    bool remove(const QString& path);
    void clear() { paths_.clear(); }
    const QStringList& paths() const { return paths_; }

    // The list kept in section of ini (empty values and repeats skipped).
    void read(const TIniReader& ini, const char* section);
    // All Limit keys with their values, empty for unused places (so a shorter list leaves no
    // stale entry behind).
    std::vector<std::pair<std::string, std::string>> keyValues() const;

private:
    QStringList paths_;
};

// The submenu in the File menu and the settings behind it.
class TRecentFilesMenu : public QObject {
    Q_OBJECT
public:
    // The submenu goes into fileMenu before the item before; open opens a chosen file, message
    // tells the user about one that is gone. The list is read from section of ini.
    TRecentFilesMenu(QMenu* fileMenu, QAction* before, std::filesystem::path ini, const char* section,
                     std::function<void(const QString& path)> open, std::function<void(const QString& text)> message);

    // A log was opened: it goes to the front of the list, which is written to the settings.
    void noteOpened(const QString& path);
    // The menu's choice of entry index (0 = most recent): the file opened, or, when it no longer
    // exists, removed from the list with a message.
    void openEntry(int index);

    QMenu* menu() const { return menu_; }
    const TRecentFiles& files() const { return files_; }

private:
    void rebuild();
    void save();

    QMenu* menu_;
    std::filesystem::path ini_;
    const char* section_;
    std::function<void(const QString&)> open_;
    std::function<void(const QString&)> message_;
    TRecentFiles files_;
};

}  // namespace driftline
