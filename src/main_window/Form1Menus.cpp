// The main window's Edit menu: Add, Delete, Modify and Exit.
#include "main_window/Form1.h"

#include "editor/Form2.h"
#include "platform/Platform.h"
#include "store/RecordCursor.h"
#include "window/FormInstance.h"
#include "window/HiddenTextField.h"
#include "window/ListEvents.h"
#include "window/WindowServices.h"

#include <QListWidget>

using namespace Qt::StringLiterals;

namespace Larkspan {

void Form1::mnuedit_Click(int index)
{
    switch (static_cast<EditItem>(index)) {
    case EditItem::Add:
        // Add: the editor reads the mode word when it activates.
        Text1->setText(u"add"_s);
        WindowServices::instance().showWindow(FormInstance<Form2>::get());
        return;
    case EditItem::Delete: {
        // Delete: the first entry with the selected address under the
        // category in Text1, without a question.
        const QString address = ListEvents::selectedText(lstAddress);
        if (address.isEmpty())
            return;
        orRaiseUnhandled(Data1->deleteFirst(address, Text1->text()));
        ListEvents::refill(lstAddress, {});
        init();
        WindowServices::instance().giveFocus(lstType);
        return;
    }
    case EditItem::Modify: {
        // Modify: the mode word goes in first, even when no address is
        // selected and the command stops right there.
        Text1->setText(u"mod"_s);
        const QString address = ListEvents::selectedText(lstAddress);
        if (address.isEmpty())
            return;
        // The first entry with this address, whatever its category; when
        // none has it the cursor stands at end-of-file and the editor opens
        // all the same.
        orRaiseUnhandled(Data1->seekAddress(address));
        WindowServices::instance().showWindow(FormInstance<Form2>::get());
        return;
    }
    case EditItem::Exit:
        WindowServices::instance().endProgram(0);
        return;
    case EditItem::Separator:
        return;
    }
}

void Form1::Undo_Press(bool redo)
{
    const UndoHistory::Result result
        = orRaiseUnhandled(redo ? Data1->table().redo() : Data1->table().undo());
    if (result == UndoHistory::Result::Nothing)
        return;
    if (result == UndoHistory::Result::ChangedElsewhere) {
        platform().messageBox(u"Another program changed this entry since, so it was left as it"
                              u" is."_s);
        return;
    }
    // The lists come back as after the editor's OK.
    ListEvents::refill(lstAddress, {});
    init();
    WindowServices::instance().giveFocus(lstType);
}

} // namespace Larkspan
