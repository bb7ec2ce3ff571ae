// The main window's browsing handlers: a category click lists its addresses,
// an address click shows its information, a double click opens the address.
#include "main_window/Form1.h"

#include "launcher/Module1.h"
#include "platform/Platform.h"
#include "store/RecordCursor.h"
#include "window/HiddenTextField.h"
#include "window/ListEvents.h"
#include "store/LongText.h"

#include <QLabel>
#include <QListWidget>

namespace Larkspan {

void Form1::lstType_Click()
{
    // From here on Text1 holds the selected category, which Delete matches.
    Text1->setText(ListEvents::selectedText(lstType));
    ListEvents::refill(lstAddress, orRaiseUnhandled(Data1->walkAddressesOf(Text1->text())));
}

void Form1::lstAddress_Click()
{
    // The first record with this address wins, whatever its category; the
    // cursor stays on it.
    if (orRaiseUnhandled(Data1->seekAddress(ListEvents::selectedText(lstAddress))))
        About->setText(LongText::shortened(Text4->text()));
}

void Form1::lstAddress_DblClick()
{
    Module1::TargetAddress = ListEvents::selectedText(lstAddress);
    Module1::OpenAddress();
}

} // namespace Larkspan
