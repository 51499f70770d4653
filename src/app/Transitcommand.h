#pragma once
// Tools, "Transit fit...": asks for the target, fits the transit of the volts on screen, shows
// the result window and draws the fitted curve; its button puts the azimuth correction found into
// "Azimuth corr" and runs Refresh. Lives beside the main window, which only builds it.
#include "analysis/Transitreport.h"
#include "analysis/ui/Transitform.h"

#include <QObject>

#include <functional>
#include <optional>

class QAction;

namespace driftline {

class TForm1;

// The command's ways to the user, replaceable so tests can answer for the user.
struct TTransitSeams {
    // The target dialog: the choice, or nothing on Cancel.
    std::function<std::optional<TTransitChoice>(QWidget* parent)> chooseTarget;
    // A warning box (a bad position typed in the dialog).
    std::function<void(QWidget* parent, const QString& text)> message;
};

class TTransitCommand : public QObject {
    Q_OBJECT
public:
    // Adds "Transit fit..." (Ctrl+T) to the main window's Tools menu.
    explicit TTransitCommand(TForm1& form, TTransitSeams seams = {});

    QAction* action() const { return action_; }
    // Replaces the ways to the user (tests answer the dialog); empty members keep the defaults.
    void setSeams(TTransitSeams seams);
    // The result window (null before the first run).
    TTransitForm* resultWindow() const { return resultWindow_; }
    const TTransitReport& lastReport() const { return report_; }

public slots:
    void miTransitClick();
    // Puts counts into "Azimuth corr" and runs Refresh.
    void useAzimuthCorrection(qint64 counts);

private:
    TForm1& form_;
    TTransitSeams seams_;
    QAction* action_ = nullptr;
    TTransitForm* resultWindow_ = nullptr;
    TTransitReport report_;
};

}  // namespace driftline
