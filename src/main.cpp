#include "platform/DesktopPlatform.h"
#include "splash/frmSplash1.h"
#include "window/FormInstance.h"
#include "window/WindowServices.h"

#include <QApplication>
#include <QIcon>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Larkspan"_s);
    QApplication::setWindowIcon(QIcon(u":/larkspan.png"_s));
    // The main window's close and the Exit command end the program; no other
    // window's closing does.
    QApplication::setQuitOnLastWindowClosed(false);

    Larkspan::DesktopPlatform platform;
    Larkspan::setPlatform(&platform);

    Larkspan::WindowServices::instance().showWindow(
        Larkspan::FormInstance<Larkspan::frmSplash1>::get());
    return QApplication::exec();
}
