#pragma once
// Handing a file or a web address to the desktop: the program the user chose for its type opens
// it. xdg-open is started directly with the path as its one argument, never through a shell, so
// no file name can be read as a command. Tests replace the opener to see what would be opened.
#include <QString>
#include <QUrl>
#include <functional>

namespace driftline {

using TShellOpener = std::function<bool(const QUrl&)>;

// Opens url with the desktop's default application (xdg-open, detached). False when it could not
// be started; callers do not report that (the viewer stays silent about failed launches).
bool ShellOpenUrl(const QUrl& url);
// Opens a local file the same way.
bool ShellOpenFile(const QString& path);

// Replaces the opener for the rest of the run (nullptr restores xdg-open); returns the old one.
TShellOpener SetShellOpener(TShellOpener opener);

}  // namespace driftline
