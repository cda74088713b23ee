#pragma once

#include "setuplibrary/setupversion.h"

#include <QDialog>
#include <QLocale>

#include <optional>

class QLabel;
class QPushButton;

namespace Tensiova {

class SetupGrid;
class UserDialogs;

// A proposed version beside the set-up's approved one, each differing field marked
// "proposée → approuvée", for an approver to approve it or refuse it with a reason.
class ProposalDialog : public QDialog
{
    Q_OBJECT

public:
    ProposalDialog(const SetupVersion &proposal, const std::optional<SetupVersion> &approved,
                   UserDialogs &dialogs, const QLocale &locale, QWidget *parent = nullptr);

    // How many fields differ from the approved version (all of them when there is none).
    int differences() const { return m_differences; }
    const SetupVersion &proposal() const { return m_proposal; }

signals:
    // The approver's decision; a refusal carries its reason.
    void decided(Tensiova::SetupVersion::State state, const QString &reason);

private:
    SetupVersion m_proposal;
    UserDialogs &m_dialogs;
    SetupGrid *m_grid = nullptr;
    int m_differences = 0;
};

} // namespace Tensiova
