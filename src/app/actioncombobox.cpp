#include "actioncombobox.h"

#include "actionchoice.h"

namespace Tensiova {

ActionComboBox::ActionComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(true);
    // A typed text is never added to the list, and nothing is completed behind the user's back.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
}

int ActionComboBox::action() const
{
    // Qt keeps the old index while the user types over the entry.
    const int index = currentIndex();
    return (index >= 0 && currentText() == itemText(index)) ? index : ActionChoice::NoSelection;
}

bool ActionComboBox::setAction(int index)
{
    if (index < ActionChoice::NoSelection || index >= count()) {
        return false;
    }
    setCurrentIndex(index);
    if (index == ActionChoice::NoSelection) {
        setEditText(QString());
    }
    return true;
}

} // namespace Tensiova
