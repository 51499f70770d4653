#pragma once
// TPolForm: the fit result window, a resizable window holding one memo with the correlation
// coefficient and the coefficients of the last fit. Created on the first fit and kept.
#include <QFont>
#include <QStringList>
#include <QWidget>

#include <memory>

class QLabel;
class QPlainTextEdit;
namespace Ui {
class TPolForm;
}

namespace driftline {

class TPolForm : public QWidget {
    Q_OBJECT
public:
    // A top-level window owned by owner (the main window), captioned "Polynomial fit".
    explicit TPolForm(QWidget* owner);
    ~TPolForm() override;

    // Moves the window's left and top edges to (left, top), empties the memo and the peak lines
    // and shows the window without blocking.
    void ShowAt(int left, int top);
    // The lines above the memo that say where the fitted curve peaks in the plotted quantities'
    // units; hidden while empty.
    void SetPeakLines(const QStringList& lines);
    QStringList PeakLines() const;
    // Appends one line to the memo.
    void AddLine(const QString& line);
    // The memo's lines, for tests and the command-line tool.
    QStringList Lines() const;
    QPlainTextEdit* Memo() const;

    // Bold monospace of 13 pixels: Courier New where installed, else the system's fixed font.
    static QFont MemoFont();

private:
    std::unique_ptr<Ui::TPolForm> ui_;
    QLabel* peak_ = nullptr;
};

// Installs the fit's message reporter: each failure message appears in a modal warning box with
// the caption "PolyFit Exception" that stays on top and is brought to the front. parent may be
// null.
void InstallPolyFitMessageBox(QWidget* parent);

}  // namespace driftline
