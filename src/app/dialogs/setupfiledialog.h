#pragma once

#include <QFileDialog>

namespace Tensiova {

// The Save As and Open dialog of the settings files: "*.txt" in the file-name field, listing only
// .txt names, no list of file types, no default extension (a name is used as typed), a question
// before replacing an existing file, and in both modes a question before accepting a name that
// does not exist.
class SetupFileDialog : public QFileDialog
{
    Q_OBJECT

public:
    SetupFileDialog(QWidget *parent, AcceptMode mode);

    void accept() override;
};

} // namespace Tensiova
