#include "app/commandline/outdatedcommand.h"

#include "app/commandline/console.h"
#include "app/commandline/setupcommand.h"
#include "app/sentences/clocktext.h"
#include "app/sentences/librarymessages.h"
#include "history/historycsv.h"
#include "history/historysource.h"
#include "history/historystore.h"
#include "setuplibrary/devicestates.h"
#include "setuplibrary/workshopsetups.h"
#include "sharedhistory/sharedserversetting.h"

#include <QCommandLineParser>
#include <QJsonDocument>
#include <QJsonObject>

namespace Tensiova::OutdatedCommand {

namespace {

struct Device
{
    QString label;
    DeviceState state;
    QDateTime lastSent; // invalid: never
    QString computer;
};

void print(const Device &device, const QCommandLineParser &parser)
{
    const QString lastSent =
        device.lastSent.isValid() ? device.lastSent.toLocalTime().toString(Qt::ISODate) : QString();
    if (parser.isSet(QStringLiteral("json"))) {
        const QJsonObject object {
            {QStringLiteral("label"), device.label},
            {QStringLiteral("setup"), device.state.setup},
            {QStringLiteral("state"), LibraryMessages::deviceState(device.state)},
            {QStringLiteral("held"), device.state.held},
            {QStringLiteral("approved"), device.state.approved},
            {QStringLiteral("last_sent"), lastSent},
            {QStringLiteral("computer"), device.computer}};
        Console::write(stdout,
                       QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact))
                           + QLatin1Char('\n'));
    } else if (parser.isSet(QStringLiteral("csv"))) {
        Console::writeBytes(stdout,
                            HistoryCsv::line({device.label, device.state.setup,
                                              LibraryMessages::deviceState(device.state), lastSent,
                                              device.computer}));
    } else {
        Console::write(
            stdout,
            QStringLiteral("%1  |  %2  |  %3\n")
                .arg(device.label, device.state.setup, LibraryMessages::deviceState(device.state)));
    }
}

} // namespace

int run(const QCommandLineParser &parser, HistorySource &source)
{
    // The library as the server has it now, when it answers; else the station's last copy.
    WorkshopSetups setups(HistoryStore::defaultPath(), SharedServerSetting::load());
    setups.setPatience(SetupCommand::ScriptPatienceMs);
    if (!setups.refreshCopy()) {
        Console::write(stderr,
                       LibraryMessages::fromCopy(setups.copy().copiedAt()) + QLatin1Char('\n'));
    }
    const std::optional<DeviceStates> states = DeviceStates::fromCopy(setups.copy());
    if (!states) {
        Console::write(stderr,
                       QStringLiteral("La copie des réglages de ce poste n'a pas pu être "
                                      "lue (%1).\n")
                           .arg(setups.copy().error()));
        return Unreadable;
    }
    if (parser.isSet(QStringLiteral("csv"))) {
        Console::writeBytes(
            stdout,
            QByteArrayLiteral("\xEF\xBB\xBF")
                + HistoryCsv::line({QStringLiteral("Repère"), QStringLiteral("Réglage"),
                                    QStringLiteral("État"), QStringLiteral("Dernier envoi"),
                                    QStringLiteral("Poste")}));
    }
    HistoryFilter filter;
    filter.latestByLabel = true;
    filter.label = parser.value(QStringLiteral("label"));
    QSet<QString> seen;
    bool some = false;
    const bool read = source.forEach(filter, -1, 0, [&](const SendRecord &record) {
        seen.insert(DeviceStates::foldedLabel(record.label));
        const Device device {record.label, states->of(record.label, record.message), record.sentAt,
                             record.computer};
        if (device.state.needsProgramming()) {
            some = true;
            print(device, parser);
        }
        return true;
    });
    if (read) {
        for (const QString &label : states->unprogrammed(seen)) {
            if (filter.label.isEmpty()
                || DeviceStates::foldedLabel(label).contains(
                    DeviceStates::foldedLabel(filter.label))) {
                some = true;
                print({label, states->of(label, {}), {}, {}}, parser);
            }
        }
    }
    std::fflush(stdout);
    if (!read) {
        Console::write(stderr,
                       QStringLiteral("L'historique n'a pas pu être lu en entier (%1).\n")
                           .arg(source.error()));
        return Unreadable;
    }
    return some ? SomeOutdated : NoneOutdated;
}

} // namespace Tensiova::OutdatedCommand
