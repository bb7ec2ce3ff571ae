#include "XvfbSession.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace Larkspan::Testing {

namespace {

QString logOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLocal8Bit(file.readAll().right(2000)).trimmed();
}

} // namespace

XvfbSession::XvfbSession()
    : XvfbSession(Options())
{
}

XvfbSession::XvfbSession(const Options &options)
{
    if (!m_dir.isValid()) {
        m_error = u"cannot create a temporary folder: "_s + m_dir.errorString();
        return;
    }
    m_runtimeDir = m_dir.filePath(u"runtime"_s);
    if (!QDir().mkpath(m_runtimeDir)
        || !QFile::setPermissions(m_runtimeDir, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                    | QFileDevice::ExeOwner)) {
        m_error = u"cannot create the runtime folder "_s + m_runtimeDir;
        return;
    }
    if (!startDisplay(options))
        return;
    if (options.windowManager && !startWindowManager(options))
        return;
    m_ready = true;
}

XvfbSession::~XvfbSession()
{
    for (auto it = m_launched.rbegin(); it != m_launched.rend(); ++it) {
        stop(*it);
        delete *it;
    }
    stop(m_windowManager.get());
    stop(m_xvfb.get());
}

bool XvfbSession::startDisplay(const Options &options)
{
    // Xvfb writes the number of the display it found free to descriptor 3.
    const QString displayFile = m_dir.filePath(u"display"_s);
    const int fd = ::open(QFile::encodeName(displayFile).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        m_error = u"cannot create "_s + displayFile;
        return false;
    }
    m_xvfb = std::make_unique<QProcess>();
    m_xvfb->setStandardOutputFile(m_dir.filePath(u"xvfb.log"_s));
    m_xvfb->setStandardErrorFile(m_dir.filePath(u"xvfb.log"_s), QIODevice::Append);
    m_xvfb->setChildProcessModifier([fd] {
        if (fd == 3)
            ::fcntl(3, F_SETFD, 0);
        else
            ::dup2(fd, 3);
    });
    m_xvfb->start(u"Xvfb"_s, {u"-displayfd"_s, u"3"_s, u"-screen"_s, u"0"_s, options.screen,
                              u"-nolisten"_s, u"tcp"_s});
    const bool started = m_xvfb->waitForStarted(options.startTimeoutMs);
    ::close(fd);
    if (!started) {
        m_error = u"cannot start Xvfb: "_s + m_xvfb->errorString();
        return false;
    }

    const QDeadlineTimer deadline(options.startTimeoutMs);
    while (m_display.isEmpty()) {
        QFile file(displayFile);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray text = file.readAll();
            if (text.endsWith('\n'))
                m_display = u':' + QString::fromLatin1(text.trimmed());
        }
        if (m_display.isEmpty()) {
            if (m_xvfb->state() == QProcess::NotRunning || deadline.hasExpired()) {
                m_error = u"Xvfb gave no display: "_s + logOf(m_dir.filePath(u"xvfb.log"_s));
                return false;
            }
            QThread::msleep(20);
        }
    }
    if (!waitUntil(u"xdpyinfo"_s, {}, QByteArray(), int(deadline.remainingTime()))) {
        m_error = u"display %1 does not answer xdpyinfo: %2"_s.arg(
            m_display, logOf(m_dir.filePath(u"xvfb.log"_s)));
        return false;
    }
    return true;
}

bool XvfbSession::startWindowManager(const Options &options)
{
    // Under load openbox now and then fails to open the display: try again.
    constexpr int attempts = 3;
    const QString log = m_dir.filePath(u"openbox.log"_s);
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        m_windowManager = std::make_unique<QProcess>();
        m_windowManager->setProcessEnvironment(environment());
        m_windowManager->setStandardOutputFile(log, QIODevice::Append);
        m_windowManager->setStandardErrorFile(log, QIODevice::Append);
        m_windowManager->start(u"openbox"_s, {u"--sm-disable"_s});
        if (m_windowManager->waitForStarted(options.startTimeoutMs)
            && waitUntil(u"xprop"_s, {u"-root"_s, u"_NET_SUPPORTING_WM_CHECK"_s},
                         "window id #", options.startTimeoutMs / attempts)
            && m_windowManager->state() == QProcess::Running)
            return true;
        stop(m_windowManager.get());
    }
    m_error = u"openbox did not come up on %1 after %2 attempts: %3"_s.arg(
        m_display, QString::number(attempts), logOf(log));
    return false;
}

