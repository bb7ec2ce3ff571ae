#pragma once

// What the entry editor's tests share: the main window shown on a fresh
// address book, clicks into its lists, its Edit menu's shortcuts, and the
// editor they bring up.
#include "editor/Form2.h"
#include "main_window/Form1.h"
#include "store/Record.h"
#include "window/FormInstance.h"
#include "window/WindowServices.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace EditorFixture {

inline QStringList items(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

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

// The main window, shown and active, on the address book in the current
// directory; nullptr when it never became active.
inline Larkspan::Form1 *showMainWindow()
{
    Larkspan::Form1 *form = Larkspan::FormInstance<Larkspan::Form1>::get();
    Larkspan::WindowServices::instance().showWindow(form);
    return becameActive(form) ? form : nullptr;
}

// A mouse click on the first item with this text, as a user selects it.
inline bool clickItem(QListWidget *list, const QString &text)
{
    const QList<QListWidgetItem *> found = list->findItems(text, Qt::MatchExactly);
    if (found.isEmpty())
        return false;
    // Near the item's left end: a long item reaches far beyond the view.
    const QRect rect = list->visualItemRect(found.first());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      QPoint(rect.left() + 4, rect.center().y()));
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
    const bool came = QTest::qWaitFor(
        [] {
            auto *editor = Larkspan::FormInstance<Larkspan::Form2>::existing();
            return editor && editor->isVisible() && QApplication::activeWindow() == editor
                && Larkspan::WindowServices::instance().lastActiveForm() == editor;
        },
        3000);
    return came ? Larkspan::FormInstance<Larkspan::Form2>::existing() : nullptr;
}

// Replaces a field's text the way a user does: select all, then type.
inline void retype(QWidget *field, const QString &text)
{
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

// Types lines into the information field, Enter between them.
inline void typeLines(QPlainTextEdit *field, const QStringList &lines)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(field, Qt::Key_Return);
        QTest::keyClicks(field, lines[i]);
    }
}

struct Shown
{
    QString category;
    QString address;
    QString information;
    bool addNewOffered = false;

    friend bool operator==(const Shown &, const Shown &) = default;
};

inline Shown shown(const Larkspan::Form2 *editor)
{
    return {editor->Combo1->currentText(), editor->Text1->text(), editor->Text2->toPlainText(),
            !editor->Command2->isHidden()};
}

// How QCOMPARE prints what the editor shows.
inline char *toString(const Shown &shown)
{
    const QString text = QStringLiteral("{category \"%1\", address \"%2\", information \"%3\", %4}")
                             .arg(shown.category, shown.address, shown.information,
                                  shown.addNewOffered ? QStringLiteral("Add New offered")
                                                      : QStringLiteral("Add New hidden"));
    return qstrdup(text.toUtf8().constData());
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

Q_DECLARE_METATYPE(EditorFixture::Shown)
Q_DECLARE_METATYPE(Larkspan::Record)
