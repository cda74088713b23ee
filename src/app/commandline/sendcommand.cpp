#include "app/commandline/sendcommand.h"

#include "app/commandline/console.h"
#include "app/commandline/historycommand.h"
#include "app/commandline/setupcommand.h"
#include "app/sentences/filemessages.h"
#include "app/sentences/historymessages.h"
#include "app/sentences/librarymessages.h"
#include "app/sentences/linkmessages.h"
#include "app/sentences/sharingmessages.h"
#include "conversions/windows1252.h"
#include "history/historyrecorder.h"
#include "link/deviceprogrammer.h"
#include "link/messagedescription.h"
#include "link/portanswer.h"
#include "link/portmap.h"
#include "link/seriallink.h"
#include "multisend/multisend.h"
#include "settings/settingslocation.h"
#include "settings/setupstore.h"
#include "setuplibrary/setupcopy.h"
#include "setuplibrary/workshopsetups.h"
#include "sharedhistory/sharedserversetting.h"

#include <QCommandLineParser>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <algorithm>
#include <numeric>
#include <set>

#include <cstdio>

namespace Tensiova::SendCommand {

namespace {

// How long "--send" gives the shared history to take its record.
constexpr int SharedHandOverMs = 3000;

const QString HelpText = QStringLiteral(
    "Usage : tensiova --send FICHIER [--port PORT]... [--wait MS] [--label [PORT=]TEXTE]...\n"
    "                       [--json] [--settings DOSSIER]\n"
    "        tensiova --history [--since DATE] [--port COMn] [--label TEXTE] [--limit N]\n"
    "                           [--csv | --json]\n"
    "        tensiova --help | --version\n"
    "        tensiova                      (la fenêtre)\n"
    "\n"
    "Programme l'appareil de surveillance de tensions sans fenêtre, depuis un script.\n"
    "\n"
    "  --send FICHIER      Fichier de réglages (présentation de param.ini, « Enregistrer sous »).\n"
    "                      Il est lu comme « Ouvrir » le lit, puis envoyé comme « Envoi »\n"
    "                      l'enverrait : mêmes corrections, mêmes contrôles, mêmes 52 octets.\n"
    "                      Une action hors de la liste (au-delà de -1 à 3) est un champ erroné.\n"
    "                      param.ini n'est jamais écrit.\n"
    "  --port PORT         Numéro COM (3 ou COM3), comme dans « Port COM », ou chemin d'un\n"
    "                      périphérique (/dev/ttyUSB0). Par défaut, le port de param.ini.\n"
    "                      Répété (--port COM3 --port COM4 ...), les réglages partent vers\n"
    "                      tous ces ports en même temps, chacun sur sa liaison : une ligne\n"
    "                      par port dès qu'il a fini (un objet JSON par ligne avec --json),\n"
    "                      et le code de sortie du pire.\n"
    "  --wait MS           Attente de la réponse après le dernier octet envoyé, en\n"
    "                      millisecondes (2000 par défaut ; 0 : ne pas attendre). La réponse\n"
    "                      se termine quand la ligne reste muette 100 ms.\n"
    "  --label TEXTE       Repère de l'envoi dans l'historique (site, armoire, n° d'appareil).\n"
    "  --label PORT=TEXTE  Repère d'un des ports donnés (--label COM3=\"Armoire 3\") ; un\n"
    "                      repère sans port vaut pour les autres.\n"
    "  --json              Un seul objet JSON sur la sortie : port, device, bytes (hexadécimal),\n"
    "                      answer, answer_hex, status, label, et message en cas d'échec.\n"
    "  --settings DOSSIER  Dossier de param.ini et des liens COMn (par défaut, celui du\n"
    "                      programme, ou ~/.config/tensiova, %APPDATA%\\tensiova sous\n"
    "                      Windows, pour un programme installé).\n"
    "  --help, --version   Cette aide ; la version.\n"
    "\n"
    "Chaque envoi qui passe les contrôles des champs est inscrit dans l'historique, comme\n"
    "ceux de la fenêtre ; s'il ne peut pas l'être, l'envoi se fait quand même et l'erreur\n"
    "standard le dit.\n"
    "\n"
    "Code de sortie :\n"
    "  0  envoyé, et l'appareil a répondu (ou envoyé, avec --wait 0)\n"
    "  1  envoyé, mais pas de réponse dans le temps donné\n"
    "  2  ligne de commande incorrecte, ou fichier illisible\n"
    "  3  un champ ne peut pas être envoyé (chacun est nommé)\n"
    "  4  le port ne s'ouvre pas (la raison et les ports présents sont donnés), ou\n"
    "     l'appareil est perdu avant de répondre\n"
    "\n"
    "Exemple, trois appareils en même temps, chacun avec son repère :\n"
    "  tensiova --send reglage.txt --port COM3 --port COM4 --port COM5 \\\n"
    "      --label \"COM3=Armoire 3\" --label \"COM4=Armoire 4\" --label \"COM5=Armoire 5\"\n");

struct Outcome
{
    int exit = Answered;
    QString status;
    QString message; // what went wrong, in French
    QString port; // "COM3", or empty when no number names the device
    QString portLabel; // "COM3 (/dev/ttyUSB0)", "COM3" on Windows, or the device alone
    QString device;
    QString label; // the repère, said when several ports are sent to
    QByteArray bytes;
    QByteArray answer;
    QString setup; // "NOM v3" or "hors bibliothèque"; empty when the station knows no library
};

QString hex(const QByteArray &bytes, char separator)
{
    return QString::fromLatin1(bytes.toHex(separator).toUpper());
}

bool hasControlCharacters(const QByteArray &bytes)
{
    return std::any_of(bytes.begin(), bytes.end(),
                       [](char c) { return uchar(c) < 0x20 || uchar(c) == 0x7F; });
}

void report(const Outcome &outcome, bool json)
{
    if (json) {
        QJsonObject object {{QStringLiteral("port"), outcome.port},
                            {QStringLiteral("device"), outcome.device},
                            {QStringLiteral("bytes"), hex(outcome.bytes, '\0')},
                            {QStringLiteral("answer"), Windows1252::decode(outcome.answer)},
                            {QStringLiteral("answer_hex"), hex(outcome.answer, '\0')},
                            {QStringLiteral("status"), outcome.status}};
        if (!outcome.message.isEmpty()) {
            object.insert(QStringLiteral("message"), outcome.message);
        }
        if (!outcome.label.isEmpty()) {
            object.insert(QStringLiteral("label"), outcome.label);
        }
        if (!outcome.setup.isEmpty()) {
            object.insert(QStringLiteral("setup"), outcome.setup);
        }
        Console::write(stdout,
                       QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact))
                           + QLatin1Char('\n'));
        return;
    }
    if (!outcome.device.isEmpty()) {
        Console::write(stdout, QStringLiteral("Port : %1\n").arg(outcome.portLabel));
    }
    if (!outcome.bytes.isEmpty()) {
        QString rows;
        for (const QString &row : hexRows(outcome.bytes)) {
            rows += QStringLiteral("  ") + row + QLatin1Char('\n');
        }
        Console::write(stdout,
                       QStringLiteral("Message envoyé (%1 octets) :\n").arg(outcome.bytes.size())
                           + rows);
    }
    if (!outcome.setup.isEmpty()) {
        Console::write(stdout, QStringLiteral("Réglage : %1\n").arg(outcome.setup));
    }
    if (!outcome.answer.isEmpty()) {
        Console::write(stdout,
                       QStringLiteral("Réponse de l'appareil : « %1 »\n")
                           .arg(escapedText(Windows1252::decode(outcome.answer))));
        if (hasControlCharacters(outcome.answer)) {
            Console::write(
                stdout,
                QStringLiteral("Réponse en hexadécimal : %1\n").arg(hex(outcome.answer, ' ')));
        }
    }
    if (!outcome.message.isEmpty()) {
        Console::write(stderr, outcome.message + QLatin1Char('\n'));
    }
}

