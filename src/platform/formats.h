#pragma once

#include <QDateTime>
#include <QString>

// The number and date forms the user sees, in one place.
namespace platform {

// " 0", " 12", "-3": one leading space when not negative.
QString leadingSpaceDecimal(qint64 value);

// "0", "999", "1,000", "-1,024": digits grouped by three with the
// locale's thousands separator, no leading space. 64-bit, so totals
// of 2 GiB and more never wrap.
QString bytePattern(qint64 value);

// The locale's short date, a space and the long time (without a time
// zone name); a time of exactly midnight shows the date alone.
QString shortDateLongTime(const QDateTime& local);

} // namespace platform
