#include "app/actioncombobox.h"

#include "model/actionchoice.h"

#include <QLineEdit>

namespace Tensiova {

ActionComboBox::ActionComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(true);
    // A typed text is never added to the list, and nothing is completed behind the user's back.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    // Qt selects the entry whose text was typed when editing finishes (Enter, focus loss); in this
    // list a typed text is no selection, whatever it says.
    disconnect(lineEdit(), &QLineEdit::editingFinished, this, nullptr);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { m_typed = true; });
    connect(this, &QComboBox::activated, this, [this] { m_typed = false; });
    connect(this, &QComboBox::currentIndexChanged, this, [this] { m_typed = false; });
}

int ActionComboBox::action() const
{
    // Qt keeps the old index while the user types over the entry.
    const int index = currentIndex();
    return (!m_typed && index >= 0 && currentText() == itemText(index)) ? index
                                                                        : ActionChoice::NoSelection;
}

bool ActionComboBox::setAction(int index)
{
    if (index < ActionChoice::NoSelection || index >= count()) {
        return false;
    }
    setCurrentIndex(index);
    m_typed = false;
    if (index == ActionChoice::NoSelection) {
        setEditText(QString());
    }
    return true;
}

} // namespace Tensiova
