#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace Tensiova {

// Everything the main window asks or tells the user in a modal dialog; tests put a scripted
// stand-in in its place so that nothing blocks them.
class UserDialogs
{
public:
    enum class FileMode { Save, Open };
    enum class QuitChoice { Send, QuitWithoutSending, Cancel };

    virtual ~UserDialogs() = default;

    // The full path of the file chosen, or nothing when the user cancelled.
    virtual std::optional<QString> chooseSetupFile(QWidget *parent, FileMode mode) = 0;
    // Where to write an export: the full path chosen, or nothing when the user cancelled.
    // filter: "Fichiers CSV (*.csv)".
    virtual std::optional<QString> chooseExportFile(QWidget *parent, const QString &title,
                                                    const QString &proposedName,
                                                    const QString &filter) = 0;
    // The text of the field when the user confirms, the empty text when the user cancels.
    virtual QString askText(QWidget *parent, const QString &title, const QString &prompt,
                            const QString &proposed) = 0;
    // The port box: the same question and answer, with the ports present to choose from (those of
    // the settings folder's COMn links too) and the device in use, if any, marked.
    virtual QString askPort(QWidget *parent, const QString &title, const QString &prompt,
                            const QString &proposed, const QString &settingsFolder,
                            const QString &deviceInUse) = 0;
    // Before the program ends with settings typed and not sent: "Envoyer", "Quitter sans
    // envoyer" or "Annuler" (Escape, the box's close button).
    virtual QuitChoice askBeforeQuit(QWidget *parent, const QString &title,
                                     const QString &text) = 0;
    // A question with two answers: the action named (true), or "Annuler" (Escape).
    virtual bool confirm(QWidget *parent, const QString &title, const QString &text,
                         const QString &action) = 0;
    virtual void inform(QWidget *parent, const QString &title, const QString &text) = 0;
    virtual void warn(QWidget *parent, const QString &title, const QString &text) = 0;
};

} // namespace Tensiova
