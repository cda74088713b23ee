#pragma once

#include "link/deviceprogrammer.h"
#include "link/portanswer.h"
#include "link/programmingmessage.h"
#include "link/seriallink.h"
#include "multisend/portsend.h"

#include <QList>
#include <QString>

// What the user is told about the device link, in French.
namespace Tensiova::LinkMessages {

// Why the port could not be opened, with the "dialout" hint and the ports present.
QString openFailure(const PortOpenFailure &failure);
// The device went away while the port was open.
QString connectionLost(qint16 port, const QString &device);
// "Envoi" refused: every field that gives no byte, one to a line. Saving::No where nothing
// would have been saved anyway (the command line).
enum class Saving { Yes, No };
QString wrongFields(const QList<FieldProblem> &problems, Saving saving = Saving::Yes);
// "AN3 – Valeur max : « 300 »", "ET2 – Action : aucune entrée choisie".
QString fieldProblem(const FieldProblem &problem);
// The port dialog's answer cannot be a port; the current one is kept.
QString refusedPort(const QString &answer, PortAnswer::Problem problem, qint16 kept);
// The port is open, so its number cannot change now.
QString portIsOpen(qint16 port);
// A message box's words; no title: nothing to say.
struct Warning
{
    QString title;
    QString text;
};
// What "Envoi" tells the user: the fields it refused, the port it could not open, the settings
// param.ini did not keep.
Warning envoiOutcome(const DeviceProgrammer::Envoi &envoi, const PortOpenFailure &failure,
                     const QString &paramIni);
// What a change of port tells: the answer refused, the port in use, the number not kept.
QString portChangeProblem(const DeviceProgrammer::PortChange &change, const QString &answer,
                          qint16 port, const QString &paramIni);

// A port among several sent to at once: "COM3 (/dev/ttyUSB0)", or its device alone.
QString portSendName(const PortSend &port);
// Where its sending stands, in a few words: "en cours", "répondu « OK\r\n »", "pas de
// réponse", "port non ouvert : raison", "appareil perdu".
QString portSendState(const PortSend &port);

// Asked before the program ends when settings typed by hand have not been sent.
QString unsentOnQuit(int changed);

} // namespace Tensiova::LinkMessages
