#pragma once

#include "app/dialogs/splashwindow.h"
#include "app/mainwindow/mainwindow.h"
#include "settings/settingslocation.h"

#include <QLocale>
#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

namespace Tensiova {

class UserDialogs;

// The road from the splash to the main window: the splash is shown alone; its click closes it and
// loads and shows the main window. Closing the splash instead ends the program without ever loading
// the main window, reading param.ini or touching a port.
class ProgramStart : public QObject
{
    Q_OBJECT

public:
    ProgramStart(std::unique_ptr<UserDialogs> dialogs, const QLocale &locale,
                 QObject *parent = nullptr);
    ~ProgramStart() override;

    // Where param.ini lives is only settled when the main window is loaded.
    void setSettingsLocation(const SettingsLocation &location);

    SplashWindow *splash() const { return m_splash; }
    MainWindow *mainWindow() const { return m_mainWindow; }

    void showSplash();
    void openMainWindow();

signals:
    void mainWindowShown(MainWindow *window);

private:
    std::unique_ptr<UserDialogs> m_dialogs;
    QLocale m_locale;
    std::optional<SettingsLocation> m_location;
    QPointer<SplashWindow> m_splash;
    QPointer<MainWindow> m_mainWindow;
};

} // namespace Tensiova
