#pragma once
// The viewer's help: HTML pages installed in share/driftline/help, with a built-in copy as a Qt
// resource (":/help/", from docs/help/) for a program that runs uninstalled, shown in a
// help window of our own with a QTextBrowser. The main window asks for the contents, for the
// topic of a control's context number (F1), and for all help windows to close at the end, all
// through HelpHandler, so it never needs to know a page name or a number.
#include <QString>
#include <QUrl>
#include <QWidget>
#include <vector>

class QTextBrowser;

namespace driftline {

// The requests HelpHandler knows.
enum HelpRequest : int {
    HelpContents = 0,  // the Help menu item: the table of contents
    HelpContext = 1,   // F1: the topic of a context number
    HelpCloseAll = 2,  // the program ends: close every help window
};

// The context number of the main window's control with this object name; 0 for a name without one.
int HelpContextFor(const QString& objectName);
// The context number of widget, or of the nearest enclosing widget that has one (a radio button
// inside rgHorizontal answers for rgHorizontal); 0 when none does.
int HelpContextForWidget(const QWidget* widget);
// Every context number in use, ascending.
std::vector<int> HelpContextNumbers();
// The page and anchor of a context number ("axes.html#horizontal"); the contents page for 0 or
// a number without a topic.
QString HelpTopicFor(int context);
// Address of a page of the help: the installed copy below helpFolder when it holds the page, else
// the built-in one ("qrc:/help/" + page).
QUrl HelpUrlIn(const QString& helpFolder, const QString& pageAndAnchor);
// The same with the installed help of the running program (share/driftline/help), if any.
QUrl HelpUrl(const QString& pageAndAnchor);
// The installed help folder of the running program; empty when only the built-in copy is there.
QString InstalledHelpPages();

// A help window: the pages, with Back, Forward and Contents.
class THelpWindow : public QWidget {
    Q_OBJECT

public:
    explicit THelpWindow(QWidget* parent = nullptr);
    // Shows page (with an optional "#anchor") and brings the window to the front.
    void showTopic(const QString& pageAndAnchor);
    QUrl currentSource() const;
    QTextBrowser* browser() const { return browser_; }

private:
    QTextBrowser* browser_;
};

// request 0: contents; 1: the topic of context number data; 2: close all help windows; anything
// else: nothing. Always returns true ("handled"), so no other help is tried.
bool HelpHandler(int request, int data);
// The help window while one is open, else nullptr.
THelpWindow* HelpWindow();

// Makes F1 in window open the topic of the control that has the focus (HelpHandler request 1).
void InstallHelpShortcut(QWidget* window);

}  // namespace driftline
