#include "app/console.h"

namespace Tensiova::Console {

void write(FILE *stream, const QString &text)
{
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

} // namespace Tensiova::Console
