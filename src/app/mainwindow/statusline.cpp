#include "app/mainwindow/statusline.h"

#include <QLabel>

namespace Tensiova {

namespace {

constexpr int MessageMs = 15000;

// A screen reader names a label by its text: what it is for is its description.
QLabel *namedLabel(QWidget *parent, const QString &name, const QString &description)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setAccessibleDescription(description);
    return label;
}

} // namespace

StatusLine::StatusLine(QWidget *parent)
    : QStatusBar(parent)
    , m_setup(namedLabel(this, QStringLiteral("SetupLine"),
                         QStringLiteral("Réglage de l'atelier mis dans la fenêtre")))
    , m_unsent(namedLabel(this, QStringLiteral("UnsentLine"),
                          QStringLiteral("Réglages modifiés et non envoyés")))
    , m_history(namedLabel(this, QStringLiteral("HistoryLine"),
                           QStringLiteral("Envois que l'historique n'a pas encore inscrits")))
    , m_sharing(namedLabel(this, QStringLiteral("SharedHistoryLine"),
                           QStringLiteral("Envois que le serveur de l'atelier n'a pas encore")))
{
    setAccessibleName(QStringLiteral("Ligne d'état"));
    setSizeGripEnabled(false);
    addWidget(m_setup);
    addWidget(m_unsent, 1);
    QPalette palette = m_history->palette();
    palette.setColor(QPalette::WindowText, QColor(0xB0, 0x00, 0x00));
    m_history->setPalette(palette);
    addPermanentWidget(m_history);
    addPermanentWidget(m_sharing);
}

void StatusLine::showOpenedSetup(const QString &words)
{
    m_setup->setText(words);
}

void StatusLine::showUnsent(const QString &line)
{
    m_unsent->setText(line);
}

void StatusLine::showHistoryProblem(const QString &words, const QString &text)
{
    showMessage(text, MessageMs);
    m_history->setText(words);
    m_history->setToolTip(words.isEmpty() ? QString() : text);
}

void StatusLine::showSharing(const QString &words, const QString &tip, const QString &message)
{
    if (!message.isEmpty()) {
        showMessage(message, MessageMs);
    }
    m_sharing->setText(words);
    m_sharing->setToolTip(tip);
}

} // namespace Tensiova
