#include "app/dialogs/qtuserdialogs.h"

#include "app/dialogs/portdialog.h"
#include "app/dialogs/setupfiledialog.h"

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace Tensiova {

std::optional<QString> QtUserDialogs::chooseSetupFile(QWidget *parent, FileMode mode)
{
    SetupFileDialog dialog(
        parent, mode == FileMode::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtUserDialogs::chooseExportFile(QWidget *parent, const QString &title,
                                                       const QString &proposedName,
                                                       const QString &filter)
{
    const QString path = QFileDialog::getSaveFileName(
        parent, title, QDir(QDir::homePath()).filePath(proposedName), filter);
    return path.isEmpty() ? std::nullopt : std::optional<QString>(path);
}

QString QtUserDialogs::askText(QWidget *parent, const QString &title, const QString &prompt,
                               const QString &proposed)
{
    bool confirmed = false;
    const QString answer =
        QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, proposed, &confirmed);
    return confirmed ? answer : QString();
}

QString QtUserDialogs::askPort(QWidget *parent, const QString &title, const QString &prompt,
                               const QString &proposed, const QString &settingsFolder,
                               const QString &deviceInUse)
{
    PortDialog dialog(parent, title, prompt, proposed, settingsFolder, deviceInUse);
    return dialog.exec() == QDialog::Accepted ? dialog.answer() : QString();
}

void QtUserDialogs::inform(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::information(parent, title, text);
}

std::unique_ptr<QMessageBox> QtUserDialogs::quitQuestion(QWidget *parent, const QString &title,
                                                         const QString &text)
{
    auto box = std::make_unique<QMessageBox>(QMessageBox::Question, title, text,
                                             QMessageBox::NoButton, parent);
    box->setDefaultButton(box->addButton(QStringLiteral("&Envoyer"), QMessageBox::AcceptRole));
    box->addButton(QStringLiteral("&Quitter sans envoyer"), QMessageBox::DestructiveRole);
    box->setEscapeButton(box->addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole));
    return box;
}

UserDialogs::QuitChoice QtUserDialogs::askBeforeQuit(QWidget *parent, const QString &title,
                                                     const QString &text)
{
    const std::unique_ptr<QMessageBox> box = quitQuestion(parent, title, text);
    box->exec();
    switch (box->buttonRole(box->clickedButton())) {
    case QMessageBox::AcceptRole:
        return QuitChoice::Send;
    case QMessageBox::DestructiveRole:
        return QuitChoice::QuitWithoutSending;
    default:
        return QuitChoice::Cancel;
    }
}

bool QtUserDialogs::confirm(QWidget *parent, const QString &title, const QString &text,
                            const QString &action)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    QPushButton *yes = box.addButton(action, QMessageBox::AcceptRole);
    box.setEscapeButton(box.addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole));
    box.setDefaultButton(yes);
    box.exec();
    return box.clickedButton() == yes;
}

void QtUserDialogs::warn(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::warning(parent, title, text);
}

} // namespace Tensiova
