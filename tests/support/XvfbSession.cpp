#include "XvfbSession.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

namespace Larkspan::Testing {

namespace {

void stop(QProcess *process)
{
    process->terminate();
    if (!process->waitForFinished(3000)) {
        process->kill();
        process->waitForFinished(3000);
    }
}

} // namespace

XvfbSession::XvfbSession()
    : m_xvfb(std::make_unique<QProcess>())
{
    QDir(m_dir.path()).mkdir(u"runtime"_s, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // Xvfb tells the display it found free once it accepts connections.
    m_xvfb->setStandardErrorFile(m_dir.filePath(u"xvfb.log"_s));
    m_xvfb->start(u"Xvfb"_s,
                  {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s, u"1024x768x24"_s, u"-nolisten"_s,
                   u"tcp"_s});
    if (!QTest::qWaitFor([this] { return m_xvfb->canReadLine(); }, 15000)) {
        m_error = u"Xvfb gave no display: "_s + m_xvfb->errorString();
        return;
    }
    m_display = u':' + QString::fromLatin1(m_xvfb->readLine().trimmed());
    // Under load openbox now and then fails to open the display: try again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        QProcess &wm = launch(u"openbox"_s, {u"--sm-disable"_s});
        const QStringList check {u"-root"_s, u"_NET_SUPPORTING_WM_CHECK"_s};
        const auto up = [&] { return run(u"xprop"_s, check).output.contains("window id #"); };
        if (QTest::qWaitFor([&] { return wm.state() == QProcess::Running && up(); }, 15000))
            return;
        stop(&wm);
    }
    m_error = u"openbox did not come up on "_s + m_display;
}

XvfbSession::~XvfbSession()
{
    for (auto it = m_launched.rbegin(); it != m_launched.rend(); ++it) {
        stop(*it);
        delete *it;
    }
    endDisplay();
}

void XvfbSession::endDisplay()
{
    stop(m_xvfb.get());
}

QProcessEnvironment XvfbSession::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_s, m_display);
    env.insert(u"XDG_RUNTIME_DIR"_s, m_dir.filePath(u"runtime"_s));
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    env.remove(u"WAYLAND_DISPLAY"_s);
    return env;
}

XvfbSession::Result XvfbSession::run(const QString &program, const QStringList &arguments,
                                     int timeoutMs) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(program, arguments);
    const bool finished
        = process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
    if (!finished)
        stop(&process);
    return {finished ? process.exitCode() : -1, process.readAllStandardOutput()};
}

QProcess &XvfbSession::launch(const QString &program, const QStringList &arguments,
                              const std::optional<QProcessEnvironment> &environment)
{
    auto *process = new QProcess;
    m_launched.append(process);
    process->setProcessEnvironment(environment.value_or(this->environment()));
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(program, arguments);
    process->waitForStarted();
    return *process;
}

} // namespace Larkspan::Testing
