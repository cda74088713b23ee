#include "setuplibrary/setupversion.h"

#include "model/actionchoice.h"

#include <array>

namespace Tensiova {

namespace {

const std::array<QString, 4> StateKeys {QStringLiteral("proposee"), QStringLiteral("approuvee"),
                                        QStringLiteral("refusee"), QStringLiteral("retiree")};

} // namespace

MonitoringSetup scriptSetup(const SetupStore::LoadedSetup &loaded, QList<FieldProblem> &problems)
{
    MonitoringSetup setup;
    for (const SetupStore::LoadedEntry &entry : loaded.entries) {
        if (!isActionFamily(entry.family)) {
            setup.setText(entry.family, entry.channel, entry.text);
        } else if (entry.index && ActionChoice::isSelectable(*entry.index)) {
            setup.setAction(entry.family, entry.channel, *entry.index);
        } else {
            problems.append({entry.family, entry.channel, entry.stored});
        }
    }
    return setup;
}

QString stateKey(SetupVersion::State state)
{
    return StateKeys.at(std::size_t(state));
}

std::optional<SetupVersion::State> stateFromKey(const QString &key)
{
    for (std::size_t n = 0; n < StateKeys.size(); ++n) {
        if (StateKeys.at(n) == key) {
            return SetupVersion::State(n);
        }
    }
    return std::nullopt;
}

QString SetupVersion::title() const
{
    return QStringLiteral("%1 v%2").arg(name).arg(number);
}

MonitoringSetup SetupVersion::setup(const QLocale &locale, MonitoringSetup base) const
{
    return SetupStore::applyLoadedEntries(base, SetupStore::LoadEntries(entries, locale));
}

SetupDraft SetupDraft::of(const MonitoringSetup &setup, const QLocale &locale)
{
    SetupDraft draft;
    ProgrammingTable table;
    table.reset();
    table.fill(asReceived(setup, locale));
    const ProgrammingMessage message = ProgrammingMessage::build(table, locale);
    draft.problems = message.problems;
    if (message.isValid()) {
        draft.entries = SetupStore::SetupEntries(asReceived(setup, locale));
        draft.message = message.bytes;
    }
    return draft;
}

} // namespace Tensiova
