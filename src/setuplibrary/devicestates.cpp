#include "setuplibrary/devicestates.h"

namespace Tensiova {

std::optional<DeviceStates> DeviceStates::fromCopy(SetupCopy &copy)
{
    const auto versions = copy.versions();
    const auto assignments = copy.assignments();
    if (!versions || !assignments) {
        return std::nullopt;
    }
    DeviceStates states;
    QHash<QByteArray, bool> titledByApproved;
    for (const SetupVersion &version : *versions) {
        // Kept by name and number: a later version overwrites, an approved one stays.
        const bool approved = version.state == SetupVersion::State::Approved;
        if (approved || !titledByApproved.value(version.message)) {
            states.m_titles.insert(version.message, version.title());
            titledByApproved.insert(version.message, approved);
        }
        Setup &setup = states.m_setups[version.name];
        if (version.state == SetupVersion::State::Approved) {
            setup.approved = version.number;
        }
        // The latest version of the same bytes names them.
        setup.approvedOnce.insert(version.message, version.number);
    }
    for (const SetupAssignment &assignment : *assignments) {
        if (assignment.pattern.endsWith(QLatin1Char('*'))) {
            states.m_prefixes.append({foldedLabel(assignment.pattern.chopped(1)), assignment.name});
        } else {
            states.m_exact.insert(foldedLabel(assignment.pattern), assignment.name);
            states.m_exactPatterns.insert(foldedLabel(assignment.pattern), assignment.pattern);
        }
    }
    std::stable_sort(states.m_prefixes.begin(), states.m_prefixes.end(),
                     [](const auto &a, const auto &b) { return a.first.size() > b.first.size(); });
    return states;
}

QString DeviceStates::setupOf(const QString &label) const
{
    const QString folded = foldedLabel(label);
    if (const auto exact = m_exact.constFind(folded); exact != m_exact.constEnd()) {
        return *exact;
    }
    for (const auto &[prefix, setup] : m_prefixes) {
        if (folded.startsWith(prefix)) {
            return setup;
        }
    }
    return {};
}

DeviceState DeviceStates::of(const QString &label, const QByteArray &message) const
{
    DeviceState state;
    state.setup = setupOf(label);
    if (state.setup.isEmpty()) {
        return state;
    }
    const Setup setup = m_setups.value(state.setup);
    state.approved = setup.approved;
    state.held = message.isEmpty() ? 0 : setup.approvedOnce.value(message);
    if (setup.approved == 0) {
        state.kind = DeviceState::Kind::NoApprovedVersion;
    } else if (message.isEmpty()) {
        state.kind = DeviceState::Kind::NeverProgrammed;
    } else if (state.held == setup.approved) {
        state.kind = DeviceState::Kind::UpToDate;
    } else {
        state.kind = state.held > 0 ? DeviceState::Kind::OldVersion : DeviceState::Kind::Different;
    }
    return state;
}

QStringList DeviceStates::unprogrammed(const QSet<QString> &foldedLabels) const
{
    QStringList labels;
    for (auto given = m_exactPatterns.constBegin(); given != m_exactPatterns.constEnd(); ++given) {
        if (!foldedLabels.contains(given.key())) {
            labels.append(given.value());
        }
    }
    labels.sort();
    return labels;
}

} // namespace Tensiova
