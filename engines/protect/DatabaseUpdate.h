#pragma once

#include <QByteArray>
#include <QString>

namespace orvanel::engines {

// What came of one freshclam run.
enum class UpdateOutcome { Updated, NoNetwork, Failed };

// freshclam's exit code and output: 0 is success; 52, or an output that tells of a host
// name that does not resolve or a connection that fails, is a missing network.
UpdateOutcome updateOutcomeOf(int exitCode, const QByteArray& output);

// The freshclam configuration for the user's database folder: the folder, a log inside
// it, the user as database owner (freshclam running as root would otherwise hand the
// files to another account) and the mirrors of the system's configuration text (the
// project's default mirror when it names none).
QByteArray freshclamConfiguration(const QString& databaseDir, const QString& userName,
                                  const QByteArray& systemConfiguration);

} // namespace orvanel::engines
