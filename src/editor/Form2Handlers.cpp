// The entry editor's handlers: activation, OK, Add New and the input check.
#include "editor/Form2.h"

#include "editor/InformationEdit.h"
#include "main_window/Form1.h"
#include "platform/Platform.h"
#include "store/RecordCursor.h"
#include "window/FormInstance.h"
#include "window/HiddenTextField.h"
#include "window/ListEvents.h"
#include "store/LongText.h"
#include "window/WindowServices.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

// The editor adds when the main window holds exactly this word; anything
// else there ("mod", or a category the user clicked meanwhile) modifies.
bool addMode(const Form1 *main)
{
    return main->Text1->text() == u"add"_s;
}

} // namespace

void Form2::Form_Activate()
{
    Form1 *main = FormInstance<Form1>::get();

    Combo1->clear();
    m_wholeTexts.clear();
    for (int i = 0; i < main->lstType->count(); ++i)
        Combo1->addItem(shownInField(main->lstType->item(i)->text()));

    // The mode is read afresh on every activation, and the fields with it.
    if (addMode(main)) {
        Command2->setVisible(true);
        clearForNextEntry();
    } else {
        Command2->setVisible(false);
        setCategory(main->Text2->text());
        setAddress(main->Text3->text());
        setInformation(main->Text4->text());
    }
}

void Form2::Command1_Click()
{
    if (!inputAccepted(u"Enter proper data as requesterd !!!"_s))
        return;

    Form1 *main = FormInstance<Form1>::get();
    if (addMode(main)) {
        storeNewEntry(main);
    } else {
        // The record under the cursor takes the values at the cursor's next
        // move: the first step of init below.
        assignEntry(main);
    }

    main->init();
    if (main->Data1->changeRefused()) {
        // Another program changed or deleted the entry meanwhile. Nothing
        // was overwritten; what the user typed stays, ready to be added.
        main->Text1->setText(u"add"_s);
        Command2->setVisible(true);
        platform().messageBox(u"Another program changed or deleted this entry while you were"
                              u" editing it, so it was left as it is. What you typed is still"
                              u" here: OK adds it as a new entry."_s);
        return;
    }
    ListEvents::refill(main->lstAddress, {});
    WindowServices::instance().giveFocus(main->lstType);
    WindowServices::instance().hideWindow(this);
}

void Form2::Command2_Click()
{
    if (!inputAccepted(u"Enter proper data as requesterd"_s))
        return;

    // Add New always adds, whatever mode the main window holds.
    storeNewEntry(FormInstance<Form1>::get());
    clearForNextEntry();
}

bool Form2::inputAccepted(const QString &refusal) const
{
    if (address() == u"www."_s || category().isEmpty()) {
        platform().messageBox(refusal);
        return false;
    }
    return true;
}

void Form2::assignEntry(Form1 *main) const
{
    main->Text2->setText(category());
    main->Text3->setText(address());
    main->Text4->setText(information());
}

void Form2::storeNewEntry(Form1 *main) const
{
    orRaiseUnhandled(main->Data1->AddNew());
    assignEntry(main);
    orRaiseUnhandled(main->Data1->Update());
}

void Form2::clearForNextEntry()
{
    setCategory(QString());
    setAddress(u"www."_s);
    setInformation(QString());
}

void Form2::setCategory(const QString &category)
{
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(shownInField(category));
}

void Form2::setAddress(const QString &address)
{
    // The limit holds for typing only: a longer address from the store is
    // shown whole and may be edited, but not lengthened.
    const QString shown = shownInField(address);
    Text1->setMaxLength(qMax(addressTypingLimit, static_cast<int>(shown.size())));
    Text1->setText(shown);
}

QString Form2::category() const
{
    return whole(Combo1->currentText());
}

QString Form2::address() const
{
    return whole(Text1->text());
}

void Form2::setInformation(const QString &information)
{
    Text2->setText(information);
}

QString Form2::shownInField(const QString &text)
{
    const QString shown = LongText::shortened(text);
    if (shown.size() != text.size())
        m_wholeTexts.insert(shown, text);
    return shown;
}

QString Form2::whole(const QString &shown) const
{
    return m_wholeTexts.value(shown, shown);
}

void Form2::connectShortenedFields()
{
    for (QLineEdit *field : {Combo1->lineEdit(), Text1}) {
        connect(field, &QLineEdit::textChanged, this, [this, field](const QString &text) {
            field->setReadOnly(m_wholeTexts.contains(text));
        });
    }
}

QString Form2::information() const
{
    // Only what the user changed is changed: a character they did not touch
    // goes back as it was stored.
    return Text2->text();
}

} // namespace Larkspan
