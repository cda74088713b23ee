#include "app/dialogs/setupfiledialog.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

namespace Tensiova {

namespace {

const QString Pattern = QStringLiteral("*.txt");

} // namespace

SetupFileDialog::SetupFileDialog(QWidget *parent, AcceptMode mode)
    : QFileDialog(parent)
{
    // Qt's own dialog, so that it behaves the same on every system and speaks French.
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(mode);
    setFileMode(QFileDialog::AnyFile);
    setNameFilter(Pattern);
    for (const char *name : {"fileTypeCombo", "fileTypeLabel"}) {
        if (QWidget *typeList = findChild<QWidget *>(QLatin1String(name))) {
            typeList->hide();
        }
    }
    if (auto *nameField = findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))) {
        nameField->setText(Pattern);
    }
}

void SetupFileDialog::accept()
{
    const QStringList files = selectedFiles();
    const auto *nameField = findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    const QString typed = nameField ? nameField->text() : QString();
    const bool pattern = typed.contains(QLatin1Char('*')) || typed.contains(QLatin1Char('?'));
    if (files.size() == 1 && !pattern && !typed.isEmpty()) {
        const QFileInfo chosen(files.constFirst());
        if (!chosen.exists() && !chosen.isDir()) {
            const auto answer = QMessageBox::question(
                this, windowTitle(),
                QStringLiteral("Le fichier « %1 » n'existe pas.\nVoulez-vous le créer ?")
                    .arg(chosen.fileName()),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
            if (answer != QMessageBox::Yes) {
                return;
            }
        }
    }
    QFileDialog::accept();
}

} // namespace Tensiova
