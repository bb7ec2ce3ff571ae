#pragma once

#include <QString>
#include <QStringList>
#include <QtMessageHandler>

namespace Larkspan {

// While it lives (around the windows' application object being made): when
// Qt finds no display to open windows on, the program ends with status 1
// and says that the windows need a display and that export and import work
// without one, instead of Qt's own abort. Qt's other messages meanwhile are
// passed on when it ends.
class NoDisplay
{
public:
    NoDisplay();
    ~NoDisplay();
    NoDisplay(const NoDisplay &) = delete;
    NoDisplay &operator=(const NoDisplay &) = delete;

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text);

    QtMessageHandler m_previous;
};

} // namespace Larkspan
