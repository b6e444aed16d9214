// Dates and times in the system's format, read into numbers that order them the way
// QLocale reads them, for the date sort of the report lists.
#include "workspace/DateTimeOrder.h"

#include <QDateTime>

#include <gtest/gtest.h>

namespace orvanel {
namespace {

using namespace Qt::StringLiterals;

const QDateTime kMoments[] = {
    QDateTime(QDate(2026, 12, 8), QTime(10, 0, 5)),   QDateTime(QDate(2026, 12, 8), QTime(0, 0)),
    QDateTime(QDate(1999, 1, 31), QTime(23, 59, 59)), QDateTime(QDate(2024, 2, 29), QTime(12, 30)),
    QDateTime(QDate(2024, 2, 29), QTime(0, 30, 1)),   QDateTime(QDate(2025, 7, 4), QTime(13, 5, 9)),
};

TEST(DateTimeOrderTest, OrdersAsQLocaleReadsTheSystemFormat)
{
    for (const char* name : {"C", "en_US", "en_GB", "fr_FR", "de_DE", "it_IT", "es_ES", "ja_JP"}) {
        const QLocale locale(QString::fromLatin1(name));
        const DateTimeOrder order(locale);
        std::vector<std::pair<qint64, qint64>> keys; // ours, QLocale's
        for (const QDateTime& moment : kMoments) {
            const QString text = locale.toString(moment.date(), QLocale::ShortFormat) + u' ' +
                                 locale.toString(moment.time(), QLocale::LongFormat);
            const QDateTime read = locale.toDateTime(text, order.format());
            ASSERT_TRUE(read.isValid()) << name << " " << qPrintable(text);
            const std::optional<qint64> key = order.key(text);
            ASSERT_TRUE(key.has_value()) << name << " " << qPrintable(text);
            keys.emplace_back(*key, read.toMSecsSinceEpoch());
        }
        for (const auto& a : keys) {
            for (const auto& b : keys)
                EXPECT_EQ(a.first < b.first, a.second < b.second) << name;
        }
    }
}

TEST(DateTimeOrderTest, DateAloneIsMidnightAndOtherTextsAreNoDate)
{
    const QLocale locale(u"de_DE"_s);
    const DateTimeOrder order(locale);
    const QString day = locale.toString(QDate(2026, 12, 8), QLocale::ShortFormat);
    const QString noon = day + u' ' + locale.toString(QTime(12, 0), QLocale::LongFormat);
    ASSERT_TRUE(order.key(day).has_value());
    EXPECT_LT(*order.key(day), *order.key(noon));
    EXPECT_EQ(order.key(QString(u"  "_s + noon + u" "_s)), order.key(noon));

    for (const QString& text :
         QStringList{QString(), u"?"_s, u"firefox.exe"_s, u"31.02.26 10:00:00"_s,
                     u"08.12.26 25:00:00"_s, QString(noon + u" 1"_s)})
        EXPECT_FALSE(order.key(text).has_value()) << qPrintable(text);
}

} // namespace
} // namespace orvanel
