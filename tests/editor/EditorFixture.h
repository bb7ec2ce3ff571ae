#pragma once

// What the entry editor's tests share: the main window shown on a fresh
// address book, clicks into its lists, its Edit menu's shortcuts, and the
// editor they bring up.
#include "AddressBookFile.h"
#include "ListProbe.h"
#include "RecordingPlatform.h"

#include "editor/Form2.h"
#include "editor/InformationEdit.h"
#include "main_window/Form1.h"
#include "store/Record.h"
#include "window/FormInstance.h"
#include "window/WindowServices.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace EditorFixture {

using Larkspan::Testing::items;

inline QStringList items(const QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

inline bool becameActive(const QWidget *window)
{
    return QTest::qWaitFor(
        [window] {
            return QApplication::activeWindow() == window
                && Larkspan::WindowServices::instance().lastActiveForm() == window;
        },
        3000);
}

// A mouse click on the first item with this text, as a user selects it.
inline bool clickItem(QListWidget *list, const QString &text)
{
    const QList<QListWidgetItem *> found = list->findItems(text, Qt::MatchExactly);
    if (found.isEmpty())
        return false;
    Larkspan::Testing::clickItem(list, list->row(found.first()));
    return list->currentItem() == found.first() && found.first()->isSelected();
}

inline bool selectEntry(Larkspan::Form1 *main, const QString &type, const QString &address)
{
    return clickItem(main->lstType, type) && clickItem(main->lstAddress, address);
}

// Ctrl+A, Ctrl+D or Ctrl+M on the main window, as the user presses it.
inline void press(Larkspan::Form1 *main, Qt::Key key)
{
    QTest::keyClick(main, key, Qt::ControlModifier);
}

// The editor, once it is shown and active; nullptr when it did not come.
inline Larkspan::Form2 *activeEditor()
{
    using Editor = Larkspan::FormInstance<Larkspan::Form2>;
    const bool came = QTest::qWaitFor([] { return Editor::exists(); }, 3000)
        && becameActive(Editor::existing());
    return came ? Editor::existing() : nullptr;
}

// One case's world: a recording platform, a fresh address book with these
// entries made the current directory, and the main window shown and active
// on it (main is nullptr when it never became active).
struct Book
{
    explicit Book(const QList<Larkspan::Record> &entries = {})
        : file(entries)
    {
        file.enter();
        main = Larkspan::FormInstance<Larkspan::Form1>::get();
        Larkspan::WindowServices::instance().showWindow(main);
        if (!becameActive(main))
            main = nullptr;
    }

    // Selects the entry, when one is named, presses Ctrl+key and gives the
    // editor that came; nullptr when any step failed.
    Larkspan::Form2 *open(Qt::Key key, const QString &type = {}, const QString &address = {})
    {
        if (!main || (!type.isEmpty() && !selectEntry(main, type, address)))
            return nullptr;
        press(main, key);
        return activeEditor();
    }

    Larkspan::Testing::RecordingPlatform platform;
    AddressBookFile file;
    Larkspan::Form1 *main = nullptr;
};

// Replaces a field's text the way a user does: select all, then type.
inline void retype(QWidget *field, const QString &text)
{
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

// What the editor shows: category, address, information, and whether Add
// New is offered.
inline QStringList shown(const Larkspan::Form2 *editor)
{
    return {editor->Combo1->currentText(), editor->Text1->text(), editor->Text2->toPlainText(),
            editor->Command2->isHidden() ? QStringLiteral("Add New hidden")
                                         : QStringLiteral("Add New offered")};
}

} // namespace EditorFixture

namespace Larkspan {

// How QCOMPARE prints an entry of the table.
inline char *toString(const Record &record)
{
    const QString text = QStringLiteral("{\"%1\", \"%2\", \"%3\"}")
                             .arg(record.type, record.address, record.about);
    return qstrdup(text.toUtf8().constData());
}

} // namespace Larkspan

Q_DECLARE_METATYPE(Larkspan::Record)
