#pragma once

#include <QStatusBar>

class QLabel;

namespace Tensiova {

// The main window's status line, below the design's panel: how many settings have not been sent,
// in red at its right the history's records waiting to be written, and where the records stand
// with the workshop's shared history.
class StatusLine : public QStatusBar
{
    Q_OBJECT

public:
    explicit StatusLine(QWidget *parent = nullptr);

    void showUnsent(const QString &line);
    // words: the few words kept at the right ("2 envois non inscrits"), empty when all is
    // written; text: the whole message, shown for a while and as the words' tip.
    void showHistoryProblem(const QString &words, const QString &text);
    // words: "Historique partagé : à jour", or how many wait; tip: why they wait; message: told
    // for a while (the server lost, or back), empty when there is nothing new to tell.
    void showSharing(const QString &words, const QString &tip, const QString &message);

    // « Réglage « NOM » v3 »: the library's version the window shows; empty for none.
    void showOpenedSetup(const QString &words);

private:
    QLabel *m_setup;
    QLabel *m_unsent;
    QLabel *m_history;
    QLabel *m_sharing;
};

} // namespace Tensiova
