#include "link/deviceprogrammer.h"

#include "conversions/numberconversion.h"
#include "link/seriallink.h"
#include "settings/setupstore.h"

namespace Tensiova {

DeviceProgrammer::DeviceProgrammer(SerialLink &link, const QString &paramIniPath,
                                   const QLocale &locale)
    : m_link(link)
    , m_paramIniPath(paramIniPath)
    , m_locale(locale)
{ }

DeviceProgrammer::Envoi DeviceProgrammer::send(MonitoringSetup setup, Keeping keeping,
                                               bool checkOnly)
{
    Envoi result;
    m_table.reset();
    result.statesCorrected = setup.correctLogicStates();
    result.setup = setup;
    m_table.fill(setup);

    // Checked before saving, so that param.ini keeps the last settings that could be sent.
    const ProgrammingMessage message = ProgrammingMessage::build(m_table, m_locale);
    result.problems = message.problems;
    if (!message.isValid() || checkOnly) {
        return result;
    }
    result.message = message.bytes;
    // The device does not care where the settings are kept: a failed save still sends.
    if (keeping == Keeping::InParamIni) {
        result.saved = SetupStore::SaveSetup(m_paramIniPath, setup);
    }
    result.portOpened = m_link.portOpen() || m_link.open();
    if (result.portOpened && m_link.output(message.bytes)) {
        result.sent = message.bytes;
    }
    return result;
}

DeviceProgrammer::PortChange DeviceProgrammer::changePort(const QString &answer)
{
    PortChange change;
    if (answer.isEmpty()) {
        return change;
    }
    change.answer = PortAnswer::parse(answer, m_locale);
    if (!change.answer.port) {
        change.outcome = PortChange::Outcome::Refused;
    } else if (m_link.portOpen()) {
        change.outcome = PortChange::Outcome::PortOpen;
    } else {
        m_link.setCommPort(*change.answer.port);
        change.kept = SetupStore::WriteEntry(m_paramIniPath, SetupStore::portSection(), answer);
        change.outcome = PortChange::Outcome::Changed;
    }
    return change;
}

std::optional<qint16> DeviceProgrammer::storedPort(const QString &paramIniPath)
{
    const QString stored =
        SetupStore::ReadEntry(paramIniPath, SetupStore::portSection(), SetupStore::NumberCapacity);
    const std::optional<qint16> port = RoundToInt16(LeadingNumber(stored.trimmed()));
    if (port && *port >= 1) {
        return port;
    }
    return std::nullopt;
}

} // namespace Tensiova
