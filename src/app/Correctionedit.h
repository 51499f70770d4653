#pragma once
// The correction edits (azimuth and altitude, in encoder counts). Any text may stand while the
// user types (an empty field, a lone "-"); the number is checked when it is applied (Refresh) or
// Enter is pressed. A text that differs from the value the samples were derived with is shown in
// italics, its tooltip saying it is not applied yet.
#include <QObject>
#include <QString>

#include <cstdint>

class QLineEdit;

namespace driftline {

// The tooltip of an edited but unapplied correction.
inline constexpr const char* CorrectionNotAppliedTip = "Not applied yet: press Refresh";

// A whole decimal number in the signed 32-bit range, optionally signed; false for anything else
// (value unchanged).
bool ParseCorrection(const QString& text, std::int32_t& value);

// The message refusing text typed in the correction edit of axis ("Azimuth", "Altitude") that is
// not a number; kept is the value that stays in force.
QString CorrectionRefusal(const QString& axis, const QString& text, std::int32_t kept);

class TCorrectionEdit : public QObject {
    Q_OBJECT
public:
    // Watches edit's text; the edit keeps its own tooltip while nothing is pending.
    explicit TCorrectionEdit(QLineEdit* edit);

    // The value the samples are now derived with; the mark goes when the text shows it.
    void setApplied(std::int32_t value);
    // No value applied (the log has no correction for this axis): nothing to mark.
    void forget();
    std::int32_t applied() const { return applied_; }
    // True while the text differs from the value applied (the edit is marked).
    bool unapplied() const { return unapplied_; }

private:
    void updateMark();

    QLineEdit* edit_;
    std::int32_t applied_ = 0;
    bool hasApplied_ = false;
    bool unapplied_ = false;
    QString ownToolTip_;
};

}  // namespace driftline