// The shared history takes the records now when it answers soon; otherwise they wait, and the
// error output says so (the exit status still tells what the device did).
void handOverToSharedHistory(SharedPush &push)
{
    push.database().setPatience(SharedHandOverMs);
    const SharingState state = push.run(QDeadlineTimer(SharedHandOverMs));
    if (state.failed || state.waiting > 0) {
        Console::write(stderr,
                       QStringLiteral("%1 ; « tensiova --history --push » les enverra. %2\n")
                           .arg(SharingMessages::status(state),
                                state.failed ? SharingMessages::reason(state) : QString()));
    }
}

// "NOM v3" when the bytes are a version the workshop approved (now or once), "hors bibliothèque"
// otherwise; nothing when the station knows no library (no server, no copy).
QString setupNaming(SetupCopy &copy, const QByteArray &bytes)
{
    if (!copy.copiedAt().isValid()) {
        return {};
    }
    const std::optional<SetupVersion> version = copy.versionSending(bytes);
    return LibraryMessages::recordSetup(version ? version->title() : QString());
}

Outcome failure(int exit, const QString &status, const QString &message)
{
    Outcome outcome;
    outcome.exit = exit;
    outcome.status = status;
    outcome.message = message;
    return outcome;
}

// The port a --port value names: a COM number as the window maps it ("3", "COM3"), or a device
// path as it stands. Empty when it names none.
std::optional<PortSend::Target> portTarget(const QString &value)
{
    if (value.contains(QLatin1Char('/'))) {
        return PortSend::Target {0, value, {}};
    }
    QString number = value;
    if (number.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) {
        number = number.mid(3);
    }
    const PortAnswer answer = PortAnswer::parse(number, QLocale::system());
    if (!answer.port || *answer.port < 1) {
        return std::nullopt;
    }
    return PortSend::Target {*answer.port, {}, {}};
}

