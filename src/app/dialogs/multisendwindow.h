#pragma once

#include "multisend/multisend.h"
#include "setuplibrary/workshopsetups.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace Tensiova {

class LibraryThread;
class UserDialogs;

// "Envoi à plusieurs appareils": the ports present, each with a tick and a repère, and the main
// window's settings sent to every ticked port at once, each port's state shown as it goes. A
// barcode scanner that types a repère and Enter moves on to the next port's field; a repère given
// a set-up of the workshop's library has that set-up's approved version sent to its port instead.
class MultiSendWindow : public QDialog
{
    Q_OBJECT

public:
    MultiSendWindow(const SendContext &context, UserDialogs &dialogs,
                    std::function<MonitoringSetup()> currentSetup,
                    std::function<QString()> currentSetupFile, QWidget *parent = nullptr);

    MultiSend &sending() { return m_sending; }
    // The device the main window holds open, which this window leaves alone.
    void setDeviceInUse(const QString &device) { m_deviceInUse = device; }

    void EnvoyerATous_Click();
    void RenvoyerAuxEchecs_Click();

private:
    struct Row
    {
        PortListing port;
        QCheckBox *tick = nullptr;
        QLineEdit *label = nullptr;
        QLabel *state = nullptr;
        QLabel *setup = nullptr; // the library's version its repère is given, if any
        std::optional<SetupVersion> version;
    };

    void showPorts(const QList<PortListing> &present);
    void moveOnFrom(QLineEdit *label);
    // The version of the set-up the row's repère is given, asked off the window's thread.
    void askSetupOf(QLineEdit *label);
    void showSetup(Row &row, const WorkshopSetups::Found &found);
    void showState(int index);
    void showSummary();
    // The rows as the ports to send to, with their repères as typed now.
    void takeTargets();
    void tellProblems(const QList<FieldProblem> &problems);

    UserDialogs &m_dialogs;
    std::function<MonitoringSetup()> m_currentSetup;
    std::function<QString()> m_currentSetupFile;
    MultiSend m_sending;
    QString m_historyPath;
    LibraryThread *m_library = nullptr;
    QString m_deviceInUse;
    QList<Row> m_rows;
    bool m_listingWaits = false; // came while sending: shown once it ends
    QGridLayout *m_grid;
    QLabel *m_summary;
    QPushButton *m_sendToAll;
    QPushButton *m_retry;
};

} // namespace Tensiova
