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

using namespace Larkspan;
using namespace Qt::StringLiterals;

namespace {

struct ProbeForm : QWidget, ActivationHandler
{
    void Form_Activate() override { ++activations; }
    int activations = 0;
    QLineEdit *edit = new QLineEdit(this);
};
struct FormA : ProbeForm {};
struct FormB : ProbeForm {};

} // namespace

class ActivationTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // One letter a step: A and B show that form; a activates A again, as
    // a click on it does; - goes to another program; f gives A's field the
    // focus; m shows a message box and closes it; h hides B and shows it.
    void handlerRuns_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QList<int>>("activations"); // of A and of B
        QTest::newRow("first show") << u"A"_s << QList<int>{1, 0};
        QTest::newRow("back from another form") << u"ABa"_s << QList<int>{2, 1};
        QTest::newRow("focus given from another form") << u"ABf"_s << QList<int>{2, 1};
        QTest::newRow("a message box closes") << u"Am"_s << QList<int>{1, 0};
        QTest::newRow("back from another program") << u"A-a"_s << QList<int>{1, 0};
        QTest::newRow("hidden and shown again") << u"ABh"_s << QList<int>{1, 1};
    }

    void handlerRuns()
    {
        QFETCH(QString, steps);
        QFETCH(QList<int>, activations);
        Testing::RecordingPlatform platform; // offscreen, nothing stacks windows
        WindowServices &services = WindowServices::instance();
        FormA &a = *FormInstance<FormA>::get();
        FormB &b = *FormInstance<FormB>::get();
        QWidget *expectedActive = nullptr;
        for (const QChar step : steps) {
            ModalCloser closer;
            switch (step.unicode()) {
            case u'A': services.showWindow(&a); expectedActive = &a; break;
            case u'B': services.showWindow(&b); expectedActive = &b; break;
            case u'a': QApplication::setActiveWindow(&a); expectedActive = &a; break;
            case u'-': QApplication::setActiveWindow(nullptr); break;
            case u'f': services.giveFocus(a.edit); expectedActive = &a; break;
            case u'm': closer.arm(); DesktopPlatform().messageBox(u"Something to say"_s); break;
            case u'h': services.hideWindow(&b); services.showWindow(&b); break;
            }
            // Qt can lose the active window over a hide and show; the
            // services repair it, so the form is active (and its shortcuts work).
            if (step != u'-')
                QTRY_COMPARE(QApplication::activeWindow(), expectedActive);
        }
        QCOMPARE((QList<int>{a.activations, b.activations}), activations);
    }

    void cleanup()
    {
        WindowServices::instance().reset();
        QApplication::setActiveWindow(nullptr);
    }
};

QTEST_MAIN(ActivationTest)
#include "tst_activation.moc"
