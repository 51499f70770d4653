// File > "Open recent" and the list behind it.
#include "app/Recentfiles.h"

#include "suite/Inifile.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>

#include <cstdio>

namespace driftline {

namespace {

std::string RecentKey(int index)
{
    return "Recent" + std::to_string(index + 1);
}

// One spelling per file, so the same log opened by two routes is one entry.
QString Normalised(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

}  // namespace

void TRecentFiles::add(const QString& path)
{
    const QString entry = Normalised(path);
    paths_.removeAll(entry);
    paths_.prepend(entry);
    while (paths_.size() > Limit)
        paths_.removeLast();
}

bool TRecentFiles::remove(const QString& path)
{
    return paths_.removeAll(Normalised(path)) > 0;
}

void TRecentFiles::read(const TIniReader& ini, const char* section)
{
    paths_.clear();
    for (int i = 0; i < Limit; ++i) {
        const std::string value = ini.String(section, RecentKey(i), "");
        if (value.empty())
            continue;
        const QString path = Normalised(QFile::decodeName(QByteArray::fromStdString(value)));
        if (!paths_.contains(path))
            paths_.append(path);
    }
}

std::vector<std::pair<std::string, std::string>> TRecentFiles::keyValues() const
{
    std::vector<std::pair<std::string, std::string>> out;
    for (int i = 0; i < Limit; ++i)
        out.emplace_back(RecentKey(i), i < paths_.size() ? QFile::encodeName(paths_[i]).toStdString() : std::string());
    return out;
}

TRecentFilesMenu::TRecentFilesMenu(QMenu* fileMenu, QAction* before, std::filesystem::path ini, const char* section,
                                   std::function<void(const QString&)> open,
                                   std::function<void(const QString&)> message)
    : QObject(fileMenu), ini_(std::move(ini)), section_(section), open_(std::move(open)), message_(std::move(message))
{
    menu_ = new QMenu(QStringLiteral("Open &recent"), fileMenu);
    menu_->setObjectName(QStringLiteral("menuRecent"));
    fileMenu->insertMenu(before, menu_);
    files_.read(TIniReader(ini_), section_);
    rebuild();
}

void TRecentFilesMenu::noteOpened(const QString& path)
{
    const QStringList before = files_.paths();
    files_.add(path);
    if (files_.paths() == before)
        return;
    rebuild();
    save();
}

void TRecentFilesMenu::openEntry(int index)
{
    if (index < 0 || index >= files_.paths().size())
        return;
    const QString path = files_.paths()[index];
    if (!QFileInfo::exists(path)) {
        files_.remove(path);
        rebuild();
        save();
        message_(QStringLiteral("%1 no longer exists; it has been removed from the recent files.").arg(path));
        return;
    }
    open_(path);
}

void TRecentFilesMenu::rebuild()
{
    // The entry chosen may be the one whose triggered signal is running: the old entries go
    // when control is back in the event loop.
    for (QAction* old : menu_->actions()) {
        menu_->removeAction(old);
        old->deleteLater();
    }
    const QStringList& paths = files_.paths();
    for (int i = 0; i < paths.size(); ++i) {
        // "&1 name": the number is the access key; the whole path shows in the tooltip.
        QString name = QFileInfo(paths[i]).fileName();
        name.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* item = menu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
        item->setToolTip(paths[i]);
        item->setStatusTip(paths[i]);
        item->setData(paths[i]);
        connect(item, &QAction::triggered, this, [this, i] { openEntry(i); });
    }
    if (!paths.isEmpty()) {
        menu_->addSeparator();
        QAction* clear = menu_->addAction(QStringLiteral("&Clear list"));
        connect(clear, &QAction::triggered, this, [this] {
            files_.clear();
            rebuild();
            save();
        });
    }
    menu_->setToolTipsVisible(true);
    menu_->setEnabled(!paths.isEmpty());
}

void TRecentFilesMenu::save()
{
    std::string error;
    if (!WriteIniSection(ini_, section_, files_.keyValues(), error))
        std::fprintf(stderr, "driftline: cannot write the recent files to %s: %s\n", ini_.string().c_str(),
                     error.c_str());
}

}  // namespace driftline
