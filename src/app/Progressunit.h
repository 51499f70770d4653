#pragma once
// TProgressForm: the dialog shown while a log file larger than 1 MiB is read. It repaints once
// per 1 % of the file, from the reader's progress model, and lets pending events run there.
#include "logdata/Progressmodel.h"

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class TProgressForm;
}

namespace driftline {

class TProgressForm : public QDialog {
    Q_OBJECT
public:
    explicit TProgressForm(QWidget* owner);
    ~TProgressForm() override;

    // Resets the counts for the file at path; shows the dialog (not modal, centred on its owner)
    // and returns true only when the file is larger than 1,048,576 bytes.
    bool ProgressStart(const QString& path);
    // Accounts one line of lineLength characters (plus the CR LF it had on disk).
    void ProgressAdvance(std::uint64_t lineLength);

    // The arithmetic; the reader advances it and the dialog repaints in its step callback.
    TProgressModel model;
    std::unique_ptr<Ui::TProgressForm> ui;

private:
    void Step(const std::string& bytesText, const std::string& percentText, int position);
};

}  // namespace driftline
