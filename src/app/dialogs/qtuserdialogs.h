#pragma once

#include "app/dialogs/userdialogs.h"

#include <memory>

class QMessageBox;

namespace Tensiova {

// The dialogs a person sees: Qt's input box and message boxes, and the settings file dialog.
class QtUserDialogs : public UserDialogs
{
public:
    std::optional<QString> chooseSetupFile(QWidget *parent, FileMode mode) override;
    std::optional<QString> chooseExportFile(QWidget *parent, const QString &title,
                                            const QString &proposedName,
                                            const QString &filter) override;
    QString askText(QWidget *parent, const QString &title, const QString &prompt,
                    const QString &proposed) override;
    QString askPort(QWidget *parent, const QString &title, const QString &prompt,
                    const QString &proposed, const QString &settingsFolder,
                    const QString &deviceInUse) override;
    QuitChoice askBeforeQuit(QWidget *parent, const QString &title, const QString &text) override;
    // The box askBeforeQuit shows, with its three buttons, "Envoyer" first.
    static std::unique_ptr<QMessageBox> quitQuestion(QWidget *parent, const QString &title,
                                                     const QString &text);
    bool confirm(QWidget *parent, const QString &title, const QString &text,
                 const QString &action) override;
    void inform(QWidget *parent, const QString &title, const QString &text) override;
    void warn(QWidget *parent, const QString &title, const QString &text) override;
};

} // namespace Tensiova
