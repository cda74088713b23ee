#include "app/widgets/actioncombobox.h"

#include "model/actionchoice.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCompleter>
#include <QLineEdit>

namespace Tensiova {

namespace {

// An action list as a screen reader meets it: under its own name ("Voie logique ET3, action"),
// with its text as its value. Qt's own interface names an editable list by its text on Linux,
// which leaves 16 lists all called "aucune".
class ActionListAccessible : public QAccessibleWidget
{
public:
    explicit ActionListAccessible(QComboBox *list)
        : QAccessibleWidget(list, QAccessible::ComboBox)
    { }

    QComboBox *list() const { return static_cast<QComboBox *>(widget()); }

    // As Qt's list: the drop-down, then the line edit, which has the focus.
    QAccessibleInterface *child(int index) const override
    {
        if (index == 0) {
            return QAccessible::queryAccessibleInterface(list()->view());
        }
        return index == 1 ? QAccessible::queryAccessibleInterface(list()->lineEdit()) : nullptr;
    }
    int childCount() const override { return 2; }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (child->object() == list()->lineEdit()) {
            return 1;
        }
        return child->object() == list()->view() ? 0 : -1;
    }
    QAccessibleInterface *focusChild() const override { return child(1); }

    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Value ? list()->lineEdit()->text()
                                          : QAccessibleWidget::text(kind);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.editable = true;
        state.expandable = true;
        state.expanded = list()->view()->isVisible();
        return state;
    }

    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
    void doAction(const QString &action) override
    {
        if (action != showMenuAction() && action != pressAction()) {
            return;
        }
        if (list()->view()->isVisible()) {
            list()->hidePopup();
        } else {
            list()->showPopup();
        }
    }
};

QAccessibleInterface *actionListAccessible(const QString &, QObject *object)
{
    auto *list = qobject_cast<ActionComboBox *>(object);
    return list ? new ActionListAccessible(list) : nullptr;
}

} // namespace

ActionComboBox::ActionComboBox(QWidget *parent)
    : QComboBox(parent)
{
    static const bool accessible = [] {
        QAccessible::installFactory(actionListAccessible);
        return true;
    }();
    Q_UNUSED(accessible);
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
