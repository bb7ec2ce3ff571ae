// The activation rule, on Qt's offscreen platform: a form's handler runs when
// it first shows, when the user comes back to it from another form, and when
// another form's handler gives the focus to one of its controls; never when
// one of the program's own message boxes closes, nor when the user comes
// back from another program.
#include "ModalCloser.h"
#include "RecordingPlatform.h"

#include "platform/DesktopPlatform.h"
#include "window/ActivationHandler.h"
#include "window/FormInstance.h"
#include "window/WindowServices.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <functional>

using namespace Larkspan;
using namespace Qt::StringLiterals;

namespace {

class ProbeForm : public QWidget, public ActivationHandler
{
public:
    explicit ProbeForm(const QString &name)
    {
        setObjectName(name);
        setWindowTitle(name);
        resize(200, 100);
        edit = new QLineEdit(u"design"_s, this);
    }
    void Form_Activate() override
    {
        ++activations;
        if (onActivate)
            onActivate();
    }
    int activations = 0;
    QLineEdit *edit = nullptr;
    std::function<void()> onActivate;
};

class FormA : public ProbeForm
{
public:
    FormA() : ProbeForm(u"FormA"_s) {}
};

class FormB : public ProbeForm
{
public:
    FormB() : ProbeForm(u"FormB"_s) {}
};

WindowServices &services()
{
    return WindowServices::instance();
}

bool becameActive(QWidget *window)
{
    return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }, 2000);
}

// Shows each form in turn, as the program does, waiting until it is active.
bool showInTurn(std::initializer_list<QWidget *> forms)
{
    for (QWidget *form : forms) {
        services().showWindow(form);
        if (!becameActive(form))
            return false;
    }
    return true;
}

} // namespace

class ActivationTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        services().reset();
        QApplication::setActiveWindow(nullptr);
    }

    void firstShowRunsTheHandlerOnce()
    {
        FormA *a = FormInstance<FormA>::get();
        QCOMPARE(a->activations, 0);
        QVERIFY(showInTurn({a}));
        QTest::qWait(80);
        QCOMPARE(a->activations, 1);
    }

    void returningFromAnotherFormRunsIt()
    {
        FormA *a = FormInstance<FormA>::get();
        FormB *b = FormInstance<FormB>::get();
        QVERIFY(showInTurn({a, b}));
        QCOMPARE(b->activations, 1);
        QApplication::setActiveWindow(a);
        QVERIFY(becameActive(a));
        QCOMPARE(a->activations, 2);
        QCOMPARE(b->activations, 1);
    }

    void focusGivenByAnotherFormsHandlerRunsIt()
    {
        FormA *a = FormInstance<FormA>::get();
        FormB *b = FormInstance<FormB>::get();
        QVERIFY(showInTurn({a, b}));
        services().giveFocus(a->edit);
        QVERIFY(becameActive(a));
        QCOMPARE(a->activations, 2);
        QVERIFY(QTest::qWaitFor([a] { return a->edit->hasFocus(); }, 2000));
    }

    void closingAMessageBoxRunsNothing()
    {
        FormA *a = FormInstance<FormA>::get();
        QVERIFY(showInTurn({a}));
        QCOMPARE(a->activations, 1);

        ModalCloser closer;
        closer.arm();
        DesktopPlatform desktop;
        desktop.messageBox(u"Something to say"_s);
        QCOMPARE(closer.texts(), QStringList{u"Something to say"_s});
        QCOMPARE(closer.titles(), QStringList{u"Larkspan"_s});
        QVERIFY(closer.lastWasPlainOk());
        // The window is active again, as before the box, and ran nothing.
        QVERIFY(becameActive(a));
        QTest::qWait(80);
        QCOMPARE(a->activations, 1);
    }

    void comingBackFromAnotherProgramRunsNothing()
    {
        FormA *a = FormInstance<FormA>::get();
        QVERIFY(showInTurn({a}));
        QApplication::setActiveWindow(nullptr); // the user went to another program
        QCOMPARE(QApplication::activeWindow(), nullptr);
        QApplication::setActiveWindow(a);       // and came back
        QVERIFY(becameActive(a));
        QCOMPARE(a->activations, 1);
    }

    void hidingAndShowingAgainRunsItWhenAnotherFormWasActive()
    {
        FormA *a = FormInstance<FormA>::get();
        FormB *b = FormInstance<FormB>::get();
        QVERIFY(showInTurn({a, b}));
        services().hideWindow(b);
        services().showWindow(b);
        // Qt can lose the active window over a hide and show; the services
        // repair it, so the form is active (and its shortcuts work).
        QVERIFY(becameActive(b));
        QCOMPARE(b->activations, 1);
        QApplication::setActiveWindow(a);
        QVERIFY(becameActive(a));
        services().showWindow(b);
        QVERIFY(becameActive(b));
        QCOMPARE(b->activations, 2);
    }

    void unloadDestroysAndTheNextReferenceCreatesAfresh()
    {
        FormA *first = FormInstance<FormA>::get();
        QCOMPARE(FormInstance<FormA>::get(), first);
        first->edit->setText(u"typed"_s);
        services().showWindow(first);
        QVERIFY(becameActive(first));
        QPointer<FormA> old(first);
        FormInstance<FormA>::unload();
        QVERIFY(!FormInstance<FormA>::exists());
        QTRY_VERIFY(old.isNull());

        FormA *second = FormInstance<FormA>::get();
        QCOMPARE(second->edit->text(), u"design"_s);
        QCOMPARE(second->activations, 0);
        services().showWindow(second);
        QVERIFY(becameActive(second));
        QCOMPARE(second->activations, 1);
    }

private:
    // Offscreen, nothing stacks windows or hands the focus around.
    Testing::RecordingPlatform m_platform;
};

QTEST_MAIN(ActivationTest)
#include "tst_activation.moc"
