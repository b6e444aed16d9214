#include "app/Startup.h"

#include "app/MainWindow.h"
#include "app/TrayWindow.h"
#include "pages/AppIcons.h"
#include "pages/PanelLook.h"
#include "pages/PanelStyle.h"
#include "panel/UserWorkspace.h"
#include "platform/SingleInstanceLock.h"
#include "platform/gui/FontConfiguration.h"
#include "platform/gui/LinuxPlatform.h"
#include "platform/gui/MessageBoxPrompt.h"
#include "platform/linux/FlockSingleInstanceLock.h"
#include "workspace/Names.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace orvanel::startup {

namespace {

int g_signalPipe[2] = {-1, -1};

extern "C" void onSessionSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

void installHandler(int signal, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

} // namespace

bool takeInstanceLock(platform::SingleInstanceLock& lock)
{
    const int answer = lock.acquire(names::InstanceLockName);
    return answer != platform::SingleInstanceLock::AlreadyExists &&
           answer != platform::SingleInstanceLock::AccessDenied;
}

QString runtimeFolderRefusalText(const QString& reason)
{
    return u"Orvanel cannot start: %1. Another user could hold or replace its "
           "single-instance lock and its engine socket there. Give it a runtime "
           "folder of your own with mode 0700 (XDG_RUNTIME_DIR)."_s.arg(reason);
}

void prepareSignals()
{
    // A write past the file size limit (ulimit -f) then fails with EFBIG and is handled
    // like a full disk, instead of killing the program.
    installHandler(SIGXFSZ, SIG_IGN);
    if (g_signalPipe[0] >= 0 ||
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalPipe) == 0) {
        installHandler(SIGTERM, &onSessionSignal);
        installHandler(SIGHUP, &onSessionSignal);
    }
}

SessionEndWatcher::SessionEndWatcher(QObject* parent) : QObject(parent)
{
    // A signal that came before the watcher waits in the socket pair and is read at the
    // first turn of the event loop.
    prepareSignals();
    if (g_signalPipe[0] >= 0) {
        m_notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &SessionEndWatcher::readSignal);
    }
    // The session manager's commit request is only a question: it comes for checkpoints
    // and for logouts that another program may still cancel, and the default answer
    // lets the session go on to its end. The real end comes as SIGTERM or SIGHUP, or as
    // the application's quit event when the session manager says the session is over.
    if (qApp)
        qApp->installEventFilter(this);
}

bool SessionEndWatcher::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qApp && event->type() == QEvent::Quit) {
        Q_EMIT sessionEnding();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

SessionEndWatcher::~SessionEndWatcher()
{
    if (!m_notifier)
        return;
    installHandler(SIGTERM, SIG_DFL);
    installHandler(SIGHUP, SIG_DFL);
    delete m_notifier;
    ::close(g_signalPipe[0]);
    ::close(g_signalPipe[1]);
    g_signalPipe[0] = g_signalPipe[1] = -1;
}

void SessionEndWatcher::readSignal()
{
    char bytes[16];
    bool received = false;
    while (::read(g_signalPipe[0], bytes, sizeof bytes) > 0)
        received = true;
    if (received)
        Q_EMIT sessionEnding();
}

void prepareLook(QApplication& app)
{
    QApplication::setStyle(new PanelStyle);
    panellook::install(app);
    QApplication::setWindowIcon(AppIcons::applicationIcon());
}

int run(int argc, char** argv)
{
    platform::FlockSingleInstanceLock lock;
    // A second instance ends silently; a runtime folder somebody else controls is no
    // second instance and is reported below, once there is an application to show it.
    if (!takeInstanceLock(lock) && lock.refusal().isEmpty())
        return 0;

    platform::loadFontConfiguration();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(u"Orvanel"_s);
    prepareLook(app);

    // Watched before anything can show a box: the end of the session ends the program at
    // any point of the start, also while an error box waits for the user.
    SessionEndWatcher sessionEnd;
    bool ending = false;
    std::unique_ptr<MainWindow> window;
    // exit(), not quit(): quitting first offers every window a close, and the main
    // window's close only puts it away, which would cancel the end of the program. exit()
    // also ends the loop of a box on show.
    QObject::connect(&sessionEnd, &SessionEndWatcher::sessionEnding, &app, [&] {
        ending = true;
        if (window)
            window->WMQueryEndSession();
        QCoreApplication::exit(0);
    });

    if (!lock.refusal().isEmpty()) {
        const QString message = runtimeFolderRefusalText(lock.refusal());
        qCritical("%s", qUtf8Printable(message));
        platform::MessageBoxPrompt().showError(message);
        return ending ? 0 : 1;
    }

    // From the build tree the workspace is the program's folder; an installed panel works
    // in the user's own folder and its autostart entry names the installed launcher.
    const install::Location location =
        install::locateWorkspace(QCoreApplication::applicationFilePath());
    platform::LinuxPlatform desktop(location.workspaceDir);
    const platform::Services services = desktop.services();
    if (!location.error.isEmpty()) {
        qCritical("%s", qUtf8Printable(location.error));
        services.prompt->showError(location.error);
        return ending ? 0 : 1;
    }

    TrayWindow tray(location.autostartCommand, services);
    tray.FormCreate();
    if (ending)
        return 0;

    window = std::make_unique<MainWindow>(location.workspaceDir, services);
    tray.setMainWindow(window.get());
    window->setIconShown([&tray] { return tray.hasIcon(); });
    QObject::connect(window.get(), &MainWindow::terminationRequested, &app,
                     [] { QCoreApplication::exit(0); });
    if (!window->FormCreate())
        return ending ? 0 : 1;
    if (ending)
        return 0;

    const int code = QApplication::exec();
    window.reset(); // FormDestroy
    return code;
}

} // namespace orvanel::startup
