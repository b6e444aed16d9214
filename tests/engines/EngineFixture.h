#pragma once

// A temporary workspace with the real engines, a temporary home with its own XDG
// folders, and an empty ClamAV system folder, so that the engines load our own signature
// file only and nothing reaches the real home or the network.

#include "support/TestWorkspace.h"
#include "workspace/Names.h"
#include "workspace/SideFiles.h"
#include "workspace/Table.h"
#include "workspace/TableFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

namespace orvanel::testing {

using namespace Qt::StringLiterals;

// The signature our signature file gives the standard anti-virus test file (the engine
// marks every signature that is not ClamAV's own as unofficial).
inline const QString kTestFileSignature = u"Orvanel.TestFile.EICAR.UNOFFICIAL"_s;

// The standard anti-virus test file, put together only while the tests run.
inline QByteArray standardTestFile()
{
    const QByteArray parts[] = {"X5O!P%@AP[4\\PZX54(P^)7CC)7}", "$EICAR-STANDARD-",
                                "ANTIVIRUS-TEST-", "FILE!$H+H*"};
    QByteArray whole;
    for (const QByteArray& part : parts)
        whole += part;
    return whole;
}

class EngineFixture : public ::testing::Test
{
protected:
    TestWorkspace workspace;
    QTemporaryDir homeRoot;
    QTemporaryDir systemDatabases;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();

    void SetUp() override
    {
        ASSERT_TRUE(homeRoot.isValid() && systemDatabases.isValid());
        ASSERT_TRUE(QDir().mkpath(home()));
        environment.insert(u"HOME"_s, home());
        environment.insert(u"XDG_CONFIG_HOME"_s, home() + u"/.config"_s);
        environment.insert(u"XDG_DATA_HOME"_s, home() + u"/.local/share"_s);
        environment.insert(u"ORVANEL_CLAMAV_SYSTEM_DIR"_s, systemDatabases.path());
        installInto(workspace.dir());
        // msgs.exe records every notification it is started with.
        workspace.installEngines({QString(names::NotifierProgram)});
        workspace.write(QString(names::TrackFile), "2\r\n");
    }

    // The real engines and our signature file, copied into a folder.
    static void installInto(const QString& dir)
    {
        for (const QString& name : {u"scanwapper.exe"_s, u"tempsreel.exe"_s, u"majbase.exe"_s,
                                    u"netstat.exe"_s, u"scandisk.exe"_s}) {
            QFile::remove(dir + name);
            ASSERT_TRUE(QFile::copy(QStringLiteral(ORVANEL_PROTECT_ENGINE), dir + name));
        }
        QFile::remove(dir + u"orvanel.hsb"_s);
        ASSERT_TRUE(QFile::copy(QStringLiteral(ORVANEL_SIGNATURE_FILE), dir + u"orvanel.hsb"_s));
    }

    QString home() const { return QDir(homeRoot.path()).canonicalPath() + u"/home"_s; }
    QString inHome(const QString& relative) const { return home() + u'/' + relative; }

    static void writeFile(const QString& path, const QByteArray& bytes)
    {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path())) << path.toStdString();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    // A file of that size without the disk space or the time to write it (sparse),
    // closed once after writing.
    static void writeSparseFile(const QString& path, qint64 size)
    {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path())) << path.toStdString();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
        ASSERT_TRUE(file.resize(size)) << path.toStdString();
    }

    static QByteArray readFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    // Runs an engine of `dir` (the workspace by default) to its end; its exit code, or -1
    // when it did not end normally.
    int run(const QString& name, const QStringList& arguments = {}, QString dir = {})
    {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start((dir.isEmpty() ? workspace.dir() : dir) + name, arguments);
        EXPECT_TRUE(process.waitForFinished(60000)) << name.toStdString();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    std::unique_ptr<QProcess> startResident(const QString& name)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment);
        process->start(workspace.path(name), {});
        EXPECT_TRUE(process->waitForStarted()) << name.toStdString();
        return process;
    }

    QStringList lines(const QString& name) const
    {
        return sidefiles::readLines(workspace.path(name)).value_or(QStringList{u"<missing>"_s});
    }

    // The rows of a table file, each as its fields Champ1 … in order.
    QList<QStringList> rows(TableId id) const
    {
        Table table;
        defineFields(table, id);
        QList<QStringList> found;
        if (!table.open(workspace.path(tableDefinition(id).fileName)))
            return found;
        for (table.first(); !table.atEnd(); table.next()) {
            QStringList fields;
            for (const FieldDef& field : table.fields())
                fields.append(table.value(field.name));
            found.append(fields);
        }
        return found;
    }

    // The notifications msgs.exe was started with.
    QStringList notifications(int atLeast = 0) const
    {
        return workspace.starts(QString(names::NotifierProgram), atLeast,
                                std::chrono::milliseconds(atLeast > 0 ? 5000 : 200));
    }

    static bool waitFor(const std::function<bool()>& condition,
                        std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!condition()) {
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            QThread::msleep(20);
        }
        return true;
    }
};

} // namespace orvanel::testing
