#pragma once

#include "window/ActivationHandler.h"

#include <QHash>
#include <QString>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace Larkspan {

class Form1;
class InformationEdit;

// The entry editor: the small window in which a new entry is typed or the
// entry under the main window's cursor is changed. It keeps no mode and no
// record of its own: the mode word lives in the main window's Text1, and the
// entry is read and written through the main window's bound fields and its
// cursor. The main window's Edit menu shows it; OK hides it; the window's
// close button destroys it without storing anything.
class Form2 : public QWidget, public ActivationHandler
{
    Q_OBJECT

public:
    // What a user may type into an empty address field.
    static constexpr int addressTypingLimit = 120;

    Form2();
    ~Form2() override;

    // Refills the category choices and loads the fields for the mode the
    // main window holds now.
    void Form_Activate() override;

    // OK: store the entry, refresh the main window, hide.
    void Command1_Click();
    // Add New: store a new entry and start the next one.
    void Command2_Click();

    QLabel *Label1 = nullptr;
    QComboBox *Combo1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *Text1 = nullptr;
    QLabel *Label3 = nullptr;
    InformationEdit *Text2 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command1 = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    QLabel *caption(const QString &name, const QString &text, const QRect &design);

    // The fields as the handlers set them.
    void setCategory(const QString &category);
    void setAddress(const QString &address);
    void setInformation(const QString &information);
    void clearForNextEntry();
    // What the fields hold, as it goes into the entry.
    QString category() const;
    QString address() const;
    QString information() const;

    // A category or address too long for a one-line field (LongText) is
    // shown shortened, and the field takes no typing while it shows it: what
    // goes back into the entry is the whole text.
    QString shownInField(const QString &text);
    QString whole(const QString &shown) const;
    void connectShortenedFields();

    // False (after telling the user with `refusal`) when the address is
    // still the bare "www." or no category is given.
    bool inputAccepted(const QString &refusal) const;
    void assignEntry(Form1 *main) const;
    void storeNewEntry(Form1 *main) const;

    QHash<QString, QString> m_wholeTexts; // by the shortened text shown
    bool m_placed = false;
};

} // namespace Larkspan