bool XvfbSession::waitUntil(const QString &program, const QStringList &arguments,
                            const QByteArray &expected, int timeoutMs) const
{
    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    do {
        const Result result = run(program, arguments, 5000);
        if (result.ok() && result.output.contains(expected))
            return true;
        QThread::msleep(50);
    } while (!deadline.hasExpired());
    return false;
}

void XvfbSession::stop(QProcess *process)
{
    if (!process || process->state() == QProcess::NotRunning)
        return;
    process->terminate();
    if (!process->waitForFinished(3000)) {
        process->kill();
        process->waitForFinished(3000);
    }
}

QProcessEnvironment XvfbSession::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_s, m_display);
    env.insert(u"XDG_RUNTIME_DIR"_s, m_runtimeDir);
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    env.remove(u"WAYLAND_DISPLAY"_s);
    return env;
}

XvfbSession::Result XvfbSession::run(const QString &program, const QStringList &arguments,
                                     int timeoutMs) const
{
    Result result;
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(program, arguments);
    if (!process.waitForStarted(timeoutMs)) {
        result.errors = process.errorString().toLocal8Bit();
        return result;
    }
    process.closeWriteChannel();
    const bool finished = process.waitForFinished(timeoutMs);
    if (!finished) {
        process.kill();
        process.waitForFinished(3000);
    }
    result.output = process.readAllStandardOutput();
    result.errors = process.readAllStandardError();
    if (finished && process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    return result;
}

XvfbSession::Result XvfbSession::xdotool(const QStringList &arguments, int timeoutMs) const
{
    return run(u"xdotool"_s, arguments, timeoutMs);
}

QProcess &XvfbSession::launch(const QString &program, const QStringList &arguments,
                              const std::optional<QProcessEnvironment> &environment)
{
    auto *process = new QProcess;
    m_launched.append(process);
    process->setProcessEnvironment(environment ? *environment : this->environment());
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(program, arguments);
    process->waitForStarted();
    return *process;
}

std::optional<QString> XvfbSession::waitForWindow(const QString &titleRegex, int timeoutMs) const
{
    // Searching again and again rather than with --sync: a search that meets
    // a window going away at that moment (a splash screen, a closing box)
    // fails, and --sync would give up on the first such failure.
    QDeadlineTimer deadline(timeoutMs);
    do {
        const Result result = xdotool({u"search"_s, u"--onlyvisible"_s, u"--name"_s, titleRegex},
                                      5000);
        const QByteArray first = result.output.trimmed().split('\n').first().trimmed();
        if (result.ok() && !first.isEmpty())
            return QString::fromLatin1(first);
        QThread::msleep(100);
    } while (!deadline.hasExpired());
    return std::nullopt;
}

std::optional<QPoint> XvfbSession::windowOrigin(const QString &windowId) const
{
    const Result result = run(u"xwininfo"_s, {u"-id"_s, windowId});
    if (!result.ok())
        return std::nullopt;
    std::optional<int> x;
    std::optional<int> y;
    for (const QByteArray &line : result.output.split('\n')) {
        const QByteArray text = line.trimmed();
        bool ok = false;
        if (text.startsWith("Absolute upper-left X:")) {
            const int value = text.mid(22).trimmed().toInt(&ok);
            if (ok)
                x = value;
        } else if (text.startsWith("Absolute upper-left Y:")) {
            const int value = text.mid(22).trimmed().toInt(&ok);
            if (ok)
                y = value;
        }
    }
    if (!x || !y)
        return std::nullopt;
    return QPoint(*x, *y);
}

bool XvfbSession::screenshot(const QString &path) const
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::remove(path);
    const Result result = run(u"import"_s, {u"-window"_s, u"root"_s, path});
    return result.ok() && QFileInfo(path).size() > 0;
}

QString XvfbSession::screenshotPath(const QString &fileName)
{
    const QString folder = QStringLiteral(LARKSPAN_TEST_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    return QDir(folder).filePath(fileName);
}

} // namespace Larkspan::Testing
