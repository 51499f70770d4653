#include "desktop/Shellunit.h"

#include <QProcess>
#include <QStringList>

namespace driftline {

namespace {

bool OpenWithXdgOpen(const QUrl& url)
{
    // A local file goes as its plain path: xdg-open then asks the desktop for the file type's
    // program, and a name with blanks or "%" stays exactly as it is on disk.
    const QString argument = url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded);
    return QProcess::startDetached(QStringLiteral("xdg-open"), QStringList{argument});
}

TShellOpener& Opener()
{
    static TShellOpener opener = OpenWithXdgOpen;
    return opener;
}

}  // namespace

bool ShellOpenUrl(const QUrl& url)
{
    if (!url.isValid() || url.isEmpty())
        return false;
    return Opener()(url);
}

bool ShellOpenFile(const QString& path)
{
    if (path.isEmpty())
        return false;
    return ShellOpenUrl(QUrl::fromLocalFile(path));
}

TShellOpener SetShellOpener(TShellOpener opener)
{
    TShellOpener previous = Opener();
    Opener() = opener ? std::move(opener) : TShellOpener(OpenWithXdgOpen);
    return previous;
}

}  // namespace driftline
