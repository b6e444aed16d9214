#pragma once

#include <QObject>
#include <QString>

class QApplication;
class QSocketNotifier;

namespace orvanel::platform {
class SingleInstanceLock;
}

// The process start: one instance per user, the hidden tray window, the main window,
// the event loop, and the end of the session.
namespace orvanel::startup {

// Takes the single-instance lock "Orvanel.exe". False when another instance holds it
// (183) or a lock of that name belongs to someone else (5): the process then ends at
// once and silently. Any other answer lets the start go on, as the lock is then none
// of another instance's.
bool takeInstanceLock(platform::SingleInstanceLock& lock);

// The message of a start refused because the runtime folder is not the user's alone.
QString runtimeFolderRefusalText(const QString& reason);

// For main(), before anything else: a save beyond the file size limit fails like one on
// a full disk instead of ending the program (SIGXFSZ is ignored), and SIGTERM and SIGHUP
// are caught from the first moment; the SessionEndWatcher hands them on.
void prepareSignals();

// The panel's look for every window of `app`: its style, its font, Qt's translations and
// the program's icon. The start sets it before the first window is made.
void prepareLook(QApplication& app);

// The whole start, for main(): answers the process's exit code. 0 for a second start and
// for an end of the session; non-zero when the main window could not prepare the
// workspace, or when the workspace or the runtime folder is not the user's alone (after
// an error box that says why).
int run(int argc, char** argv);

// Tells when the session ends: SIGTERM and SIGHUP (through a socket pair, so that the
// work happens in the event loop and not in the signal handler) and the application's
// quit event, which the session manager sends when the session is over. Its commit
// request, which may come for a checkpoint or a cancelled logout, is not an end. One
// watcher at a time; it restores the default signal handling when it goes.
class SessionEndWatcher final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SessionEndWatcher)

public:
    explicit SessionEndWatcher(QObject* parent = nullptr);
    ~SessionEndWatcher() override;

    // False when the signal socket pair could not be set up; the quit event is still
    // watched.
    bool watchesSignals() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void sessionEnding();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace orvanel::startup
