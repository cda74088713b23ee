#pragma once

#include <QLocale>
#include <QString>

#include <optional>

namespace Tensiova {

// The port number typed in the port dialog, or why it cannot be one.
struct PortAnswer
{
    enum class Problem { None, NotANumber, OutOfRange };
    std::optional<qint16> port;
    Problem problem = Problem::None;

    // The answer is read in the user's format, blanks around it allowed, a fraction rounded half
    // to even; it must give a 16-bit number of at least 1.
    static PortAnswer parse(const QString &answer, const QLocale &locale);
};

} // namespace Tensiova
