// The main window's Edit menu: Add, Delete, Modify and Exit.
#include "main_window/Form1.h"

#include "store/RecordCursor.h"
#include "window/HiddenTextField.h"
#include "window/ListEvents.h"
#include "window/WindowServices.h"

#include <QListWidget>
#include <QSignalBlocker>

using namespace Qt::StringLiterals;

namespace Larkspan {

void Form1::mnuedit_Click(int index)
{
    switch (index) {
    case 1: {
        // Delete: the first entry with the selected address under the
        // category in Text1, without a question.
        const QString address = ListEvents::selectedText(lstAddress);
        if (address.isEmpty())
            return;
        Data1->deleteFirst(address, Text1->text());
        {
            const QSignalBlocker blocker(lstAddress);
            lstAddress->clear();
        }
        init();
        WindowServices::instance().giveFocus(lstType);
        return;
    }
    case 4:
        WindowServices::instance().endProgram(0);
        return;
    default:
        return;
    }
}

} // namespace Larkspan
