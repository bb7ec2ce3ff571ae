#include "about/frmAbout.h"

#include "window/Accessibility.h"
#include "window/Look.h"
#include "window/Twips.h"
#include "window/WindowServices.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

const QColor darkOrange(192, 64, 0);
const QColor titlePink(255, 128, 128);
const QColor blue(0, 0, 255);
const QColor darkRed(192, 0, 0);
const QColor ruleGrey(128, 128, 128);

// The colour the desktop gives the text of menus.
QColor menuText()
{
    return QApplication::palette("QMenu").color(QPalette::Active, QPalette::WindowText);
}

// Each control is created over the ones before it, so the drawing order
// is built from the bottom up. Labels are opaque, as the box's own labels
// have always been: a label higher up hides whatever it overlaps.
QLabel *makeLabel(QWidget *box, const QString &name, const QString &caption, QRect twips)
{
    auto *created = new QLabel(caption, box);
    created->setObjectName(name);
    created->setTextFormat(Qt::PlainText);
    created->setWordWrap(true);
    created->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    created->setAutoFillBackground(true);
    created->setFocusPolicy(Qt::NoFocus);
    created->setGeometry(Twips::rect(twips.x(), twips.y(), twips.width(), twips.height(), box));
    return created;
}

// A horizontal line from (left, y) to (right, y), `pixels` thick, growing
// downwards from y.
QFrame *makeLine(QWidget *box, int index, int left, int right, int y, int pixels,
                 const QColor &colour)
{
    auto *created = new QFrame(box);
    created->setObjectName(u"Line1"_s);
    created->setProperty("index", index);
    created->setFrameShape(QFrame::NoFrame);
    Look::setColour(created, QPalette::Window, colour);
    created->setAutoFillBackground(true);
    const QPoint from = Twips::point(left, y, box);
    const QPoint to = Twips::point(right, y, box);
    created->setGeometry(from.x(), from.y(), to.x() - from.x(), pixels);
    return created;
}

} // namespace

frmAbout::frmAbout()
{
    setObjectName(u"frmAbout"_s);
    // Heard as "About Larkspan", without the title's leading space.
    Accessibility::presentWindow(this, QAccessible::Dialog);
    setWindowTitle(u" About Larkspan"_s);
    setWindowIcon(QIcon(u":/larkspan.png"_s));
    // A fixed dialog frame with the close command only; as a tool window it
    // gets no taskbar entry, and with no owner it never blocks the main
    // window.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(false);
    setSizeGripEnabled(false);
    setFixedSize(Twips::size(5730, 4350, this));

    Look::setColour(this, QPalette::Window, Look::activeBorder);
    setAutoFillBackground(true);
    // The window's own font, used by every label without one of its own.
    setFont(Look::msSansSerif(8.25));

    buildControls();
    connectHandlers();
}

frmAbout::~frmAbout() = default;

void frmAbout::buildControls()
{
    buildCaptions();
    buildCommands();
}

