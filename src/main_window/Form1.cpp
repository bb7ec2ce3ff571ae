#include "main_window/Form1.h"

#include "platform/Platform.h"
#include "store/BookFiles.h"
#include "store/RecordCursor.h"
#include "window/Accessibility.h"
#include "window/HiddenTextField.h"
#include "window/ListEvents.h"
#include "store/LongText.h"
#include "window/Look.h"
#include "window/OneLineDelegate.h"
#include "window/Twips.h"
#include "window/WindowServices.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>

#include <iterator>
#include <tuple>

using namespace Qt::StringLiterals;

namespace Larkspan {

Form1::Form1()
{
    setObjectName(u"Form1"_s);
    setWindowTitle(u"Larkspan"_s);
    setWindowIcon(QIcon(u":/larkspan.png"_s));
    // Resizable, but without a maximize button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);

    buildControls();
    buildMenus();
    buildUndoKeys();
    connectHandlers();

    resize(Twips::toPixels(8100, this),
           Twips::toPixels(4425, this) + menuBar()->sizeHint().height());

    // Loading the window opens the cursor on the address book in the
    // current directory. When that fails the window still comes up; the
    // cursor keeps the failure, and its first use raises it.
    // What the store finds to tell (a conflict copy that is no address book)
    // comes from its own thread, and is told here when the window is free.
    Data1->table().setNotice([this](const QString &text) {
        QMetaObject::invokeMethod(
            this, [text] { platform().messageBox(text); }, Qt::QueuedConnection);
    });
    std::ignore = Data1->open(BookFiles::inCurrentDirectory());
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(u"client"_s);
    setCentralWidget(client);

    auto heading = [&](const QString &name, const QString &caption, QRect geometry) {
        auto *label = new QLabel(caption, client);
        label->setObjectName(name);
        label->setTextFormat(Qt::PlainText);
        label->setGeometry(geometry);
        label->setFont(Look::msSansSerif(9.75, true));
        Look::fillBackground(label, Look::peach);
        Look::setColour(label, QPalette::WindowText, Look::darkBlue);
        return label;
    };
    auto list = [&](const QString &name, QRect geometry) {
        auto *box = new QListWidget(client);
        box->setObjectName(name);
        box->setGeometry(geometry);
        box->setFont(Look::msSansSerif(8.25, true));
        box->setSelectionMode(QAbstractItemView::SingleSelection);
        box->setSortingEnabled(false);
        box->setUniformItemSizes(true);
        box->setItemDelegate(new OneLineDelegate(box));
        Look::fillBackground(box, Look::peach);
        Look::fillBackground(box->viewport(), Look::peach);
        return box;
    };

    Label1
        = heading(u"Label1"_s, u"          Site Catagory:"_s, Twips::rect(30, 30, 2655, 300, this));
    lstType = list(u"lstType"_s, Twips::rect(30, 400, 2655, 3960, this));
    Label2 = heading(u"Label2"_s, u"               The complete web/email address:"_s,
                     Twips::rect(2760, 30, 5295, 300, this));
    lstAddress = list(u"lstAddress"_s, Twips::rect(2760, 400, 5295, 1815, this));
    lstAddress->setToolTip(u"Double Click to Visit"_s);
    Label3 = heading(u"Label3"_s, u"         Information about the web/email address:"_s,
                     Twips::rect(2760, 2280, 5295, 300, this));

    About = new QLabel(u"About"_s, client);
    About->setObjectName(u"About"_s);
    About->setTextFormat(Qt::PlainText);
    About->setWordWrap(true);
    About->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    About->setGeometry(Twips::rect(2760, 2640, 5295, 1720, this));
    About->setFont(Look::msSansSerif(8.25, true));
    Look::fillBackground(About, Look::peach);

    setTabOrder(lstType, lstAddress);
    // A screen reader hears each list by its caption, and the information
    // by its text, with the caption above it as its description.
    Accessibility::nameAfter(lstType, Label1);
    Accessibility::nameAfter(lstAddress, Label2);
    Accessibility::describeAfter(About, Label3);

    Data1 = new RecordCursor(this);
    Text1 = new HiddenTextField(u"Text1"_s, u"Text1"_s, client);
    Text2 = new HiddenTextField(u"Text2"_s, Data1, Field::Type, client);
    Text3 = new HiddenTextField(u"Text3"_s, Data1, Field::Address, client);
    Text4 = new HiddenTextField(u"Text4"_s, Data1, Field::About, client);
}

void Form1::buildMenus()
{
    ed = menuBar()->addMenu(u"&Edit"_s);
    ed->setObjectName(u"ed"_s);
    const struct
    {
        EditItem index;
        const char16_t *caption;
        QKeySequence shortcut;
    } items[] = {
        {EditItem::Add, u"Add", QKeySequence(Qt::CTRL | Qt::Key_A)},
        {EditItem::Delete, u"Delete", QKeySequence(Qt::CTRL | Qt::Key_D)},
        {EditItem::Modify, u"Modify", QKeySequence(Qt::CTRL | Qt::Key_M)},
        {EditItem::Separator, u"-", QKeySequence()},
        {EditItem::Exit, u"Exit", QKeySequence(Qt::CTRL | Qt::Key_E)},
    };
    for (int index = 0; index < int(std::size(items)); ++index) {
        Q_ASSERT(int(items[index].index) == index);
        QAction *item = nullptr;
        if (items[index].index == EditItem::Separator) {
            item = ed->addSeparator();
        } else {
            item = ed->addAction(QString::fromUtf16(items[index].caption));
            item->setShortcut(items[index].shortcut);
            connect(item, &QAction::triggered, this, [this, index] { mnuedit_Click(index); });
        }
        item->setObjectName(u"mnuedit"_s);
        item->setProperty("index", index);
        mnuedit << item;
    }

    mnuAbout = menuBar()->addAction(u"&About"_s);
    mnuAbout->setObjectName(u"mnuAbout"_s);
    connect(mnuAbout, &QAction::triggered, this, &Form1::mnuAbout_Click);
}

void Form1::buildUndoKeys()
{
    undoKey = new QAction(u"Undo"_s, this);
    undoKey->setObjectName(u"undoKey"_s);
    undoKey->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redoKey = new QAction(u"Redo"_s, this);
    redoKey->setObjectName(u"redoKey"_s);
    redoKey->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    addActions({undoKey, redoKey});
    connect(undoKey, &QAction::triggered, this, [this] { Undo_Press(false); });
    connect(redoKey, &QAction::triggered, this, [this] { Undo_Press(true); });
    // They are in no menu: a screen reader hears of them with the window,
    // the keys named as Qt names a menu item's shortcut.
    auto keys = [](const QAction *action) {
        QStringList names;
        for (const QKeySequence &key : action->shortcuts())
            names << key.toString(QKeySequence::NativeText);
        return names.join(u" or "_s);
    };
    setAccessibleDescription(
        u"%1 undoes the last change, %2 makes it again"_s.arg(keys(undoKey), keys(redoKey)));
}

void Form1::connectHandlers()
{
    connect(Data1, &RecordCursor::recordLoaded, this, &Form1::showBoundAbout);
    ListEvents::onSelectionChange(lstType, this, &Form1::lstType_Click);
    ListEvents::onSelectionChange(lstAddress, this, &Form1::lstAddress_Click);
    ListEvents::onDoubleClick(lstAddress, this, &Form1::lstAddress_DblClick);
    ListEvents::onEnter(lstAddress, this, &Form1::lstAddress_DblClick);
}

void Form1::showBoundAbout()
{
    // The label is bound to the information field of the current record.
    About->setText(LongText::shortened(Data1->field(Field::About)));
}

void Form1::Form_Activate()
{
    init();
}

void Form1::init()
{
    ListEvents::refill(lstType, orRaiseUnhandled(Data1->walkCategories()));
}

void Form1::closeEvent(QCloseEvent *event)
{
    // Closing the main window ends the program at once.
    event->accept();
    WindowServices::instance().endProgram(0);
}

void Form1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_placed)
        return;
    m_placed = true;
    WindowServices::centreOnScreen(this);
}

} // namespace Larkspan