// A --label value: "PORT=TEXT" for the port it names among those given, else TEXT for all.
void applyLabel(const QString &value, QList<PortSend::Target> &targets)
{
    const qsizetype equals = value.indexOf(QLatin1Char('='));
    if (equals > 0) {
        if (const auto named = portTarget(value.left(equals))) {
            for (PortSend::Target &target : targets) {
                if (target.isSamePort(*named)) {
                    target.label = value.mid(equals + 1);
                    return;
                }
            }
        }
    }
    for (PortSend::Target &target : targets) {
        if (target.label.isEmpty()) {
            target.label = value;
        }
    }
}

Outcome portOutcome(const PortSend &port, int waitMs, const QString &setup)
{
    Outcome outcome;
    outcome.setup = port.sent().isEmpty() ? QString() : setup;
    outcome.device = port.deviceName();
    const int number = port.portNumber();
    outcome.port = number > 0 ? QStringLiteral("COM%1").arg(number) : QString();
    outcome.portLabel = LinkMessages::portSendName(port);
    outcome.label = port.target().label;
    outcome.bytes = port.sent();
    outcome.answer = port.answer();
    switch (port.state()) {
    case PortSend::State::Answered:
        outcome.status = QStringLiteral("answered");
        break;
    case PortSend::State::Sent:
    case PortSend::State::Ready:
    case PortSend::State::Sending:
        outcome.status = QStringLiteral("sent");
        break;
    case PortSend::State::NoAnswer:
        outcome.exit = NoAnswer;
        outcome.status = QStringLiteral("no answer");
        outcome.message =
            QStringLiteral("Message envoyé, mais l'appareil n'a pas répondu en %1 ms.").arg(waitMs);
        break;
    case PortSend::State::PortNotOpened:
        outcome.exit = PortNotOpened;
        outcome.status = QStringLiteral("port not opened");
        outcome.message = LinkMessages::openFailure(port.openFailure());
        break;
    case PortSend::State::LinkLost:
        outcome.exit = PortNotOpened;
        outcome.status = QStringLiteral("link lost");
        outcome.message = LinkMessages::connectionLost(qint16(number), outcome.device);
        break;
    }
    return outcome;
}

