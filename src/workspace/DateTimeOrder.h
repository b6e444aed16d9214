#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <vector>

namespace orvanel {

// Reads dates and times written in the system's format (short date, a blank, long
// time; the time may be left out, as it is for midnight) into numbers that order them.
// The format is read once; texts are then read without QLocale's general parser, which
// costs tens of microseconds a text, so that lists of many thousand rows sort at once.
// Formats with fields this reader does not know fall back to QLocale.
class DateTimeOrder final
{
public:
    explicit DateTimeOrder(const QLocale& locale = QLocale::system());

    // A number that orders the date and time of `text`, or nothing when the text is not
    // a valid date and time of the format.
    std::optional<qint64> key(QStringView text) const;

    // The format read: short date and long time, joined by a blank.
    QString format() const { return m_dateFormat + u' ' + m_timeFormat; }

private:
    enum class Field : char {
        Text,
        Day,
        Month,
        Year2,
        Year4,
        Hour,
        Hour12,
        Minute,
        Second,
        Msec,
        AmPm,
        Zone,
        ShortMonth,
        LongMonth,
        ShortDay,
        LongDay
    };
    struct Token
    {
        Field field = Field::Text;
        QString text; // Text only
    };
    using Tokens = std::vector<Token>;
    struct Parts
    {
        int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
        int amPm = -1; // -1 none, 0 AM, 1 PM
    };

    // The index of the longest name that `text` starts with, or -1.
    static int matchName(QStringView text, const QStringList& names, qsizetype& at);
    static bool compile(const QString& format, Tokens& tokens);
    // Reads the digits of a day, month, year, hour, minute, second or millisecond field.
    static bool readNumberField(Field field, QStringView text, qsizetype& at, Parts& parts);
    bool read(const Tokens& tokens, QStringView text, Parts& parts) const;
    static std::optional<qint64> keyOf(const Parts& parts, bool twelveHour);
    std::optional<qint64> fallbackKey(QStringView text) const;

    QLocale m_locale;
    QString m_dateFormat;
    QString m_timeFormat;
    Tokens m_full;
    Tokens m_dateOnly;
    QStringList m_shortMonths, m_longMonths, m_shortDays, m_longDays;
    bool m_fast = false;
    bool m_twelveHour = false;
};

} // namespace orvanel
