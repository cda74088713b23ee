#pragma once

#include <QLocale>
#include <QString>

#include <optional>

// The conversions between the texts of the window and files and the numbers they stand for.
namespace Tensiova {

// The number a text begins with, 0 when it begins with none. Blanks (space, tab, line feed) are
// skipped wherever they stand; "." is the only decimal point; an exponent takes E or D; "&H" and
// "&O" begin hexadecimal and octal integers. Reading stops at the first character that cannot
// continue the number.
double LeadingNumber(QStringView text);

// The number as Windows writes it: 15 significant digits without trailing zeros, the locale's
// decimal separator and never a group separator; plain from 1E-11 up to below 1E+15, "1,2E+15" and
// "5.6789E-12" beyond. Whatever the C library's locale says.
QString NumberText(double value, const QLocale &locale);

// The nearest 16-bit integer, a half going to the even neighbour; empty on overflow.
std::optional<qint16> RoundToInt16(double value);

// A number typed by the user in the locale's format: blanks around it allowed, no group
// separators. Empty when the text is not a finite number.
std::optional<double> RegionalNumber(QStringView text, const QLocale &locale);

// Half to the even neighbour, the rounding of every whole number the program takes.
double roundHalfToEven(double value);

} // namespace Tensiova
