#pragma once

#include "userdialogs.h"

#include <QStringList>

#include <optional>

// Answers the window's questions from a script and keeps what it was told.
class FakeUserDialogs : public Tensiova::UserDialogs
{
public:
    std::optional<QString> fileChoice;
    QList<FileMode> fileModesAsked;
    QString textAnswer;
    QStringList textQuestions; // title | prompt | proposed
    QStringList warnings;
    QStringList informations;

    std::optional<QString> chooseSetupFile(QWidget *, FileMode mode) override
    {
        fileModesAsked.append(mode);
        return fileChoice;
    }
    QString askText(QWidget *, const QString &title, const QString &prompt,
                    const QString &proposed) override
    {
        textQuestions.append(title + QLatin1Char('|') + prompt + QLatin1Char('|') + proposed);
        return textAnswer;
    }
    void inform(QWidget *, const QString &title, const QString &text) override
    {
        informations.append(title + QLatin1Char('|') + text);
    }
    void warn(QWidget *, const QString &title, const QString &text) override
    {
        warnings.append(title + QLatin1Char('|') + text);
    }
};
