// The main window's About command.
#include "main_window/Form1.h"

#include "about/frmAbout.h"
#include "window/FormInstance.h"
#include "window/WindowServices.h"

namespace Larkspan {

void Form1::mnuAbout_Click()
{
    // Non-modal and with no owner: the main window stays usable beside it.
    // When it is already open, it only comes to the front.
    WindowServices::instance().showWindow(FormInstance<frmAbout>::get());
}

} // namespace Larkspan
