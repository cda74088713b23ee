#pragma once

#include "link/portlisting.h"
#include "link/portwatch.h"

#include <QDialog>

class QLineEdit;
class QListWidget;

namespace Tensiova {

// The port box: the design's question and answer field, and below them the ports present, which
// follow adapters plugged in and pulled out. Choosing a line fills the number.
class PortDialog : public QDialog
{
    Q_OBJECT

public:
    PortDialog(QWidget *parent, const QString &title, const QString &prompt,
               const QString &proposed, const QString &settingsFolder, const QString &deviceInUse);

    QString answer() const;

    static QString lineText(const PortListing &port, bool inUse);

private:
    void showPorts(const QList<PortListing> &present);

    PortWatch m_watch;
    QString m_deviceInUse;
    QLineEdit *m_answer = nullptr;
    QListWidget *m_ports = nullptr;
    QList<PortListing> m_listed;
};

} // namespace Tensiova
