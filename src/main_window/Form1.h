#pragma once

#include "window/ActivationHandler.h"

#include <QList>
#include <QMainWindow>

class QAction;
class QLabel;
class QListWidget;
class QMenu;

namespace Larkspan {

class HiddenTextField;
class RecordCursor;

// The main window: categories on the left, the addresses of the selected
// category and the information of the selected address on the right. It owns
// the record cursor and the hidden fields through which the entry editor
// reaches the current entry; other windows use its controls by name.
class Form1 : public QMainWindow, public ActivationHandler
{
    Q_OBJECT

public:
    // The items of the Edit menu's item array `mnuedit`, by index.
    enum class EditItem { Add = 0, Delete = 1, Modify = 2, Separator = 3, Exit = 4 };

    Form1();
    ~Form1() override;

    // Rebuilds the category list from the table.
    void init();

    // Activation: the category list is rebuilt on every return to the window.
    void Form_Activate() override;

    // Control event handlers.
    void lstType_Click();
    void lstAddress_Click();
    void lstAddress_DblClick();
    // The handler of the whole item array: `index` is an EditItem.
    void mnuedit_Click(int index);
    void mnuAbout_Click();
    // Ctrl+Z takes the last change of this run back; Ctrl+Shift+Z and
    // Ctrl+Y make it again.
    void Undo_Press(bool redo);

    QLabel *Label1 = nullptr;
    QListWidget *lstType = nullptr;
    QLabel *Label2 = nullptr;
    QListWidget *lstAddress = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *About = nullptr;

    RecordCursor *Data1 = nullptr;
    HiddenTextField *Text1 = nullptr;
    HiddenTextField *Text2 = nullptr;
    HiddenTextField *Text3 = nullptr;
    HiddenTextField *Text4 = nullptr;

    QMenu *ed = nullptr;
    QList<QAction *> mnuedit;
    QAction *mnuAbout = nullptr;
    // The keys beside the menus.
    QAction *undoKey = nullptr;
    QAction *redoKey = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void buildUndoKeys();
    void connectHandlers();
    void showBoundAbout();

    bool m_placed = false;
};

} // namespace Larkspan
