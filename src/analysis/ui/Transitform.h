#pragma once
// The transit fit on the window: the choice of target, the result window, and the fitted curve
// with the predicted passage drawn over the plot.
#include "analysis/Transitreport.h"
#include "plot/canvas/Plotcanvas.h"

#include <QColor>
#include <QDialog>
#include <QString>
#include <QWidget>

#include <optional>

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace driftline {

// The fitted curve's colour (the samples are red, the polynomial fit blue) and the predicted
// passage's marker.
inline const QColor TransitCurveColor{0, 160, 0};
inline const QColor TransitMarkerColor{160, 0, 160};

// What the user chose: a body or built-in source name, or a position (right ascension and
// declination texts); all empty for the fit alone.
struct TTransitChoice {
    QString name;
    QString ra;
    QString dec;
};

// "Transit fit": the target from a list (no target, the Sun ... Neptune, the built-in sources,
// or a fixed position typed as J2000 right ascension and declination).
class TTransitDialog : public QDialog {
    Q_OBJECT
public:
    explicit TTransitDialog(QWidget* parent);
    // The choice as the controls stand.
    TTransitChoice Choice() const;
    // Selects an entry of the list by its text; false when there is none such.
    bool Select(const QString& entry);

    static QString FitOnlyEntry();
    static QString PositionEntry();

private:
    void ListChanged();
    QComboBox* list_;
    QLineEdit* ra_;
    QLineEdit* dec_;
};

// The result window: the report's values in words and units, or the reason there are none, and
// the button that applies the azimuth correction found. One window, kept and refilled.
class TTransitForm : public QWidget {
    Q_OBJECT
public:
    explicit TTransitForm(QWidget* owner);
    // Fills the window from a report and shows it at (left, top). canApply: whether the main
    // window's "Azimuth corr" can take a value (the log had an azimuth correction line).
    void ShowReport(const TTransitReport& report, bool canApply, int left, int top);

    QPushButton* applyButton() const { return apply_; }
    // The rows as shown, "caption: value" each, and the problem line ("" when none).
    QStringList Rows() const;
    QString Problem() const;

signals:
    // The user asked to use the correction (counts).
    void useAzimuthCorrection(qint64 counts);

private:
    QFormLayout* rows_;
    QLabel* problem_;
    QPushButton* apply_;
    qint64 correction_ = 0;
};

// Draws a transit curve (TransitCurvePath) on the canvas: the curve in TransitCurveColor and the
// predicted passage's marker in TransitMarkerColor. The caller shows the canvas.
void DrawTransitFit(TPlotCanvas& plot, const FitCurve& curve);

}  // namespace driftline
