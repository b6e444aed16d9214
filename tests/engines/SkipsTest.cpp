// What the engine does not scan: its limit and encryption alerts are skips by reason,
// and a file over its maximum size is skipped while one at the maximum is scanned.

#include "protect/ClamEngine.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace orvanel::engines;
using namespace Qt::StringLiterals;

TEST(Skips, TheEnginesLimitAndEncryptionAlertsAreReasonsOtherNamesDetections)
{
    const struct
    {
        const char* signature;
        std::optional<SkipReason> reason;
    } cases[] = {
        {"Heuristics.Limits.Exceeded.MaxFileSize", SkipReason::TooLarge},
        {"Heuristics.Limits.Exceeded.MaxScanSize", SkipReason::TooLarge},
        {"Heuristics.Limits.Exceeded.MaxRecursion", SkipReason::ArchiveTooDeep},
        {"Heuristics.Limits.Exceeded.MaxFiles", SkipReason::TooManyFiles},
        {"Heuristics.Limits.Exceeded.MaxScanTime", SkipReason::TookTooLong},
        {"Heuristics.Limits.Exceeded.EmailHeaders", SkipReason::OverLimits},
        {"Heuristics.Encrypted.Zip", SkipReason::Encrypted},
        {"Heuristics.Encrypted.PDF", SkipReason::Encrypted},
        {"Heuristics.Broken.Executable", std::nullopt},
        {"Orvanel.TestFile.EICAR.UNOFFICIAL", std::nullopt},
        {"Win.Trojan.Heuristics.Encrypted.Zip", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(skipReasonOfSignature(c.signature), c.reason) << c.signature;

    SkipCounts counts;
    counts.add(SkipReason::Unreadable);
    counts.add(SkipReason::TooLarge, 2);
    counts.add(SkipReason::Encrypted);
    EXPECT_EQ(counts.total(), 4u);
    EXPECT_EQ(counts.text(), u"2 too large, 1 encrypted, 1 unreadable"_s);
}

TEST(Skips, AFileOverTheMaximumSizeIsSkippedAndOneAtItScanned)
{
    QString error;
    const QStringList databases{QStringLiteral(ORVANEL_SIGNATURE_FILE)};
    const auto standard = ClamEngine::load(databases, &error);
    ASSERT_TRUE(standard) << error.toStdString();
    EXPECT_EQ(standard->maxFileSize(), kMaxScannedFileSize) << "the library takes our maximum";
    // A small maximum shows both sides of it without gigabytes to scan.
    const auto small = ClamEngine::load(databases, &error, 1 << 20);
    ASSERT_TRUE(small) << error.toStdString();
    ASSERT_EQ(small->maxFileSize(), 1 << 20);

    const struct
    {
        const char* what;
        const ClamEngine& engine;
        long long size;
        ClamEngine::Verdict verdict;
    } cases[] = {
        {"at the maximum", *small, 1 << 20, ClamEngine::Verdict::Clean},
        {"a byte over the maximum", *small, (1 << 20) + 1, ClamEngine::Verdict::Skipped},
        {"a byte over the standard maximum", *standard, kMaxScannedFileSize + 1,
         ClamEngine::Verdict::Skipped},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        const QString path = dir.filePath(u"file"_s);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.resize(c.size));
        file.close();
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        const ClamEngine::Result result = c.engine.scan(fd, "file");
        ::close(fd);
        EXPECT_EQ(result.verdict, c.verdict) << c.what;
        if (c.verdict == ClamEngine::Verdict::Skipped) {
            EXPECT_EQ(result.skip, SkipReason::TooLarge) << c.what;
        }
    }
}

} // namespace
