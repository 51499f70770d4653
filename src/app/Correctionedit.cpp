// The correction edits: free typing, a check on use, and the mark of a value not applied yet.
#include "app/Correctionedit.h"

#include <QLineEdit>

#include <charconv>
#include <string>

namespace driftline {

bool ParseCorrection(const QString& text, std::int32_t& value)
{
    const std::string s = text.trimmed().toStdString();
    const char* first = s.data();
    const char* last = s.data() + s.size();
    if (first != last && *first == '+')
        ++first;
    std::int32_t parsed = 0;
    const auto [end, ec] = std::from_chars(first, last, parsed);
    if (ec != std::errc() || end != last || first == last)
        return false;
    value = parsed;
    return true;
}

QString CorrectionRefusal(const QString& axis, const QString& text, std::int32_t kept)
{
    const QString shown = text.trimmed().isEmpty() ? QStringLiteral("An empty field")
                                                   : QStringLiteral("\"%1\"").arg(text);
    return QStringLiteral("%1 is not a correction: the %2 correction is a whole number of encoder counts "
                          "(for example -241). It stays %3.")
        .arg(shown, axis.toLower())
        .arg(kept);
}

TCorrectionEdit::TCorrectionEdit(QLineEdit* edit) : QObject(edit), edit_(edit), ownToolTip_(edit->toolTip())
{
    connect(edit_, &QLineEdit::textChanged, this, &TCorrectionEdit::updateMark);
}

void TCorrectionEdit::setApplied(std::int32_t value)
{
    applied_ = value;
    hasApplied_ = true;
    updateMark();
}

void TCorrectionEdit::forget()
{
    hasApplied_ = false;
    updateMark();
}

void TCorrectionEdit::updateMark()
{
    // "+7" and " 7" are the value 7, applied or not as 7 is.
    std::int32_t typed = 0;
    const bool pending = hasApplied_ && !(ParseCorrection(edit_->text(), typed) && typed == applied_);
    if (pending == unapplied_)
        return;
    unapplied_ = pending;
    QFont font = edit_->font();
    font.setItalic(pending);
    edit_->setFont(font);
    edit_->setToolTip(pending ? QString::fromUtf8(CorrectionNotAppliedTip) : ownToolTip_);
}

}  // namespace driftline