// The captions and the rule, from the bottom up.
void frmAbout::buildCaptions()
{
    auto label = [this](const QString &name, const QString &caption, QRect twips) {
        return makeLabel(this, name, caption, twips);
    };
    Label1 = label(u"Label1"_s, u"Label1"_s, {210, 150, 2085, 495});
    Look::setColour(Label1, QPalette::Window, menuText());
    // A drop shadow, whose caption never shows.
    Accessibility::hide(Label1);

    lblDisclaimer = label(u"lblDisclaimer"_s,
                          u"Warning: copying or passing on this program without the author's "
                          "permission is against the law and may be prosecuted."_s,
                          {120, 3465, 3870, 825});
    Look::setColour(lblDisclaimer, QPalette::WindowText, darkRed);

    lblVersion = label(u"lblVersion"_s, u"Version 0.1"_s, {2400, 360, 1245, 225});
    Look::setColour(lblVersion, QPalette::WindowText, blue);
    lblVersion->setFont(Look::msSansSerif(9.75));

    QFrame *whiteLine = makeLine(this, 0, 105, 5654, 3300, 2, Qt::white);

    lblDescription = label(
        u"lblDescription"_s,
        u"This Larkspan is capable of storing your necessary web addresses and email addresses. "
        "By double clicking on the name of the address you can directly access to the web or "
        "send a mial to the account. If you find any bug, please send me an email. Check my "
        "website for more free software:"_s,
        {120, 720, 3885, 1170});
    Look::setColour(lblDescription, QPalette::WindowText, Qt::black);
    // DejaVu Sans, which stands in for MS Sans Serif, runs wider: at the
    // window's 8.25 points the last line of the paragraph would be cut off.
    lblDescription->setFont(Look::msSansSerif(7.5));

    QFrame *greyLine = makeLine(this, 1, 90, 5654, 3300, 1, ruleGrey);
    Line1 = {whiteLine, greyLine};

    Label2 = label(u"Label2"_s, u"merrin@example.org"_s, {1560, 3000, 2415, 255});
    Look::setColour(Label2, QPalette::WindowText, blue);
    Label2->setFont(Look::msSansSerif(9.75, false, true));

    Label3 = label(u"Label3"_s, u"Mail me here:"_s, {120, 3000, 1455, 255});
    // 9 points rather than 9.75: the wider stand-in font would wrap "here:"
    // out of sight below the label's single line.
    Label3->setFont(Look::msSansSerif(9, true));

    Label4 = label(u"Label4"_s, u"--- Merrin Oakhollow"_s, {3360, 2040, 2295, 255});
    Label5 = label(u"Label5"_s, u"Computer Science and Engineering"_s, {2160, 2280, 3495, 255});
    Label6 = label(u"Label6"_s, u"Tessmoor Institute of Technology"_s, {2520, 2520, 3135, 255});
    Label7 = label(u"Label7"_s, u"12 Heron Lane, Tessmoor"_s, {3120, 2760, 2535, 255});
    for (QLabel *particulars : {Label4, Label5, Label6, Label7})
        Look::setColour(particulars, QPalette::WindowText, Look::darkBlue);

    lblTitle = label(u"lblTitle"_s, u"Larkspan"_s, {120, 120, 2115, 465});
    Look::setColour(lblTitle, QPalette::Window, titlePink);
    Look::setColour(lblTitle, QPalette::WindowText, Look::darkGrey);
    lblTitle->setFont(Look::font(u"Times New Roman"_s, 20.25));

    Label8 = label(u"Label8"_s, u"www.example.org"_s, {120, 1920, 2295, 255});
    Look::setColour(Label8, QPalette::WindowText, darkOrange);
    Label8->setFont(Look::msSansSerif(9.75, true));
}

// The two buttons and the picture, over the captions, and their tab order.
void frmAbout::buildCommands()
{
    cmdSysInfo = new QPushButton(u"&System Info..."_s, this);
    cmdSysInfo->setObjectName(u"cmdSysInfo"_s);
    cmdSysInfo->setGeometry(Twips::rect(4260, 3915, 1245, 345, this));

    cmdOK = new QPushButton(u"OK"_s, this);
    cmdOK->setObjectName(u"cmdOK"_s);
    cmdOK->setGeometry(Twips::rect(4245, 3465, 1260, 345, this));

    // The picture box fits itself to the picture inside its sunken border.
    picIcon = new QLabel(this);
    picIcon->setObjectName(u"picIcon"_s);
    picIcon->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    picIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picIcon->setPixmap(QPixmap(u":/about.gif"_s));
    picIcon->setFocusPolicy(Qt::StrongFocus);
    picIcon->setAccessibleName(u"Larkspan emblem"_s);
    picIcon->setAccessibleDescription(
        u"Pale larkspur flowers on a violet globe above the name Larkspan, on a lilac card"_s);
    picIcon->setGeometry(Twips::rect(4200, 240, 1410, 1635, this));

    for (QPushButton *button : {cmdOK, cmdSysInfo})
        button->setFocusPolicy(Qt::StrongFocus);
    // OK takes Enter and Esc; a button that has the focus takes Enter itself.
    cmdOK->setDefault(true);
    setTabOrder(cmdOK, picIcon);
    setTabOrder(picIcon, cmdSysInfo);
    cmdOK->setFocus(Qt::OtherFocusReason);
}

void frmAbout::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    WindowServices::centreOnScreen(this);
}

} // namespace Larkspan
