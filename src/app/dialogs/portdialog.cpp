#include "app/dialogs/portdialog.h"

#include "link/portmap.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace Tensiova {

namespace {

constexpr int RefreshMs = 700; // an adapter plugged in shows within about a second

} // namespace

PortDialog::PortDialog(QWidget *parent, const QString &title, const QString &prompt,
                       const QString &proposed, const QString &settingsFolder,
                       const QString &deviceInUse)
    : QDialog(parent)
    , m_watch(settingsFolder)
    , m_deviceInUse(deviceInUse)
{
    setObjectName(QStringLiteral("PortDialog"));
    setWindowTitle(title);
    auto *question = new QLabel(prompt, this);
    m_answer = new QLineEdit(proposed, this);
    m_answer->setObjectName(QStringLiteral("PortAnswer"));
    m_answer->setAccessibleName(prompt);
    question->setBuddy(m_answer);
    auto *presentLabel = new QLabel(QStringLiteral("Ports présents :"), this);
    m_ports = new QListWidget(this);
    m_ports->setObjectName(QStringLiteral("PortList"));
    m_ports->setAccessibleName(QStringLiteral("Ports présents"));
    presentLabel->setBuddy(m_ports);
    connect(m_ports, &QListWidget::currentRowChanged, this, [this](int row) {
        if (const int number = m_listed.value(row).number; number > 0) {
            m_answer->setText(QString::number(number));
        }
    });
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(question);
    layout->addWidget(m_answer);
    layout->addWidget(presentLabel);
    layout->addWidget(m_ports);
    layout->addWidget(buttons);
    resize(560, 300);

    connect(&m_watch, &PortWatch::listed, this, &PortDialog::showPorts);
    m_watch.setInterval(RefreshMs);
}

QString PortDialog::answer() const
{
    return m_answer->text();
}

QString PortDialog::lineText(const PortListing &port, bool inUse)
{
    QString text =
        port.number > 0 ? QStringLiteral("COM%1").arg(port.number) : QStringLiteral("sans numéro");
    if (port.device.compare(text, Qt::CaseInsensitive) != 0) {
        text += QStringLiteral(" — ") + port.device; // on Windows, COMn is the device's own name
    }
    if (!port.description().isEmpty()) {
        text += QStringLiteral(" — ") + port.description();
    }
    if (port.viaLink) {
        text += QStringLiteral(" (lien COM%1)").arg(port.number);
    }
    if (inUse) {
        text += QStringLiteral(" — en service");
    }
    if (!port.mayOpen) {
        text += QStringLiteral(" — accès refusé : votre compte doit appartenir au groupe dialout "
                               "(sudo usermod -aG dialout $USER, puis nouvelle session)");
    }
    return text;
}

void PortDialog::showPorts(const QList<PortListing> &present)
{
    if (present == m_listed) {
        return;
    }
    const QString chosen = m_listed.value(m_ports->currentRow()).device;
    const QSignalBlocker quiet(m_ports);
    m_listed = present;
    m_ports->clear();
    for (const PortListing &port : m_listed) {
        const QString text = lineText(
            port, !m_deviceInUse.isEmpty() && PortMap::sameDevice(port.device, m_deviceInUse));
        auto *item = new QListWidgetItem(text, m_ports);
        item->setData(Qt::AccessibleTextRole, text);
        item->setToolTip(text);
        if (port.device == chosen) {
            m_ports->setCurrentItem(item);
        }
    }
}

} // namespace Tensiova
