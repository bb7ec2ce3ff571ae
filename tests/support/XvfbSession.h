#pragma once

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <optional>

class QProcess;

namespace Larkspan::Testing {

// A private X display for real-window tests: its own Xvfb on a free display
// (Xvfb picks it), optionally with openbox as window manager, and helpers to
// drive and look at it with xdotool, xwininfo and ImageMagick's import.
//
//     XvfbSession x;                       // Xvfb and openbox, ready or not
//     QVERIFY2(x.isReady(), qPrintable(x.errorString()));
//     QProcess &app = x.launch(program, {});   // runs on the display
//     const auto id = x.waitForWindow(u"^Larkspan$"_s);
//     x.xdotool({u"mousemove"_s, u"--window"_s, *id, u"20"_s, u"30"_s, u"click"_s, u"1"_s});
//     x.screenshot(XvfbSession::screenshotPath(u"main.png"_s));
//
// Everything the session starts (Xvfb, openbox, programs from launch()) is
// killed when it is destroyed. Needs Xvfb, xdpyinfo, xprop, xwininfo,
// xdotool, timeout and import on the machine.
class XvfbSession
{
public:
    struct Options
    {
        bool windowManager = true;
        QString screen = QStringLiteral("1024x768x24");
        int startTimeoutMs = 15000;
    };

    struct Result
    {
        int exitCode = -1;   // -1 when the program could not run or did not finish
        QByteArray output;   // standard output
        QByteArray errors;   // standard error
        bool ok() const { return exitCode == 0; }
    };

    XvfbSession();
    explicit XvfbSession(const Options &options);
    ~XvfbSession();
    XvfbSession(const XvfbSession &) = delete;
    XvfbSession &operator=(const XvfbSession &) = delete;

    // Whether the display (and the window manager, if asked for) answers.
    // When not, errorString() says which step failed and how.
    bool isReady() const { return m_ready; }
    QString errorString() const { return m_error; }

    // ":N".
    QString display() const { return m_display; }

    // The system environment with DISPLAY set to this display, a private
    // XDG_RUNTIME_DIR, QT_QPA_PLATFORM=xcb and no WAYLAND_DISPLAY: what a
    // program needs to run on this display.
    QProcessEnvironment environment() const;

    // Runs `program` on the display and waits for it, at most `timeoutMs`.
    Result run(const QString &program, const QStringList &arguments,
               int timeoutMs = 15000) const;
    Result xdotool(const QStringList &arguments, int timeoutMs = 15000) const;

    // Starts `program` on the display without waiting. The session owns the
    // process and kills it at the end if it still runs. `environment`
    // defaults to environment().
    QProcess &launch(const QString &program, const QStringList &arguments,
                     const std::optional<QProcessEnvironment> &environment = std::nullopt);

    // The id of the first visible window whose title matches `titleRegex`
    // (xdotool's extended regular expression), waiting for it at most
    // `timeoutMs`; nothing when none appeared.
    std::optional<QString> waitForWindow(const QString &titleRegex, int timeoutMs = 10000) const;

    // The window's top left corner on the screen, inside its frame.
    std::optional<QPoint> windowOrigin(const QString &windowId) const;

    // Writes a picture of the whole screen to `path` (the format follows the
    // extension). True when the file was written.
    bool screenshot(const QString &path) const;

    // `fileName` in the build's screenshot folder, which is created if needed.
    static QString screenshotPath(const QString &fileName);

    // Ends the X server under the programs on it, as when a desktop session
    // goes away.
    void endDisplay() { stop(m_xvfb.get()); }

private:
    bool startDisplay(const Options &options);
    bool startWindowManager(const Options &options);
    bool waitUntil(const QString &program, const QStringList &arguments,
                   const QByteArray &expected, int timeoutMs) const;
    void stop(QProcess *process);

    QTemporaryDir m_dir;
    QString m_display;
    QString m_runtimeDir;
    bool m_ready = false;
    QString m_error;
    std::unique_ptr<QProcess> m_xvfb;
    std::unique_ptr<QProcess> m_windowManager;
    QList<QProcess *> m_launched;
};

} // namespace Larkspan::Testing
