#pragma once

#include <QLocale>
#include <QString>

#include <optional>

namespace Tensiova {

// The port number typed in the port dialog, or why it cannot be one (in French).
struct PortAnswer
{
    std::optional<qint16> port;
    QString problem;

    // The answer is read in the user's format, blanks around it allowed, a fraction rounded half
    // to even; it must give a 16-bit number of at least 1.
    static PortAnswer parse(const QString &answer, const QLocale &locale);
};

} // namespace Tensiova
