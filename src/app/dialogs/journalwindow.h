#pragma once

#include "link/exchangejournal.h"

#include <QAbstractListModel>
#include <QTimer>
#include <QWidget>

namespace Tensiova {

class UserDialogs;

// The journal's entries as lines of text, newest last, following it as it grows. Views hear of
// new and dropped entries at most every SyncMs: a device that streams adds dozens a second, and
// each news has a view lay out all its rows again.
class JournalModel : public QAbstractListModel
{
    Q_OBJECT

public:
    static constexpr int SyncMs = 250;

    explicit JournalModel(const ExchangeJournal &journal, QObject *parent = nullptr);
    // Tells the views now of every entry added or dropped since they last heard.
    void catchUp();
    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    // "2026-12-06 14:32:05.123  Envoi sur COM1 (/dev/ttyS0), 52 octets" and what follows.
    static QString entryText(const ExchangeJournal::Entry &entry);
    // Every entry, one after the other, as saved.
    QString wholeText() const;

private:
    const ExchangeJournal &m_journal;
    QTimer m_sync;
    int m_rows = 0; // the rows the views know of
    int m_droppedSince = 0; // entries gone from the front since they last heard
};

// "Paramètrage" ▸ "Journal des échanges": every exchange of this run, in a window of its own
// beside the main one.
class JournalWindow : public QWidget
{
    Q_OBJECT

public:
    JournalWindow(const ExchangeJournal &journal, UserDialogs &dialogs, QWidget *parent = nullptr);

    JournalModel &model() { return m_model; }
    // "Enregistrer le journal": the text as shown, in UTF-8.
    void saveJournal();

private:
    JournalModel m_model;
    UserDialogs &m_dialogs;
};

} // namespace Tensiova
