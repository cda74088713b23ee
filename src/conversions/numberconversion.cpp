#include "conversions/numberconversion.h"

#include <charconv>
#include <cmath>
#include <iterator>
#include <limits>
#include <string>
#include <string_view>

namespace Tensiova {

namespace {

bool isSkippedBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

// Hexadecimal and octal literals of up to 16 bits read as a signed 16-bit value, up to 32 bits as a
// signed 32-bit value: "&HFFFF" is -1, as the Windows program read it.
double radixValue(quint64 value, int bitsUsed)
{
    if (bitsUsed <= 16 && value <= 0xFFFF) {
        return double(qint16(quint16(value)));
    }
    if (bitsUsed <= 32 && value <= 0xFFFFFFFFull) {
        return double(qint32(quint32(value)));
    }
    return double(value);
}

double radixNumber(QStringView text, qsizetype pos, int radix)
{
    quint64 value = 0;
    int bits = 0;
    bool any = false;
    const int bitsPerDigit = radix == 16 ? 4 : 3;
    for (; pos < text.size(); ++pos) {
        const QChar c = text.at(pos);
        if (isSkippedBlank(c)) {
            continue;
        }
        const int digit = c.isDigit() ? c.digitValue()
            : (radix == 16 && c.toUpper() >= QLatin1Char('A') && c.toUpper() <= QLatin1Char('F'))
            ? c.toUpper().unicode() - 'A' + 10
            : -1;
        if (digit < 0 || digit >= radix || c.unicode() > 0x7F) {
            break;
        }
        if (any || digit != 0) {
            bits += bitsPerDigit;
        }
        if (bits > 64) {
            return std::numeric_limits<double>::infinity();
        }
        value = value * radix + digit;
        any = true;
    }
    return any ? radixValue(value, bits) : 0.0;
}

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

double LeadingNumber(QStringView text)
{
    qsizetype pos = 0;
    const auto skipBlanks = [&] {
        while (pos < text.size() && isSkippedBlank(text.at(pos))) {
            ++pos;
        }
    };
    skipBlanks();
    if (pos + 1 < text.size() && text.at(pos) == QLatin1Char('&')) {
        const QChar kind = text.at(pos + 1).toUpper();
        if (kind == QLatin1Char('H')) {
            return radixNumber(text, pos + 2, 16);
        }
        if (kind == QLatin1Char('O')) {
            return radixNumber(text, pos + 2, 8);
        }
        return 0.0;
    }

    std::string number;
    if (pos < text.size()
        && (text.at(pos) == QLatin1Char('+') || text.at(pos) == QLatin1Char('-'))) {
        if (text.at(pos) == QLatin1Char('-')) {
            number += '-';
        }
        ++pos;
    }
    bool digits = false;
    bool point = false;
    for (skipBlanks(); pos < text.size(); ++pos, skipBlanks()) {
        const QChar c = text.at(pos);
        if (isAsciiDigit(c)) {
            number += char(c.unicode());
            digits = true;
        } else if (c == QLatin1Char('.') && !point) {
            number += '.';
            point = true;
        } else {
            break;
        }
    }
    if (!digits) {
        return 0.0;
    }
    if (pos < text.size()) {
        const QChar marker = text.at(pos).toUpper();
        if (marker == QLatin1Char('E') || marker == QLatin1Char('D')) {
            std::string exponent = "e";
            ++pos;
            skipBlanks();
            if (pos < text.size()
                && (text.at(pos) == QLatin1Char('+') || text.at(pos) == QLatin1Char('-'))) {
                exponent += char(text.at(pos).unicode());
                ++pos;
            }
            bool exponentDigits = false;
            for (skipBlanks(); pos < text.size() && isAsciiDigit(text.at(pos));
                 ++pos, skipBlanks()) {
                exponent += char(text.at(pos).unicode());
                exponentDigits = true;
            }
            if (exponentDigits) {
                number += exponent;
            }
        }
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Too large or too small for a double: the first only happens with absurd exponents.
        const bool negative = number.front() == '-';
        const bool tiny = number.find("e-") != std::string::npos;
        return tiny ? 0.0 : (negative ? -1.0 : 1.0) * std::numeric_limits<double>::infinity();
    }
    return value;
}

QString NumberText(double value, const QLocale &locale)
{
    if (!std::isfinite(value) || value == 0.0) {
        return QStringLiteral("0");
    }
    // Rounded once to 15 significant digits, as Windows writes a double: a subnormal number keeps
    // its 15 digits even where fewer would read back.
    char buffer[32];
    const auto written = std::to_chars(std::begin(buffer), std::end(buffer), value,
                                       std::chars_format::scientific, 14);
    const std::string_view scientific(buffer, std::size_t(written.ptr - buffer));
    const std::size_t e = scientific.find('e');
    const bool negative = scientific.front() == '-';
    const bool negativeExponent = scientific[e + 1] == '-';
    int exponent = 0;
    std::from_chars(scientific.data() + e + 2, scientific.data() + scientific.size(), exponent);
    exponent = negativeExponent ? -exponent : exponent;

    std::string digits;
    for (std::size_t i = negative ? 1 : 0; i < e; ++i) {
        if (scientific[i] != '.') {
            digits += scientific[i];
        }
    }
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }

    const QString decimal = locale.decimalPoint();
    QString text = negative ? QStringLiteral("-") : QString();
    if (exponent >= 15 || exponent < -11) {
        text += QLatin1Char(digits.front());
        if (digits.size() > 1) {
            text += decimal + QString::fromLatin1(digits.c_str() + 1);
        }
        text += (negativeExponent ? QStringLiteral("E-") : QStringLiteral("E+"))
            + QString::number(std::abs(exponent));
        return text;
    }
    if (exponent < 0) {
        return text + QLatin1Char('0') + decimal + QString(-exponent - 1, QLatin1Char('0'))
            + QString::fromLatin1(digits.c_str());
    }
    const std::size_t wholeDigits = std::size_t(exponent) + 1;
    if (digits.size() <= wholeDigits) {
        return text + QString::fromLatin1(digits.c_str())
            + QString(qsizetype(wholeDigits - digits.size()), QLatin1Char('0'));
    }
    return text + QString::fromLatin1(digits.c_str(), qsizetype(wholeDigits)) + decimal
        + QString::fromLatin1(digits.c_str() + wholeDigits);
}

double roundHalfToEven(double value)
{
    const double floor = std::floor(value);
    const double difference = value - floor;
    if (difference > 0.5) {
        return floor + 1.0;
    }
    if (difference < 0.5) {
        return floor;
    }
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

std::optional<qint16> RoundToInt16(double value)
{
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    const double rounded = roundHalfToEven(value);
    if (rounded < -32768.0 || rounded > 32767.0) {
        return std::nullopt;
    }
    return qint16(rounded);
}

std::optional<double> RegionalNumber(QStringView text, const QLocale &locale)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end
           && (text.at(begin) == QLatin1Char(' ') || text.at(begin) == QLatin1Char('\t'))) {
        ++begin;
    }
    while (end > begin
           && (text.at(end - 1) == QLatin1Char(' ') || text.at(end - 1) == QLatin1Char('\t'))) {
        --end;
    }
    QLocale strict = locale;
    strict.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = strict.toDouble(text.sliced(begin, end - begin), &ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

} // namespace Tensiova
