#include "app/widgets/setupgrid.h"

#include "app/widgets/framebox.h"
#include "model/actionchoice.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace Tensiova {

namespace {

// The frames' captions are blue, as in the main window.
const QColor CaptionBlue(0x00, 0x00, 0xFF);

} // namespace

SetupGrid::SetupGrid(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    const auto addFrame = [&](const QString &caption, const auto &columns) {
        auto *frame = new FrameBox(caption, CaptionBlue, this);
        frame->setAccessibleName(caption);
        auto *grid = new QGridLayout(frame);
        grid->setHorizontalSpacing(4);
        grid->setVerticalSpacing(2);
        for (int column = 0; column < int(columns.size()); ++column) {
            grid->addWidget(new QLabel(columnCaption(columns.at(column)), frame), 0, column + 1);
        }
        for (int channel = 0; channel < ChannelCount; ++channel) {
            grid->addWidget(new QLabel(rowCaption(columns.front(), channel), frame), channel + 1,
                            0);
            for (int column = 0; column < int(columns.size()); ++column) {
                const Family family = columns.at(column);
                auto *box = new QLineEdit(frame);
                box->setReadOnly(true);
                box->setAlignment(Qt::AlignCenter);
                box->setMinimumWidth(isActionFamily(family) ? 90 : 50);
                box->setAccessibleName(fieldCaption(family, channel));
                m_cells.at(std::size_t(family)).at(channel) = box;
                grid->addWidget(box, channel + 1, column + 1);
            }
        }
        layout->addWidget(frame);
    };
    addFrame(gridCaption(Family::Min), AnalogFields);
    addFrame(gridCaption(Family::Et), LogicFields);
    layout->addStretch();
}

QString SetupGrid::shownValue(const MonitoringSetup &values, Family family, int channel)
{
    if (!isActionFamily(family)) {
        return values.text(family, channel);
    }
    const int action = values.action(family, channel);
    return action == ActionChoice::NoSelection
        ? QStringLiteral("(vide)")
        : ActionChoice::texts().value(action, QString::number(action));
}

int SetupGrid::showValues(const std::optional<MonitoringSetup> &values,
                          const std::optional<MonitoringSetup> &others, const QString &valuesName,
                          const QString &othersName)
{
    int differences = 0;
    for (const Family family : FamilyOrder) {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            QLineEdit *box = cell(family, channel);
            const QString value = values ? shownValue(*values, family, channel) : QString();
            const QString other = others ? shownValue(*others, family, channel) : value;
            const bool differs = values && value != other;
            box->setText(differs ? QStringLiteral("%1 → %2").arg(value, other) : value);
            box->setToolTip(differs ? QStringLiteral("%1 : %2 ; %3 : %4")
                                          .arg(valuesName, value, othersName, other)
                                    : QString());
            box->setAccessibleDescription(box->toolTip());
            QFont font = box->font();
            font.setBold(differs);
            box->setFont(font);
            QPalette palette = this->palette();
            if (differs) {
                palette.setColor(QPalette::Base, QColor(0xFF, 0xE0, 0xE0));
                palette.setColor(QPalette::Text, QColor(0xB0, 0x00, 0x00));
            }
            box->setPalette(palette);
            box->setProperty("marked", differs);
            box->setCursorPosition(0);
            differences += differs ? 1 : 0;
        }
    }
    return differences;
}

QString SetupGrid::fieldText(Family family, int channel) const
{
    return cell(family, channel)->text();
}

bool SetupGrid::isMarked(Family family, int channel) const
{
    return cell(family, channel)->property("marked").toBool();
}

QLineEdit *SetupGrid::cell(Family family, int channel) const
{
    return m_cells.at(std::size_t(family)).at(channel);
}

} // namespace Tensiova
