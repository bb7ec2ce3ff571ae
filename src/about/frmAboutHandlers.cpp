// The About box's event handlers and its public methods.
#include "about/frmAbout.h"

#include "launcher/SystemInfo.h"
#include "launcher/Module1.h"
#include "window/WindowServices.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace Larkspan {

void frmAbout::connectHandlers()
{
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    Label2->installEventFilter(this);
}

void frmAbout::StartSysInfo()
{
    SystemInfo::StartSysInfo();
}

Outcome<bool> frmAbout::GetKeyValue(quint32 KeyRoot, const QString &KeyName,
                                    const QString &SubKeyRef, QString &KeyVal)
{
    return SystemInfo::GetKeyValue(KeyRoot, KeyName, SubKeyRef, KeyVal);
}

void frmAbout::cmdOK_Click()
{
    WindowServices::instance().unloadWindow(this);
}

void frmAbout::reject()
{
    cmdOK_Click();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

void frmAbout::Label2_Click()
{
    Module1::TargetAddress = Label2->text();
    Module1::OpenAddress();
}

bool frmAbout::eventFilter(QObject *watched, QEvent *event)
{
    // A click on the contact address: the left button pressed on it and
    // released on it again.
    if (watched == Label2) {
        if (event->type() == QEvent::MouseButtonPress) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            m_label2Pressed = mouse->button() == Qt::LeftButton;
        } else if (event->type() == QEvent::MouseButtonRelease) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            const bool click = m_label2Pressed && mouse->button() == Qt::LeftButton
                && Label2->rect().contains(mouse->position().toPoint());
            m_label2Pressed = false;
            if (click)
                Label2_Click();
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace Larkspan
