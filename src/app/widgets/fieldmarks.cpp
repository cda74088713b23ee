#include "app/widgets/fieldmarks.h"

#include <QComboBox>
#include <QVariant>
#include <QWidget>

namespace Tensiova::FieldMarks {

namespace {

const char *const MarkProperty = "tensiovaMark";

QString reason(FieldCheck check)
{
    switch (check) {
    case FieldCheck::Fine:
        break;
    case FieldCheck::NotAByte:
        return QStringLiteral("Doit être un nombre entier de 0 à 255 : « Envoi » refusera ce "
                              "champ.");
    case FieldCheck::NoSelection:
        return QStringLiteral("Aucune action choisie : « Envoi » refusera cette liste. "
                              "Choisissez une entrée.");
    case FieldCheck::SentAsZero:
        return QStringLiteral("L'état doit être 0 ou 1 : « Envoi » enverra 0.");
    }
    return {};
}

QString frame(FieldCheck check)
{
    switch (check) {
    case FieldCheck::Fine:
        break;
    case FieldCheck::NotAByte:
    case FieldCheck::NoSelection:
        return QStringLiteral("#D00000");
    case FieldCheck::SentAsZero:
        return QStringLiteral("#E08A00");
    }
    return {};
}

} // namespace

void apply(QWidget *control, FieldCheck check, bool unsent)
{
    // Restyling a control costs more than a keystroke: only when its mark changes. A control
    // never marked is plain, as built.
    const QString mark = QStringLiteral("%1/%2").arg(int(check)).arg(unsent);
    const QVariant was = control->property(MarkProperty);
    if ((was.isValid() ? was.toString() : QStringLiteral("%1/0").arg(int(FieldCheck::Fine)))
        == mark) {
        return;
    }
    control->setProperty(MarkProperty, mark);
    const QString colour = frame(check);
    const QString kind = qobject_cast<QComboBox *>(control) ? QStringLiteral("QComboBox")
                                                            : QStringLiteral("QLineEdit");
    control->setStyleSheet(colour.isEmpty()
                               ? QString()
                               : QStringLiteral("%1 { border: 2px solid %2; }").arg(kind, colour));
    QFont font = control->font();
    font.setBold(unsent);
    control->setFont(font);
    QStringList tips;
    if (!reason(check).isEmpty()) {
        tips.append(reason(check));
    }
    if (unsent) {
        tips.append(QStringLiteral("Modifié depuis le dernier envoi."));
    }
    // A screen reader hears the tip as the field's description: the same words as for the eye.
    control->setToolTip(tips.join(QLatin1Char('\n')));
}

QString unsentLine(int changed, std::optional<QTime> sentAt, const QLocale &locale)
{
    if (changed > 0) {
        return changed == 1
            ? QStringLiteral("1 réglage modifié depuis le dernier envoi")
            : QStringLiteral("%1 réglages modifiés depuis le dernier envoi").arg(changed);
    }
    if (sentAt) {
        return QStringLiteral("Réglages envoyés à %1")
            .arg(locale.toString(*sentAt, QStringLiteral("HH:mm:ss")));
    }
    return QStringLiteral("Aucun réglage modifié depuis le dernier envoi");
}

} // namespace Tensiova::FieldMarks
