#pragma once

#include <QComboBox>

namespace Tensiova {

// An editable action list. A text typed into it means that no entry is selected, even when it
// spells an entry, until an entry is chosen from the list again.
class ActionComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit ActionComboBox(QWidget *parent = nullptr);

    // The selected entry's index, -1 when none is.
    int action() const;
    // Accepts -1 (shows no selection) to the last entry; refuses anything else and changes nothing.
    bool setAction(int index);

private:
    bool m_typed = false;
};

} // namespace Tensiova
