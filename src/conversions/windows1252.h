#pragma once

#include <QByteArray>
#include <QString>

// The Windows program keeps its files, and the device answers, in the Windows-1252 code page.
namespace Tensiova::Windows1252 {

QString decode(QByteArrayView bytes);
// A character the code page cannot represent becomes '?', as the Windows conversion does.
QByteArray encode(QStringView text);

} // namespace Tensiova::Windows1252
