#pragma once

#include "link/fieldcheck.h"

#include <QLocale>
#include <QString>
#include <QTime>

#include <optional>

class QWidget;

// The marks of a channel control, as the user types: a red frame with the reason for a field that
// "Envoi" would refuse, an amber one for a state it will send as 0, and bold text for a field that
// differs from what the device last received.
namespace Tensiova::FieldMarks {

void apply(QWidget *control, FieldCheck check, bool unsent);

// "3 réglages modifiés depuis le dernier envoi", "Réglages envoyés à 14:32:05".
QString unsentLine(int changed, std::optional<QTime> sentAt, const QLocale &locale);

} // namespace Tensiova::FieldMarks
