#include "platform/formats.h"

#include <QLocale>

namespace platform {

namespace {

// The "C" locale (what QLocale::system() is under LANG=C) groups nothing,
// but totals of many millions are unreadable without grouping.
QString thousandsSeparator(const QLocale& locale) {
    if (locale.language() == QLocale::C)
        return QStringLiteral(",");
    const QString separator = locale.groupSeparator();
    return separator.isEmpty() ? QStringLiteral(",") : separator;
}

// A time format of the locale with its time-zone tokens ("t") and the
// spaces before them taken out; quoted literal text is kept as it stands.
QString withoutTimeZone(const QString& format) {
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            out += c;
        } else if (!quoted && c == QLatin1Char('t')) {
            while (!out.isEmpty() && out.back().isSpace())
                out.chop(1);
        } else {
            out += c;
        }
    }
    return out.trimmed();
}

} // namespace

QString leadingSpaceDecimal(qint64 value) {
    const QString digits = QString::number(value);
    return value < 0 ? digits : QLatin1Char(' ') + digits;
}

QString bytePattern(qint64 value) {
    // Grouped here rather than by QLocale::toString: some locales group by
    // other sizes than three or use other digits, and the form is fixed.
    const QString separator = thousandsSeparator(QLocale());
    const bool negative = value < 0;
    // The magnitude as unsigned, so the most negative value has one too.
    quint64 magnitude = negative ? quint64(0) - quint64(value) : quint64(value);
    const QString digits = QString::number(magnitude);

    QString out;
    out.reserve(digits.size() + digits.size() / 3 * separator.size() + 1);
    if (negative)
        out += QLatin1Char('-');
    const qsizetype head = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
    out += QStringView(digits).left(head);
    for (qsizetype i = head; i < digits.size(); i += 3)
        out += separator + QStringView(digits).mid(i, 3);
    return out;
}

QString shortDateLongTime(const QDateTime& local) {
    if (!local.isValid())
        return QString();
    const QLocale locale;
    const QString date = locale.toString(local.date(), QLocale::ShortFormat);
    const QTime time = local.time();
    // Midnight as the user would read it: the seconds shown are all zero.
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
        return date;
    const QString timeFormat = withoutTimeZone(locale.timeFormat(QLocale::LongFormat));
    return date + QLatin1Char(' ') + locale.toString(time, timeFormat);
}

} // namespace platform
