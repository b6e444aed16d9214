#include "workspace/DateTimeOrder.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace orvanel {

using namespace Qt::StringLiterals;

namespace {

int runLength(const QString& format, qsizetype at)
{
    qsizetype end = at;
    while (end < format.size() && format[end] == format[at])
        ++end;
    return int(end - at);
}

// Reads 1 to maxDigits digits; a field of minDigits needs at least that many.
bool readNumber(QStringView text, qsizetype& at, int minDigits, int maxDigits, int& value)
{
    value = 0;
    int digits = 0;
    while (at < text.size() && digits < maxDigits && text[at] >= u'0' && text[at] <= u'9') {
        value = value * 10 + (text[at].unicode() - u'0');
        ++at;
        ++digits;
    }
    return digits >= minDigits;
}

} // namespace

DateTimeOrder::DateTimeOrder(const QLocale& locale)
    : m_locale(locale), m_dateFormat(locale.dateFormat(QLocale::ShortFormat)),
      m_timeFormat(locale.timeFormat(QLocale::LongFormat))
{
    for (int i = 1; i <= 12; ++i) {
        m_shortMonths.append(locale.monthName(i, QLocale::ShortFormat));
        m_longMonths.append(locale.monthName(i, QLocale::LongFormat));
    }
    for (int i = 1; i <= 7; ++i) {
        m_shortDays.append(locale.dayName(i, QLocale::ShortFormat));
        m_longDays.append(locale.dayName(i, QLocale::LongFormat));
    }
    m_fast = compile(format(), m_full) && compile(m_dateFormat, m_dateOnly);
    for (const Token& token : m_full)
        m_twelveHour = m_twelveHour || token.field == Field::Hour12;
}

bool DateTimeOrder::compile(const QString& format, Tokens& tokens)
{
    static const struct
    {
        char letter;
        int count;
        Field field;
    } fields[] = {
        {'d', 1, Field::Day},       {'d', 2, Field::Day},      {'M', 1, Field::Month},
        {'M', 2, Field::Month},     {'y', 2, Field::Year2},    {'y', 4, Field::Year4},
        {'H', 1, Field::Hour},      {'H', 2, Field::Hour},     {'h', 1, Field::Hour12},
        {'h', 2, Field::Hour12},    {'m', 1, Field::Minute},   {'m', 2, Field::Minute},
        {'s', 1, Field::Second},    {'s', 2, Field::Second},   {'z', 1, Field::Msec},
        {'z', 3, Field::Msec},      {'A', 2, Field::AmPm},     {'M', 3, Field::ShortMonth},
        {'M', 4, Field::LongMonth}, {'d', 3, Field::ShortDay}, {'d', 4, Field::LongDay},
        {'a', 2, Field::AmPm},      {'t', 1, Field::Zone}};
    tokens.clear();
    for (qsizetype at = 0; at < format.size();) {
        const QChar c = format[at];
        if (c == u'\'') {
            const qsizetype end = format.indexOf(u'\'', at + 1);
            if (end < 0)
                return false;
            tokens.push_back(
                {Field::Text, end == at + 1 ? u"'"_s : format.mid(at + 1, end - at - 1)});
            at = end + 1;
            continue;
        }
        if (!c.isLetter()) {
            if (!tokens.empty() && tokens.back().field == Field::Text)
                tokens.back().text += c;
            else
                tokens.push_back({Field::Text, QString(c)});
            ++at;
            continue;
        }
        const int count =
            c == u'A' || c == u'a' ? std::min(runLength(format, at), 2) : runLength(format, at);
        bool known = false;
        for (const auto& f : fields) {
            if (c == QLatin1Char(f.letter) && count == f.count) {
                tokens.push_back({f.field, {}});
                known = true;
            }
        }
        if (!known)
            return false; // names of months or days: QLocale reads those
        at += count;
    }
    return true;
}

int DateTimeOrder::matchName(QStringView text, const QStringList& names, qsizetype& at)
{
    const QStringView rest = text.mid(at);
    int best = -1;
    for (int i = 0; i < names.size(); ++i) {
        const QString& name = names[i];
        if (!name.isEmpty() && rest.startsWith(name, Qt::CaseInsensitive) &&
            (best < 0 || name.size() > names[best].size()))
            best = i;
    }
    if (best >= 0)
        at += names[best].size();
    return best;
}

