#include "app/commandline/console.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace Tensiova::Console {

void write(FILE *stream, const QString &text)
{
    std::fflush(stream);
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
        // A console shows its own code page (850 in a French one): only wide characters keep
        // the accents of "Message envoyé".
        DWORD written = 0;
        WriteConsoleW(handle, reinterpret_cast<const wchar_t *>(text.utf16()), DWORD(text.size()),
                      &written, nullptr);
        return;
    }
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

void writeBytes(FILE *stream, const QByteArray &bytes)
{
    std::fflush(stream);
    _setmode(_fileno(stream), _O_BINARY);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

} // namespace Tensiova::Console
