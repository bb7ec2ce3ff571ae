// The main window's About command.
#include "main_window/Form1.h"

namespace Larkspan {

void Form1::mnuAbout_Click()
{
}

} // namespace Larkspan
