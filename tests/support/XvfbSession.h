#pragma once

#include <QByteArray>
#include <QDir>
#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>
#include <vector>

namespace Larkspan::Testing {

// A private X display for real-window tests: its own Xvfb on a display it
// picks itself, with openbox as window manager. Everything the session
// starts is killed when it goes away. Needs Xvfb, xprop and xdotool.
class XvfbSession
{
public:
    struct Result
    {
        int exitCode = -1; // -1 when the program could not run or did not finish
        QByteArray output;
        bool ok() const { return exitCode == 0; }
    };

    XvfbSession()
    {
        QDir(m_dir.path())
            .mkdir(QStringLiteral("runtime"),
                   QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // Xvfb tells the display it found free once it accepts connections.
        m_xvfb.setStandardErrorFile(m_dir.filePath(QStringLiteral("xvfb.log")));
        m_xvfb.start(
            QStringLiteral("Xvfb"),
            QStringLiteral("-displayfd 1 -screen 0 1024x768x24 -nolisten tcp").split(u' '));
        if (!QTest::qWaitFor([this] { return m_xvfb.canReadLine(); }, 15000)) {
            m_error = QStringLiteral("Xvfb gave no display: ") + m_xvfb.errorString();
            return;
        }
        m_display = u':' + QString::fromLatin1(m_xvfb.readLine().trimmed());
        // Under load openbox now and then fails to open the display: try again.
        for (int attempt = 0; attempt < 3; ++attempt) {
            QProcess &wm = launch(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
            const auto up = [&] {
                return wm.state() == QProcess::Running
                    && run(QStringLiteral("xprop"),
                           {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                           .output.contains("window id #");
            };
            // It is up in a tenth of a second; one that has not come up in
            // a few seconds, or has ended, is tried again.
            (void)QTest::qWaitFor([&] { return wm.state() != QProcess::Running || up(); }, 5000);
            if (up())
                return;
            stop(&wm);
        }
        m_error = QStringLiteral("openbox did not come up on ") + m_display;
    }
    ~XvfbSession()
    {
        for (auto it = m_launched.rbegin(); it != m_launched.rend(); ++it)
            stop(it->get());
        endDisplay();
    }
    XvfbSession(const XvfbSession &) = delete;
    XvfbSession &operator=(const XvfbSession &) = delete;

    // Where the programs on the display keep their state.
    QString stateHome() const { return m_dir.filePath(QStringLiteral("state")); }

    // When not ready, errorString() says which step failed.
    bool isReady() const { return m_error.isEmpty(); }
    QString errorString() const { return m_error; }

    // The system environment with DISPLAY, a private XDG_RUNTIME_DIR and
    // XDG_STATE_HOME, QT_QPA_PLATFORM=xcb and no WAYLAND_DISPLAY.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.filePath(QStringLiteral("runtime")));
        env.insert(QStringLiteral("XDG_STATE_HOME"), stateHome());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        return env;
    }

    // Runs `program` on the display and waits for it, at most `timeoutMs`.
    Result run(const QString &program, const QStringList &arguments, int timeoutMs = 15000) const
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
    Result xdotool(const QStringList &arguments) const
    {
        return run(QStringLiteral("xdotool"), arguments);
    }

    // Starts `program` on the display; the session owns it and kills it at
    // the end if it still runs.
    QProcess &launch(const QString &program, const QStringList &arguments,
                     const std::optional<QProcessEnvironment> &environment = std::nullopt)
    {
        QProcess &process = *m_launched.emplace_back(std::make_unique<QProcess>());
        process.setProcessEnvironment(environment.value_or(this->environment()));
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(program, arguments);
        process.waitForStarted();
        return process;
    }

    // Ends the X server under the programs on it, as when a desktop session goes away.
    void endDisplay() { stop(&m_xvfb); }

private:
    static void stop(QProcess *process)
    {
        process->terminate();
        if (!process->waitForFinished(3000)) {
            process->kill();
            process->waitForFinished(3000);
        }
    }

    QTemporaryDir m_dir;
    QString m_display;
    QString m_error;
    QProcess m_xvfb;
    std::vector<std::unique_ptr<QProcess>> m_launched; // the window manager first
};

} // namespace Larkspan::Testing