// Several ports: one line a port as each ends, its state in a few words.
void reportPort(const PortSend &port, const Outcome &outcome, bool json)
{
    if (json) {
        report(outcome, true);
        return;
    }
    QString line =
        QStringLiteral("%1 : %2").arg(outcome.portLabel, LinkMessages::portSendState(port));
    if (!outcome.label.isEmpty()) {
        line += QStringLiteral(" (repère « %1 »)").arg(outcome.label);
    }
    Console::write(stdout, line + QLatin1Char('\n'));
}

// Sends the file to every port given at once, or to param.ini's port when none is; reports as
// each ends, and returns the worst outcome.
int send(const QCommandLineParser &parser, const QString &file, int waitMs, bool json)
{
    // Refused before anything is sent: said at once, with its exit status.
    const auto refuse = [json](int exit, const QString &status, const QString &message) {
        report(failure(exit, status, message), json);
        return exit;
    };
    const QString folderOption = parser.value(QStringLiteral("settings"));
    const SettingsLocation location = folderOption.isEmpty()
        ? SettingsLocation::forThisProgram(SettingsLocation::Seeding::None)
        : SettingsLocation(folderOption, folderOption, SettingsLocation::Seeding::None);
    // The workshop's server, for the library's version and then the history, on one connection.
    const SharedServer server = SharedServerSetting::load();
    WorkshopSetups setups(HistoryStore::defaultPath(), server);
    // A file of the station's, or a version of the workshop's library.
    std::optional<SetupVersion> version;
    QString source = file;
    SetupStore::LoadedSetup loaded;
    if (parser.isSet(QStringLiteral("setup"))) {
        const SetupCommand::Chosen chosen =
            SetupCommand::versionToSend(parser.value(QStringLiteral("setup")), setups);
        if (!chosen.version) {
            return refuse(chosen.sendExit, chosen.status, chosen.message);
        }
        version = chosen.version;
        source = version->title();
        loaded = SetupStore::LoadEntries(version->entries, QLocale::system());
    } else {
        if (!QFileInfo::exists(file)) {
            return refuse(BadCommandLine, QStringLiteral("unreadable file"),
                          QStringLiteral("Le fichier « %1 » n'existe pas.").arg(file));
        }
        loaded = SetupStore::LoadSetup(file, QLocale::system());
        if (!loaded.status) {
            return refuse(BadCommandLine, QStringLiteral("unreadable file"),
                          FileMessages::notOpened(file, loaded.status));
        }
        source = QFileInfo(file).absoluteFilePath();
    }

    QList<PortSend::Target> targets;
    for (const QString &value : parser.values(QStringLiteral("port"))) {
        const auto target = portTarget(value);
        if (!target) {
            return refuse(
                BadCommandLine, QStringLiteral("bad command line"),
                QStringLiteral("« %1 » n'est ni un numéro de port ni un périphérique.").arg(value));
        }
        if (std::any_of(targets.begin(), targets.end(),
                        [&](const auto &given) { return given.isSamePort(*target); })) {
            return refuse(BadCommandLine, QStringLiteral("bad command line"),
                          QStringLiteral("Le port « %1 » est donné deux fois.").arg(value));
        }
        targets.append(*target);
    }
    if (targets.isEmpty()) {
        targets.append(
            {DeviceProgrammer::storedPort(location.paramIniPath()).value_or(SerialLink::DesignPort),
             {},
             {}});
    }
    for (const QString &label : parser.values(QStringLiteral("label"))) {
        applyLabel(label, targets);
    }

    SendContext context;
    context.settingsFolder = location.folder();
    context.historyPath = HistoryStore::defaultPath();
    context.origin = SendRecord::Origin::Script;
    context.programVersion = QStringLiteral(TENSIOVA_VERSION);
    context.locale = QLocale::system();
    context.waitMs = waitMs;
    MultiSend sending(context);
    // Without a window there is time to wait for the ports present, which a refusal lists and
    // each record names the adapter from.
    sending.portWatch().waitForListing(2000);
    sending.setTargets(targets);

    QList<FieldProblem> problems;
    const MonitoringSetup setup = scriptSetup(loaded, problems);
    QList<int> every(targets.size());
    std::iota(every.begin(), every.end(), 0);
    // Every wrong field is named, the others' too, in the order of the message.
    if (version && problems.isEmpty()
        && SetupDraft::of(setup, QLocale::system()).message != version->message) {
        return refuse(
            WrongFields, QStringLiteral("wrong fields"),
            QStringLiteral("Les valeurs de %1 ne donnent pas ses 52 octets sur ce poste : "
                           "rien n'est envoyé.")
                .arg(version->title()));
    }
    problems += problems.isEmpty() ? sending.start(setup, source, every)
                                   : sending.ports().front()->check(setup);
    if (!problems.isEmpty()) {
        std::sort(problems.begin(), problems.end(), [](const auto &a, const auto &b) {
            return ProgrammingTable::entryOf(a.family, a.channel)
                < ProgrammingTable::entryOf(b.family, b.channel);
        });
        return refuse(WrongFields, QStringLiteral("wrong fields"),
                      LinkMessages::wrongFields(problems, LinkMessages::Saving::No));
    }

    // Each record is named after the library's version it sends, from its bytes.
    const auto sent = std::find_if(sending.ports().begin(), sending.ports().end(),
                                   [](const auto &port) { return !port->sent().isEmpty(); });
    const QString setupName =
        sent == sending.ports().end() ? QString() : setupNaming(setups.copy(), (*sent)->sent());

    // What the history could not take is said once for all the ports, at the end.
    std::set<HistoryProblem::Kind> told;
    const bool several = targets.size() > 1;
    int worst = Answered;
    for (const auto &port : sending.ports()) {
        QObject::connect(
            &port->recorder(), &HistoryRecorder::problem, [&told](const HistoryProblem &problem) {
                if (problem.kind != HistoryProblem::Kind::CannotWrite
                    && told.insert(problem.kind).second) {
                    Console::write(stderr, HistoryMessages::problem(problem) + QLatin1Char('\n'));
                }
            });
        const auto ended = [&, port = port.get()] {
            const Outcome outcome = portOutcome(*port, waitMs, setupName);
            worst = std::max(worst, outcome.exit);
            if (several) {
                reportPort(*port, outcome, json);
            } else {
                report(outcome, json);
            }
        };
        if (port->isOver()) {
            ended();
        } else {
            QObject::connect(port.get(), &PortSend::finished, port.get(), ended);
        }
    }
    if (sending.isRunning()) {
        QEventLoop loop;
        QObject::connect(&sending, &MultiSend::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    for (const auto &port : sending.ports()) {
        HistoryRecorder &history = port->recorder();
        if (const int unsaved = history.unsavedCount();
            unsaved > 0 && !history.flush(HistoryRecorder::ExitPatienceMs)) {
            Console::write(
                stderr,
                HistoryMessages::problem({HistoryProblem::Kind::Unsaved, history.store().path(),
                                          history.store().error(), unsaved})
                    + QLatin1Char('\n'));
        }
    }
    // On the connection the library's version came through, when it did.
    if (server.isSet()) {
        SharedPush push(context.historyPath, setups.database());
        handOverToSharedHistory(push);
    }
    return worst;
}

} // namespace

bool isWanted(const QStringList &arguments)
{
    // Qt's own window options (-platform, -style…) take one dash and go to the window.
    return std::any_of(arguments.begin() + std::min<qsizetype>(1, arguments.size()),
                       arguments.end(), [](const QString &argument) {
                           return argument.startsWith(QLatin1String("--"))
                               || argument == QLatin1String("-h");
                       });
}

int run(const QStringList &arguments)
{
    SharedServerSetting::useMachineServices();
    QCommandLineParser parser;
    parser.addOptions({{QStringLiteral("send"), {}, QStringLiteral("fichier")},
                       {QStringLiteral("port"), {}, QStringLiteral("port")},
                       {QStringLiteral("wait"), {}, QStringLiteral("ms"), QStringLiteral("2000")},
                       {QStringLiteral("label"), {}, QStringLiteral("texte")},
                       {QStringLiteral("json"), {}},
                       {QStringLiteral("settings"), {}, QStringLiteral("dossier")},
                       {{QStringLiteral("h"), QStringLiteral("help")}, {}},
                       {QStringLiteral("version"), {}}});
    parser.addOptions(HistoryCommand::options());
    parser.addOptions(SetupCommand::options());
    const bool json = arguments.contains(QStringLiteral("--json"));
    const auto refuse = [json](const QString &why) {
        report(failure(BadCommandLine, QStringLiteral("bad command line"),
                       why + QStringLiteral("\nVoir « tensiova --help ».")),
               json);
        return int(BadCommandLine);
    };
    // "--send --setup NOM": the version is what is sent, no file follows --send.
    QStringList given = arguments;
    const qsizetype sendAt = given.indexOf(QStringLiteral("--send"));
    const bool sendsVersion = sendAt >= 0 && sendAt + 1 < given.size()
        && given.at(sendAt + 1).startsWith(QLatin1String("--setup"));
    if (sendsVersion) {
        given.removeAt(sendAt);
    }
    if (!parser.parse(given)) {
        return refuse(parser.unknownOptionNames().isEmpty()
                          ? QStringLiteral("Ligne de commande incorrecte : une option attend une "
                                           "valeur.")
                          : QStringLiteral("Option inconnue : %1.")
                                .arg(parser.unknownOptionNames().join(QStringLiteral(", "))));
    }
    if (parser.isSet(QStringLiteral("help"))) {
        Console::write(stdout,
                       HelpText + QLatin1Char('\n') + HistoryCommand::help() + QLatin1Char('\n')
                           + SetupCommand::help());
        return Answered;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        Console::write(stdout,
                       QStringLiteral("tensiova %1\n").arg(QStringLiteral(TENSIOVA_VERSION)));
        return Answered;
    }
    if (parser.isSet(QStringLiteral("history-server")) && !parser.isSet(QStringLiteral("send"))) {
        return HistoryCommand::setServer(parser);
    }
    if (parser.isSet(QStringLiteral("history")) && parser.positionalArguments().isEmpty()) {
        return HistoryCommand::run(parser);
    }
    if (SetupCommand::isWanted(parser)) {
        return SetupCommand::run(parser);
    }
    if (sendsVersion != parser.isSet(QStringLiteral("setup"))) {
        return refuse(QStringLiteral("--setup NOM s'emploie après --send : tensiova --send "
                                     "--setup NOM --port PORT."));
    }
    if ((!sendsVersion && !parser.isSet(QStringLiteral("send")))
        || !parser.positionalArguments().isEmpty()) {
        return refuse(QStringLiteral("Ligne de commande incorrecte : il faut --send FICHIER ou "
                                     "--history, sans autre argument."));
    }
    bool isNumber = false;
    const int waitMs = parser.value(QStringLiteral("wait")).toInt(&isNumber);
    if (!isNumber || waitMs < 0) {
        return refuse(QStringLiteral("--wait attend un nombre de millisecondes (0 ou plus)."));
    }
    return send(parser, parser.value(QStringLiteral("send")), waitMs, json);
}

} // namespace Tensiova::SendCommand
