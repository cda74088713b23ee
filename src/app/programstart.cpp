#include "app/programstart.h"

#include "app/dialogs/userdialogs.h"

namespace Tensiova {

ProgramStart::ProgramStart(std::unique_ptr<UserDialogs> dialogs, const QLocale &locale,
                           QObject *parent)
    : QObject(parent)
    , m_dialogs(std::move(dialogs))
    , m_locale(locale)
{
    m_splash = new SplashWindow;
    m_splash->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_splash, &SplashWindow::clicked, this, &ProgramStart::openMainWindow);
}

ProgramStart::~ProgramStart()
{
    delete m_splash;
    delete m_mainWindow;
}

void ProgramStart::setSettingsLocation(const SettingsLocation &location)
{
    m_location = location;
}

void ProgramStart::showSplash()
{
    m_splash->show();
}

void ProgramStart::openMainWindow()
{
    if (m_mainWindow) {
        return;
    }
    // The splash goes first; the main window is shown before the event loop can notice that no
    // window is left.
    if (m_splash) {
        m_splash->hide();
        m_splash->deleteLater();
    }
    const SettingsLocation location = m_location.value_or(SettingsLocation::forThisProgram());
    m_mainWindow = MainWindow::load(location, *m_dialogs, m_locale).release();
    m_mainWindow->setAttribute(Qt::WA_DeleteOnClose);
    m_mainWindow->show();
    emit mainWindowShown(m_mainWindow);
}

} // namespace Tensiova
