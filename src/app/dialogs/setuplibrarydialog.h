#pragma once

#include "model/monitoringsetup.h"
#include "setuplibrary/workshopsetups.h"

#include <QDialog>
#include <QLocale>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace Tensiova {

class LibraryThread;
class ProposalDialog;
class UserDialogs;

// Fichier ▸ Réglages de l'atelier: the workshop's set-ups (approved version, its date and author,
// proposals waiting), filtered as typed. "Ouvrir" hands the approved version to the main window;
// "Proposer…" sends the window's values as a new version, with the same checks as "Envoi";
// "Examiner…" shows a proposal beside the approved version to approve or refuse it. The server
// is asked off the window's thread; without it, the station's copy is listed with its date.
class SetupLibraryDialog : public QDialog
{
    Q_OBJECT

public:
    SetupLibraryDialog(const QString &historyPath, const SharedServer &server, UserDialogs &dialogs,
                       std::function<MonitoringSetup()> windowSetup, const QLocale &locale,
                       QWidget *parent = nullptr);
    ~SetupLibraryDialog() override;

    // Reads the list again.
    void refresh();
    // The set-up shown selected, or empty.
    QString selectedName() const;
    void selectName(const QString &name);
    // The name "Proposer…" offers first: the set-up last opened.
    void setOpenedName(const QString &name) { m_openedName = name; }
    ProposalDialog *proposalDialog() const { return m_proposalDialog; }

signals:
    void versionOpened(const Tensiova::SetupVersion &version, bool fromCopy);
    // A list, an opening, a proposal or a decision has been answered: for those who wait on it.
    void answered();

private:
    void showListing(const WorkshopSetups::Listing &listing);
    void applyFilter();
    void openSelected();
    void propose();
    void examine();
    void decide(const SetupVersion &version, SetupVersion::State state, const QString &reason);
    void setBusy(bool busy);

    UserDialogs &m_dialogs;
    std::function<MonitoringSetup()> m_windowSetup;
    QLocale m_locale;
    LibraryThread *m_thread = nullptr;
    QLineEdit *m_filter = nullptr;
    QTableWidget *m_list = nullptr;
    QLabel *m_source = nullptr;
    QPushButton *m_open = nullptr;
    QPushButton *m_propose = nullptr;
    QPushButton *m_examine = nullptr;
    ProposalDialog *m_proposalDialog = nullptr;
    QString m_openedName;
    QString m_selectAfterList;
};

} // namespace Tensiova
