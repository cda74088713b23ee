#pragma once

#include "model/monitoringsetup.h"

#include <QWidget>

#include <array>
#include <optional>

class QLineEdit;

namespace Tensiova {

// The two channel grids as the main window lays them out, read-only: the values of a recorded
// "Envoi", or those values beside others with each difference marked.
class SetupGrid : public QWidget
{
    Q_OBJECT

public:
    explicit SetupGrid(QWidget *parent = nullptr);

    // Shows the values; with others, each field that differs reads "value → other", marked, its
    // tip naming both sides. Returns how many fields differ.
    int showValues(const std::optional<MonitoringSetup> &values,
                   const std::optional<MonitoringSetup> &others = std::nullopt,
                   const QString &valuesName = QStringLiteral("Envoi"),
                   const QString &othersName = QStringLiteral("fenêtre"));
    QString fieldText(Family family, int channel) const;
    bool isMarked(Family family, int channel) const;

    // A field's value in words: the action's name, or the text.
    static QString shownValue(const MonitoringSetup &values, Family family, int channel);

private:
    QLineEdit *cell(Family family, int channel) const;

    std::array<std::array<QLineEdit *, ChannelCount>, FamilyOrder.size()> m_cells {};
};

} // namespace Tensiova
