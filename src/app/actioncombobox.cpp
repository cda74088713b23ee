#include "app/actioncombobox.h"

#include "model/actionchoice.h"

#include <QApplication>
#include <QCompleter>
#include <QLineEdit>

namespace Tensiova {

ActionComboBox::ActionComboBox(QWidget *parent)
    : QComboBox(parent)
{
    // Editable through a line edit of our own: setEditable(true) would build each list's drop-down
    // at start-up, where Qt otherwise builds it when first opened. A typed text is never added to
    // the list, and nothing is completed behind the user's back: one stand-in completer, lent to
    // each line edit in turn, only spares Qt making one over each list.
    static QCompleter *const standIn = new QCompleter(qApp);
    auto *editor = new QLineEdit(this);
    editor->setCompleter(standIn);
    setLineEdit(editor);
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
