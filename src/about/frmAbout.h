#pragma once

#include "platform/Outcome.h"

#include <QDialog>
#include <QList>
#include <QtGlobal>

class QFrame;
class QLabel;
class QPushButton;

namespace Larkspan {

// The About box: title, version, description, the author's particulars, a
// contact address that starts a new message when clicked, and a button that
// starts the system information tool. A fixed dialog without a taskbar entry
// that stays beside the main window without blocking it. OK, Enter (unless
// the System Info button has the focus), Esc and the close command unload
// it; the next About command creates it afresh. Everything it shows is fixed
// when it is built: it has no activation handler.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    frmAbout();
    ~frmAbout() override;

    // Starts the system information tool, or says that it is unavailable.
    void StartSysInfo();
    // Reads one registry value below `KeyRoot` as text into `KeyVal`.
    Outcome<bool> GetKeyValue(quint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                              QString &KeyVal);

    // Control event handlers.
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void Label2_Click();

    // The controls, from the top of the drawing order to the bottom.
    QLabel *picIcon = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdSysInfo = nullptr;
    QLabel *Label8 = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label2 = nullptr;
    QList<QFrame *> Line1; // item 0: the white line; item 1: the grey one drawn over it
    QLabel *lblDescription = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblDisclaimer = nullptr;
    QLabel *Label1 = nullptr;

public Q_SLOTS:
    // Esc and the close command act as the OK button.
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void buildCaptions();
    void buildCommands();
    void connectHandlers();

    bool m_label2Pressed = false;
};

} // namespace Larkspan
