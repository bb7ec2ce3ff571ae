// The activation rule on a real X display with a window manager: forms of
// this test process are clicked with xdotool like a person would; message
// boxes are closed from the keyboard, and another program takes the focus.
#include "XvfbSession.h"

#include "platform/DesktopPlatform.h"
#include "window/ActivationHandler.h"
#include "window/FormInstance.h"
#include "window/WindowServices.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Larkspan;
using namespace Qt::StringLiterals;
using Larkspan::Testing::XvfbSession;

namespace {

XvfbSession *session = nullptr;

class ProbeForm : public QWidget, public ActivationHandler
{
public:
    ProbeForm(const QString &name, QPoint place)
    {
        setObjectName(name);
        setWindowTitle(name);
        setGeometry(QRect(place, QSize(300, 200)));
        edit = new QLineEdit(this);
        edit->setGeometry(10, 10, 200, 30);
    }
    void Form_Activate() override { ++activations; }
    int activations = 0;
    QLineEdit *edit = nullptr;
};

class FormA : public ProbeForm
{
public:
    FormA() : ProbeForm(u"FormA"_s, QPoint(40, 60)) {}
};

class FormB : public ProbeForm
{
public:
    FormB() : ProbeForm(u"FormB"_s, QPoint(500, 60)) {}
};

// A click into the window, as a person makes it.
void click(QWidget *window)
{
    session->xdotool({u"mousemove"_s, u"--window"_s, QString::number(window->winId()), u"150"_s,
                      u"150"_s, u"click"_s, u"1"_s});
}

bool active(QWidget *window)
{
    return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }, 5000);
}

} // namespace

class ActivationX11Test : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { setPlatform(&m_platform); }
    void cleanupTestCase() { setPlatform(nullptr); }
    void init()
    {
        m_a = FormInstance<FormA>::get();
        m_b = FormInstance<FormB>::get();
        WindowServices::instance().showWindow(m_a);
        QVERIFY(active(m_a));
        WindowServices::instance().showWindow(m_b);
        QVERIFY(active(m_b));
        QTest::qWait(200);
    }
    void cleanup() { WindowServices::instance().reset(); }

    void eachFormRunsItsHandlerWhenFirstShown()
    {
        QCOMPARE(m_a->activations, 1);
        QCOMPARE(m_b->activations, 1);
    }

    void clickingBackIntoAFormRunsIt()
    {
        click(m_a);
        QVERIFY(active(m_a));
        QCOMPARE(m_a->activations, 2);
        click(m_b);
        QVERIFY(active(m_b));
        QCOMPARE(m_b->activations, 2);
        // A click inside the form that is already active runs nothing.
        click(m_b);
        QTest::qWait(300);
        QCOMPARE(m_b->activations, 2);
    }

    void focusGivenFromAnotherFormRunsIt()
    {
        WindowServices::instance().giveFocus(m_a->edit);
        QVERIFY(active(m_a));
        QCOMPARE(m_a->activations, 2);
        QTRY_VERIFY(m_a->edit->hasFocus());
    }

    void closingAMessageBoxRunsNothing()
    {
        // The user reads the box and presses Enter.
        QTimer::singleShot(600, [] { session->xdotool({u"key"_s, u"Return"_s}); });
        m_platform.messageBox(u"Something to say"_s);
        QVERIFY(active(m_b));
        QTest::qWait(300);
        QCOMPARE(m_b->activations, 1);
        QCOMPARE(m_a->activations, 1);
    }

    void comingBackFromAnotherProgramRunsNothing()
    {
        QProcess other;
        other.setProcessEnvironment(session->environment());
        other.start(u"xmessage"_s, {u"-geometry"_s, u"+300+400"_s, u"another program"_s});
        QVERIFY(other.waitForStarted());
        const auto id = session->waitForWindow(u"^xmessage$"_s, 5000);
        QVERIFY(id);
        session->xdotool({u"windowactivate"_s, u"--sync"_s, *id});
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), nullptr, 5000);
        click(m_b);
        QVERIFY(active(m_b));
        QTest::qWait(300);
        QCOMPARE(m_b->activations, 1);
        other.kill();
        other.waitForFinished();
    }

private:
    DesktopPlatform m_platform;
    FormA *m_a = nullptr;
    FormB *m_b = nullptr;
};

int main(int argc, char *argv[])
{
    // The display must be there before the application connects to it.
    auto x = std::make_unique<XvfbSession>();
    if (!x->isReady()) {
        qCritical("no X display: %s", qPrintable(x->errorString()));
        return 1;
    }
    session = x.get();
    const QProcessEnvironment env = x->environment();
    for (const char *name : {"DISPLAY", "XDG_RUNTIME_DIR", "QT_QPA_PLATFORM"})
        qputenv(name, env.value(QString::fromLatin1(name)).toLocal8Bit());
    int status = 0;
    {
        QApplication app(argc, argv);
        ActivationX11Test test;
        status = QTest::qExec(&test, argc, argv);
    }
    session = nullptr;
    return status;
}

#include "tst_activation_x11.moc"
