// The entry editor's window and controls.
#include "editor/Form2.h"

#include "editor/InformationEdit.h"
#include "window/Accessibility.h"
#include "window/FormInstance.h"
#include "window/Look.h"
#include "window/Twips.h"
#include "window/WindowServices.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

void paintField(QWidget *field)
{
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, Look::peach);
    field->setPalette(palette);
}

QPushButton *button(const QString &name, const QString &text, const QRect &geometry,
                    QWidget *parent)
{
    auto *pushButton = new QPushButton(text, parent);
    pushButton->setObjectName(name);
    pushButton->setGeometry(geometry);
    // Neither button answers Enter or Escape: only a click or its access key.
    pushButton->setAutoDefault(false);
    pushButton->setDefault(false);
    return pushButton;
}

} // namespace

Form2::Form2()
{
    setObjectName(u"Form2"_s);
    // A dialog to assistive technology, although it stays a plain window:
    // as a QDialog, Escape would close it, and it has no cancel key.
    Accessibility::presentWindow(this, QAccessible::Dialog);
    setWindowTitle(QString());
    setWindowIcon(QIcon(u":/larkspan.png"_s));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);

    buildControls();
    resize(Twips::size(5550, 3795, this));
}

Form2::~Form2() = default;

QLabel *Form2::caption(const QString &name, const QString &text, const QRect &design)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, Look::activeBorder);
    palette.setColor(QPalette::WindowText, Look::darkGrey);
    label->setPalette(palette);
    // The captions were drawn for a smaller dialog font than most desktops
    // use: a caption keeps its place and grows just enough to be read whole.
    label->setGeometry(QRect(design.topLeft(), design.size().expandedTo(label->sizeHint())));
    return label;
}

void Form2::buildControls()
{
    Label1
        = caption(u"Label1"_s, u"Catagory of website:"_s, Twips::rect(120, 120, 1455, 180, this));

    Combo1 = new QComboBox(this);
    Combo1->setObjectName(u"Combo1"_s);
    Combo1->setEditable(true);
    // Any text may be typed as it stands: nothing completes it from the
    // list, and Enter does not add it to the list.
    Combo1->setCompleter(nullptr);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setGeometry(Twips::rect(120, 360, 5295, 315, this));
    paintField(Combo1);

    Label2 = caption(u"Label2"_s, u"Full address of the web site"_s,
                     Twips::rect(120, 840, 1935, 180, this));

    Text1 = new QLineEdit(this);
    Text1->setObjectName(u"Text1"_s);
    Text1->setMaxLength(addressTypingLimit);
    Text1->setGeometry(Twips::rect(120, 1080, 5295, 300, this));
    paintField(Text1);

    Label3 = caption(u"Label3"_s, u"Information about the web site"_s,
                     Twips::rect(120, 1560, 2175, 180, this));

    Text2 = new InformationEdit(this);
    Text2->setObjectName(u"Text2"_s);
    Text2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Enter starts a new line; Tab moves on to the next control.
    Text2->setTabChangesFocus(true);
    Text2->setGeometry(Twips::rect(120, 1800, 5295, 1455, this));
    paintField(Text2);

    Command2 = button(u"Command2"_s, u"&Add New"_s, Twips::rect(3120, 3360, 1095, 375, this), this);
    Command1 = button(u"Command1"_s, u"&Ok"_s, Twips::rect(4320, 3360, 1095, 375, this), this);

    for (QLabel *label : {Label1, Label2, Label3})
        label->setFocusPolicy(Qt::NoFocus);
    Accessibility::nameAfter(Combo1, Label1);
    Accessibility::nameAfter(Text1, Label2);
    Accessibility::nameAfter(Text2, Label3);
    setTabOrder(Combo1, Text1);
    setTabOrder(Text1, Text2);
    setTabOrder(Text2, Command1);
    setTabOrder(Command1, Command2);
    Combo1->setFocus(Qt::OtherFocusReason);

    connectShortenedFields();
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form2::Command2_Click);
}

void Form2::closeEvent(QCloseEvent *event)
{
    // The close button throws away whatever the editor holds; the next Add
    // or Modify builds the window afresh.
    event->accept();
    FormInstance<Form2>::unload();
}

void Form2::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Centred once, when the window is new; afterwards it stays where the
    // user left it.
    if (m_placed)
        return;
    m_placed = true;
    WindowServices::centreOnScreen(this);
}

} // namespace Larkspan
