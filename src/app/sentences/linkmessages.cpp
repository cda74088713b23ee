#include "app/sentences/linkmessages.h"

#include "app/sentences/filemessages.h"
#include "conversions/windows1252.h"
#include "link/messagedescription.h"
#include "model/actionchoice.h"

#include <QStringList>

namespace Tensiova::LinkMessages {

namespace {

QString portKept(qint16 port)
{
    return QStringLiteral("\nLe port COM%1 est conservé.").arg(port);
}

} // namespace

QString openFailure(const PortOpenFailure &failure)
{
    QString text;
    if (failure.device.isEmpty()) {
        text = QStringLiteral("Le port COM%1 ne correspond à aucun périphérique de ce système.")
                   .arg(failure.port);
    } else {
        text = QStringLiteral("Impossible d'ouvrir le port %1 : %2.")
                   .arg(PortMap::portLabel(failure.port, failure.device),
                        FileMessages::systemWords(failure.reason));
    }
    text += QStringLiteral("\nRien n'a été envoyé à l'appareil.");
    if (failure.error == QSerialPort::PermissionError) {
        text += QStringLiteral(
            "\n\nVotre compte n'a pas le droit d'utiliser ce port : faites-le ajouter au groupe "
            "des ports série (par exemple « sudo usermod -aG dialout $USER »), puis ouvrez une "
            "nouvelle session.");
    }
    if (!failure.presentKnown) {
        return text; // the ports have not been listed yet: better say nothing than be wrong
    }
    if (failure.present.isEmpty()) {
        text += QStringLiteral("\n\nAucun port série n'est présent sur ce système.");
    } else {
        QStringList names;
        for (const PortMap::PresentPort &entry : failure.present) {
            names.append(PortMap::portLabel(entry.number, entry.device));
        }
        text += QStringLiteral("\n\nPorts présents : ") + names.join(QStringLiteral(", "))
            + QStringLiteral(".\nChoisissez le bon dans « Paramètrage » ▸ « Port COM ».");
    }
    return text;
}

QString connectionLost(qint16 port, const QString &device)
{
    return QStringLiteral("La liaison avec le port %1 est perdue : l'appareil ne "
                          "répond plus ou son câble est débranché.\n"
                          "Le port est fermé ; le prochain « Envoi » le rouvrira.")
        .arg(PortMap::portLabel(port, device));
}

QString portSendName(const PortSend &port)
{
    const int number = port.portNumber();
    return number > 0 ? PortMap::portLabel(number, port.deviceName()) : port.deviceName();
}

QString portSendState(const PortSend &port)
{
    switch (port.state()) {
    case PortSend::State::Ready:
        return QStringLiteral("prêt");
    case PortSend::State::Sending:
        return QStringLiteral("en cours");
    case PortSend::State::Answered:
        return QStringLiteral("répondu « %1 »")
            .arg(escapedText(Windows1252::decode(port.answer())));
    case PortSend::State::Sent:
        return QStringLiteral("envoyé");
    case PortSend::State::NoAnswer:
        return QStringLiteral("pas de réponse");
    case PortSend::State::PortNotOpened: {
        const PortOpenFailure &failure = port.openFailure();
        return QStringLiteral("port non ouvert : %1")
            .arg(failure.device.isEmpty() ? QStringLiteral("aucun périphérique de ce nom")
                                          : FileMessages::systemWords(failure.reason));
    }
    case PortSend::State::LinkLost:
        return QStringLiteral("appareil perdu");
    }
    return {};
}

QString fieldProblem(const FieldProblem &problem)
{
    const QString field = fieldCaption(problem.family, problem.channel);
    if (isActionFamily(problem.family)
        && problem.text == QString::number(ActionChoice::NoSelection)) {
        return field + QStringLiteral(" : aucune entrée choisie");
    }
    // A pasted novel must not make the message box taller than the screen.
    constexpr qsizetype LongestQuoted = 24;
    QString quoted = problem.text.size() > LongestQuoted
        ? problem.text.left(LongestQuoted) + QChar(0x2026)
        : problem.text;
    for (QChar &c : quoted) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator) {
            c = QLatin1Char(' ');
        }
    }
    return field + QStringLiteral(" : « %1 »").arg(quoted);
}

QString wrongFields(const QList<FieldProblem> &problems, Saving saving)
{
    QStringList lines;
    for (const FieldProblem &problem : problems) {
        lines.append(fieldProblem(problem));
    }
    return (saving == Saving::Yes ? QStringLiteral("Rien n'a été envoyé ni enregistré")
                                  : QStringLiteral("Rien n'a été envoyé"))
        + QStringLiteral(" : chacun de ces champs doit contenir un nombre entier de 0 à 255, et "
                         "chaque liste une action choisie.\n\n")
        + lines.join(QLatin1Char('\n'));
}

QString refusedPort(const QString &answer, PortAnswer::Problem problem, qint16 kept)
{
    const QString why = problem == PortAnswer::Problem::NotANumber
        ? QStringLiteral("« %1 » n'est pas un numéro de port.").arg(answer)
        : QStringLiteral("« %1 » ne peut pas être un numéro de port : il faut un nombre "
                         "entier de 1 à 32767.")
              .arg(answer);
    return why + portKept(kept);
}

QString portIsOpen(qint16 port)
{
    return QStringLiteral("Le port COM%1 est ouvert : son numéro ne peut pas changer maintenant.\n"
                          "Fermez le panneau avec « Quitter », attendez quelques secondes que "
                          "le port se ferme, puis recommencez.")
               .arg(port)
        + portKept(port);
}

Warning envoiOutcome(const DeviceProgrammer::Envoi &envoi, const PortOpenFailure &failure,
                     const QString &paramIni)
{
    if (!envoi.problems.isEmpty()) {
        return {QStringLiteral("Envoi impossible"), wrongFields(envoi.problems)};
    }
    if (!envoi.portOpened) {
        QString text = openFailure(failure);
        if (!envoi.saved) {
            text += QStringLiteral("\n\n") + FileMessages::notKeptEither(paramIni, envoi.saved);
        }
        return {QStringLiteral("Port de communication"), text};
    }
    if (!envoi.sent.isEmpty() && !envoi.saved) {
        return {QStringLiteral("Envoi"), FileMessages::sentButNotKept(paramIni, envoi.saved)};
    }
    return {};
}

QString portChangeProblem(const DeviceProgrammer::PortChange &change, const QString &answer,
                          qint16 port, const QString &paramIni)
{
    using Outcome = DeviceProgrammer::PortChange::Outcome;
    switch (change.outcome) {
    case Outcome::Refused:
        return refusedPort(answer, change.answer.problem, port);
    case Outcome::PortOpen:
        return portIsOpen(port);
    case Outcome::Changed:
        return change.kept ? QString() : FileMessages::portNotKept(port, paramIni, change.kept);
    case Outcome::Cancelled:
        break;
    }
    return {};
}

QString unsentOnQuit(int changed)
{
    const QString what = changed == 1
        ? QStringLiteral("1 réglage modifié à la main n'a pas été envoyé à l'appareil.")
        : QStringLiteral("%1 réglages modifiés à la main n'ont pas été envoyés à l'appareil.")
              .arg(changed);
    return what
        + QStringLiteral("\n\nSans « Envoi », ils sont perdus : au prochain démarrage, la "
                         "fenêtre affichera les réglages du dernier envoi.\n\nLes envoyer "
                         "avant de quitter ?");
}

} // namespace Tensiova::LinkMessages
