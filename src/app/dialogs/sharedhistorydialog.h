#pragma once

#include "sharedhistory/shareddatabase.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace Tensiova {

// "Paramètrage" ▸ "Historique partagé…": the workshop's PostgreSQL server, as a libpq
// connection text; never a password, which stays in libpq's own password file. "Essayer"
// connects off the window's thread and says what it reached, or why not.
class SharedHistoryDialog : public QDialog
{
    Q_OBJECT

public:
    // setBy: who set the server when the user may not change it (shown, the fields read-only).
    explicit SharedHistoryDialog(const SharedServer &server, const QString &setBy = {},
                                 QWidget *parent = nullptr);
    ~SharedHistoryDialog() override;

    SharedServer server() const;
    // Connects with what is typed; the outcome shows when it comes.
    void tryConnection();
    void accept() override;

signals:
    void tried(); // the outcome of "Essayer" is shown

private:
    void showOutcome(bool connected, const QString &text);

    QLineEdit *m_connection = nullptr;
    QCheckBox *m_unencrypted = nullptr;
    QPushButton *m_try = nullptr;
    QLabel *m_outcome = nullptr;
    QThread *m_trial = nullptr;
};

} // namespace Tensiova