bool DateTimeOrder::readNumberField(Field field, QStringView text, qsizetype& at, Parts& parts)
{
    // The digits each numeric field takes and the part it fills.
    static const struct
    {
        Field field;
        int minDigits, maxDigits;
        int Parts::*part;
    } numbers[] = {{Field::Day, 1, 2, &Parts::day},       {Field::Month, 1, 2, &Parts::month},
                   {Field::Year2, 2, 2, &Parts::year},    {Field::Year4, 4, 4, &Parts::year},
                   {Field::Hour, 1, 2, &Parts::hour},     {Field::Hour12, 1, 2, &Parts::hour},
                   {Field::Minute, 1, 2, &Parts::minute}, {Field::Second, 1, 2, &Parts::second},
                   {Field::Msec, 1, 3, &Parts::msec}};
    for (const auto& number : numbers) {
        if (number.field != field)
            continue;
        const bool ok =
            readNumber(text, at, number.minDigits, number.maxDigits, parts.*number.part);
        if (field == Field::Year2)
            parts.year += 1900; // as QLocale reads a two-digit year
        return ok;
    }
    return false;
}

bool DateTimeOrder::read(const Tokens& tokens, QStringView text, Parts& parts) const
{
    qsizetype at = 0;
    for (const Token& token : tokens) {
        bool ok = true;
        switch (token.field) {
        case Field::Text:
            ok = text.mid(at).startsWith(token.text);
            at += token.text.size();
            break;
        case Field::Day:
        case Field::Month:
        case Field::Year2:
        case Field::Year4:
        case Field::Hour:
        case Field::Hour12:
        case Field::Minute:
        case Field::Second:
        case Field::Msec:
            ok = readNumberField(token.field, text, at, parts);
            break;
        case Field::AmPm: {
            const QStringView rest = text.mid(at);
            const QString am = m_locale.amText(), pm = m_locale.pmText();
            if (!am.isEmpty() && rest.startsWith(am, Qt::CaseInsensitive)) {
                parts.amPm = 0;
                at += am.size();
            } else if (!pm.isEmpty() && rest.startsWith(pm, Qt::CaseInsensitive)) {
                parts.amPm = 1;
                at += pm.size();
            } else {
                ok = false;
            }
            break;
        }
        case Field::ShortMonth:
        case Field::LongMonth:
            parts.month =
                1 + matchName(text, token.field == Field::ShortMonth ? m_shortMonths : m_longMonths,
                              at);
            ok = parts.month > 0;
            break;
        case Field::ShortDay:
        case Field::LongDay:
            // The day's name says nothing the date does not.
            ok =
                matchName(text, token.field == Field::ShortDay ? m_shortDays : m_longDays, at) >= 0;
            break;
        case Field::Zone:
            // The engines write the local time; the zone's name only follows it.
            while (at < text.size() && (text[at].isLetterOrNumber() || text[at] == u'+' ||
                                        text[at] == u'-' || text[at] == u':'))
                ++at;
            ok = true;
            break;
        }
        if (!ok)
            return false;
    }
    return at == text.size();
}

std::optional<qint64> DateTimeOrder::keyOf(const Parts& parts, bool twelveHour)
{
    int hour = parts.hour;
    if (twelveHour) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (parts.amPm == 1 ? 12 : 0);
    } else if (parts.amPm == 1 && hour < 12) {
        hour += 12;
    }
    if (!QDate::isValid(parts.year, parts.month, parts.day) ||
        !QTime::isValid(hour, parts.minute, parts.second, parts.msec))
        return std::nullopt;
    const qint64 day = QDate(parts.year, parts.month, parts.day).toJulianDay();
    return day * 86'400'000 + ((hour * 60 + parts.minute) * 60 + parts.second) * 1000 + parts.msec;
}

std::optional<qint64> DateTimeOrder::key(QStringView text) const
{
    text = text.trimmed();
    if (!m_fast)
        return fallbackKey(text);
    Parts parts;
    if (read(m_full, text, parts))
        return keyOf(parts, m_twelveHour);
    Parts dateOnly;
    if (read(m_dateOnly, text, dateOnly))
        return keyOf(dateOnly, false);
    return std::nullopt;
}

std::optional<qint64> DateTimeOrder::fallbackKey(QStringView text) const
{
    const QString whole = text.toString();
    QDateTime when = m_locale.toDateTime(whole, format());
    if (!when.isValid())
        when = QDateTime(m_locale.toDate(whole, m_dateFormat), QTime(0, 0));
    if (!when.isValid())
        return std::nullopt;
    const QTime time = when.time();
    return when.date().toJulianDay() * 86'400'000 + time.msecsSinceStartOfDay();
}

} // namespace orvanel
