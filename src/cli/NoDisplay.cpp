#include "cli/NoDisplay.h"

#include <QList>

#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

struct Held
{
    QtMsgType type;
    QString text;
};
QList<Held> held;

} // namespace

NoDisplay::NoDisplay()
    : m_previous(qInstallMessageHandler(handle))
{}

NoDisplay::~NoDisplay()
{
    qInstallMessageHandler(m_previous);
    for (const Held &message : std::exchange(held, {})) {
        switch (message.type) {
        case QtDebugMsg:
            qDebug("%s", qUtf8Printable(message.text));
            break;
        case QtInfoMsg:
            qInfo("%s", qUtf8Printable(message.text));
            break;
        default:
            qWarning("%s", qUtf8Printable(message.text));
        }
    }
}

void NoDisplay::handle(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type != QtFatalMsg) {
        held.append({type, text});
        return;
    }
    // What the platform said before it gave up tells why; Qt's own last
    // words speak of reinstalling, which would not help.
    QString reason;
    for (const Held &message : std::as_const(held)) {
        if (message.type != QtDebugMsg && message.type != QtInfoMsg)
            reason += u" ("_s + message.text.trimmed() + u')';
    }
    if (reason.isEmpty())
        reason = u" ("_s + text.section(u'\n', 0, 0).trimmed() + u')';
    std::fputs(qUtf8Printable(u"larkspan: the windows need a display, and none can be opened"_s
                              + reason
                              + u".\nlarkspan export and larkspan import work without one "
                                u"(see larkspan --help).\n"_s),
               stderr);
    std::_Exit(1);
}

} // namespace Larkspan
