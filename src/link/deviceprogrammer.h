#pragma once

#include "link/portanswer.h"
#include "link/programmingmessage.h"
#include "model/monitoringsetup.h"
#include "settings/profilefile.h"

#include <QLocale>
#include <QString>

#include <optional>

namespace Tensiova {

class SerialLink;

// The procedures of the device link, without a window: "Envoi", the change of port and the port
// kept in param.ini. Each returns what happened; saying it to the user is the window's part.
class DeviceProgrammer
{
public:
    DeviceProgrammer(SerialLink &link, const QString &paramIniPath, const QLocale &locale);

    struct Envoi
    {
        MonitoringSetup setup; // as checked, saved and sent: logic states corrected
        bool statesCorrected = false;
        // Every field that gives no byte: nothing was saved or sent.
        QList<FieldProblem> problems;
        FileStatus saved; // param.ini, written before the port is opened
        QByteArray message; // the 52 bytes, once every field gives one
        bool portOpened = false; // false: nothing was sent (SerialLink::openFailure says why)
        // The message, whole, when it went out; empty when the device went away as it was
        // written (the link reports the loss).
        QByteArray sent;
    };
    enum class Keeping { InParamIni, Nowhere };
    // Corrects the logic states, checks every field, keeps the settings in param.ini (unless told
    // not to), opens the port when it is closed and writes the message in one piece.
    // checkOnly: the fields are checked and nothing else is done.
    Envoi send(MonitoringSetup setup, Keeping keeping = Keeping::InParamIni,
               bool checkOnly = false);

    struct PortChange
    {
        enum class Outcome { Cancelled, Refused, PortOpen, Changed };
        Outcome outcome = Outcome::Cancelled;
        PortAnswer answer; // why a typed answer was refused
        FileStatus kept; // param.ini, for a changed port
    };
    // The answer of the port dialog: empty for Cancel; a new number is taken only while the port
    // is closed, and is kept in param.ini as it was typed.
    PortChange changePort(const QString &answer);

    // The port number param.ini keeps; empty when it names no port (0 when it has none).
    std::optional<qint16> storedPort() const { return storedPort(m_paramIniPath); }
    static std::optional<qint16> storedPort(const QString &paramIniPath);

    const QString &paramIniPath() const { return m_paramIniPath; }

private:
    SerialLink &m_link;
    QString m_paramIniPath;
    QLocale m_locale;
    ProgrammingTable m_table;
};

} // namespace Tensiova
