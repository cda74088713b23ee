#include "link/messagedescription.h"

#include "model/actionchoice.h"
#include "model/monitoringsetup.h"

namespace Tensiova {

namespace {

QString actionName(int code)
{
    return ActionChoice::isSelectable(code) && code >= 0
        ? ActionChoice::texts().at(code)
        : QStringLiteral("code inconnu %1").arg(code);
}

} // namespace

QStringList describeProgrammingMessage(const QByteArray &message)
{
    const auto byte = [&message](int offset) {
        return int(static_cast<unsigned char>(message.at(offset)));
    };
    QStringList lines;
    if (message.size() != 52 || message.at(0) != 'n') {
        return {QStringLiteral("pas un message de programmation (%1 octets)").arg(message.size())};
    }
    for (int channel = 0; channel < ChannelCount; ++channel) {
        const int offset = 1 + 4 * channel;
        lines.append(QStringLiteral("%1  min %2  max %3  coeff %4  action %5 (%6)")
                         .arg(rowCaption(Family::Min, channel))
                         .arg(byte(offset), 3)
                         .arg(byte(offset + 1), 3)
                         .arg(byte(offset + 2), 3)
                         .arg(byte(offset + 3))
                         .arg(actionName(byte(offset + 3))));
    }
    for (int channel = 0; channel < ChannelCount; ++channel) {
        const int offset = 33 + 2 * channel;
        lines.append(QStringLiteral("%1  état %2  action %3 (%4)")
                         .arg(rowCaption(Family::Et, channel))
                         .arg(byte(offset))
                         .arg(byte(offset + 1))
                         .arg(actionName(byte(offset + 1))));
    }
    lines.append(QStringLiteral("fin   %1 %2 %3").arg(byte(49)).arg(byte(50)).arg(byte(51)));
    return lines;
}

QString escapedText(const QString &text)
{
    QString escaped;
    for (const QChar c : text) {
        if (c == QLatin1Char('\r')) {
            escaped += QStringLiteral("\\r");
        } else if (c == QLatin1Char('\n')) {
            escaped += QStringLiteral("\\n");
        } else if (c.category() == QChar::Other_Control) {
            escaped += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        } else {
            escaped += c;
        }
    }
    return escaped;
}

QStringList hexRows(const QByteArray &bytes)
{
    QStringList rows;
    for (qsizetype start = 0; start < bytes.size(); start += 16) {
        rows.append(QString::fromLatin1(bytes.mid(start, 16).toHex(' ').toUpper()));
    }
    return rows;
}

} // namespace Tensiova
