#pragma once

#include <QByteArray>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <optional>

class QProcess;

namespace Larkspan::Testing {

// A private X display for real-window tests: its own Xvfb on a display it
// picks itself, with openbox as window manager. Everything the
// session starts is killed when it goes away. Needs Xvfb, xprop and xdotool.
class XvfbSession
{
public:
    struct Result
    {
        int exitCode = -1; // -1 when the program could not run or did not finish
        QByteArray output;
        bool ok() const { return exitCode == 0; }
    };

    XvfbSession();
    ~XvfbSession();
    XvfbSession(const XvfbSession &) = delete;
    XvfbSession &operator=(const XvfbSession &) = delete;

    // When not ready, errorString() says which step failed.
    bool isReady() const { return m_error.isEmpty(); }
    QString errorString() const { return m_error; }

    // The system environment with DISPLAY, a private XDG_RUNTIME_DIR,
    // QT_QPA_PLATFORM=xcb and no WAYLAND_DISPLAY.
    QProcessEnvironment environment() const;

    // Runs `program` on the display and waits for it, at most `timeoutMs`.
    Result run(const QString &program, const QStringList &arguments, int timeoutMs = 15000) const;
    Result xdotool(const QStringList &arguments) const
    {
        return run(QStringLiteral("xdotool"), arguments);
    }

    // Starts `program` on the display; the session owns it and kills it at
    // the end if it still runs.
    QProcess &launch(const QString &program, const QStringList &arguments,
                     const std::optional<QProcessEnvironment> &environment = std::nullopt);

    // Ends the X server under the programs on it, as when a desktop session goes away.
    void endDisplay();

private:
    QTemporaryDir m_dir;
    QString m_display;
    QString m_error;
    std::unique_ptr<QProcess> m_xvfb;
    QList<QProcess *> m_launched; // the window manager first
};

} // namespace Larkspan::Testing
