#pragma once

#include "app/dialogs/userdialogs.h"

#include <QStringList>

#include <functional>
#include <optional>

// Answers the window's questions from a script and keeps what it was told: for the tests, the
// demonstration and the benchmarks, where no one sits at the screen.
class ScriptedUserDialogs : public Tensiova::UserDialogs
{
public:
    std::optional<QString> fileChoice; // empty: the user cancels
    QList<FileMode> fileModesAsked;
    std::optional<QString> exportChoice; // empty: the user cancels
    QStringList exportQuestions; // title | proposed name | filter
    QString textAnswer; // empty: the user cancels
    QStringList textQuestions; // title | prompt | proposed
    QuitChoice quitChoice = QuitChoice::Cancel;
    QStringList quitQuestions; // title | text
    bool confirmation = false; // the action, or "Annuler"
    QStringList confirmQuestions; // title | text
    QStringList warnings; // title | text
    QStringList informations;
    // Called with each message box's title and text, to show it elsewhere.
    std::function<void(const QString &, const QString &)> echo;

    std::optional<QString> chooseSetupFile(QWidget *, FileMode mode) override
    {
        fileModesAsked.append(mode);
        return fileChoice;
    }
    std::optional<QString> chooseExportFile(QWidget *, const QString &title,
                                            const QString &proposedName,
                                            const QString &filter) override
    {
        exportQuestions.append(title + QLatin1Char('|') + proposedName + QLatin1Char('|') + filter);
        return exportChoice;
    }
    QString askText(QWidget *, const QString &title, const QString &prompt,
                    const QString &proposed) override
    {
        textQuestions.append(title + QLatin1Char('|') + prompt + QLatin1Char('|') + proposed);
        return textAnswer;
    }
    QString askPort(QWidget *parent, const QString &title, const QString &prompt,
                    const QString &proposed, const QString &, const QString &) override
    {
        return askText(parent, title, prompt, proposed);
    }
    QuitChoice askBeforeQuit(QWidget *, const QString &title, const QString &text) override
    {
        quitQuestions.append(title + QLatin1Char('|') + text);
        return quitChoice;
    }
    bool confirm(QWidget *, const QString &title, const QString &text, const QString &) override
    {
        confirmQuestions.append(title + QLatin1Char('|') + text);
        return confirmation;
    }
    void inform(QWidget *, const QString &title, const QString &text) override
    {
        informations.append(title + QLatin1Char('|') + text);
        if (echo) {
            echo(title, text);
        }
    }
    void warn(QWidget *, const QString &title, const QString &text) override
    {
        warnings.append(title + QLatin1Char('|') + text);
        if (echo) {
            echo(title, text);
        }
    }
};
