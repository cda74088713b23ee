// Any text: reading its leading number never fails, stops where the number stops, and the number's
// own text reads back as the number.

#include "fuzzcheck.h"
#include "conversions/numberconversion.h"

#include <QString>

#include <cmath>
#include <cstdint>

using namespace Tensiova;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    const double number = LeadingNumber(text);
    FUZZ_CHECK(!std::isnan(number));
    // A character that cannot continue a number changes nothing.
    FUZZ_CHECK(LeadingNumber(text + QLatin1Char('x')) == number);

    if (std::isfinite(number)) {
        for (const QLocale &locale : {QLocale::c(), QLocale(QLocale::French)}) {
            const QString shown = NumberText(number, locale);
            FUZZ_CHECK(!shown.contains(QLatin1Char(' ')) && !shown.contains(QChar(0x202F)));
            QString asRead = shown;
            asRead.replace(QLatin1Char(','), QLatin1Char('.'));
            const double back = LeadingNumber(asRead);
            FUZZ_CHECK(std::fabs(back - number) <= std::fabs(number) * 1e-14);
        }
        if (const auto rounded = RoundToInt16(number)) {
            FUZZ_CHECK(std::fabs(*rounded - number) <= 0.5);
        } else {
            FUZZ_CHECK(number >= 32767.5 || number < -32768.5);
        }
    }
    return 0;
}
