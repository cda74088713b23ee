#include "app/dialogs/guidewindow.h"

#include <QKeySequence>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace Tensiova {

GuideWindow::GuideWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_browser(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("GuideWindow"));
    setWindowTitle(QStringLiteral("Aide - Tensiova"));
    m_browser->setObjectName(QStringLiteral("GuideText"));
    m_browser->setAccessibleName(QStringLiteral("Guide de l'utilisateur"));
    // Links to the guide's own sections stay here; others open in the system's browser.
    m_browser->setOpenExternalLinks(true);
    m_browser->setSource(QUrl(QStringLiteral("qrc:/guide/guide.html")));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    auto *close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
    resize(820, 680); // the window's pictures at their size
}

} // namespace Tensiova
