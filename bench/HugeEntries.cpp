#include "HugeEntries.h"

#include "AddressBookFile.h"
#include "RecordingPlatform.h"
#include "Timing.h"

#include "editor/Form2.h"
#include "editor/InformationEdit.h"
#include "main_window/Form1.h"
#include "store/RecordCursor.h"
#include "window/FormInstance.h"
#include "window/HiddenTextField.h"
#include "window/WindowServices.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QSignalBlocker>
#include <QTest>

using namespace Larkspan;
using namespace Qt::StringLiterals;

namespace HugeEntries {

namespace {

// Each action is slow before it is fast: a few runs tell enough.
constexpr int runs = 5;
constexpr qsizetype tenMegabytes = 10 * 1000 * 1000;

QString oneLine()
{
    QString text;
    text.reserve(tenMegabytes);
    const QString words = u"Lorem ipsum dolor sit amet, grüße aus Köln, ελληνικά\u00a0λόγια; "_s;
    while (text.size() < tenMegabytes)
        text += words;
    text.truncate(tenMegabytes);
    return text;
}

QString shortLines()
{
    QString text;
    for (int i = 0; i < 100000; ++i)
        text += u"line %1 of many\r\n"_s.arg(i);
    return text;
}

Record hugeEntry(const QString &kind)
{
    if (kind == u"information-line")
        return {u"Huge"_s, u"www.huge.example.org"_s, oneLine()};
    if (kind == u"information-lines")
        return {u"Huge"_s, u"www.huge.example.org"_s, shortLines()};
    if (kind == u"address")
        return {u"Huge"_s, u"www.huge.example.org/"_s + oneLine(), u"a long address"_s};
    return {oneLine(), u"www.huge.example.org"_s, u"a long category"_s};
}

QString title(const QString &kind)
{
    if (kind == u"information-line")
        return u"information, 10 MB on one line"_s;
    if (kind == u"information-lines")
        return u"information, 100,000 short lines"_s;
    return kind + u" of 10 MB"_s;
}

void quietlySelect(QListWidget *list, const QString &text)
{
    const QSignalBlocker blocker(list);
    const auto found = list->findItems(text, Qt::MatchExactly);
    if (!found.isEmpty())
        list->setCurrentItem(found.first());
}

void report(const QString &action, const Timing::Summary &t)
{
    QTextStream(stdout) << action << '\t' << t.median << '\t' << t.max << '\t' << t.cpuMedian
                        << Qt::endl;
}

} // namespace

QStringList kinds()
{
    return {u"information-line"_s, u"information-lines"_s, u"address"_s, u"category"_s};
}

int run(const QString &kind)
{
    Testing::RecordingPlatform platform;
    const Record huge = hugeEntry(kind);
    AddressBookFile file({{u"Ordinary"_s, u"www.example.org"_s, u"one"_s},
                          huge,
                          {huge.type, u"mail@example.org"_s, u"two"_s}});
    file.enter();

    Form1 *form = FormInstance<Form1>::get();
    WindowServices::instance().showWindow(form);
    if (!QTest::qWaitFor([form] { return QApplication::activeWindow() == form; }, 60000))
        return 1;

    // Before each run the windows show something else, so that nothing is
    // left laid out from the run before.
    const QString other = u"mail@example.org"_s;
    report(u"click the category"_s,
           Timing::measure(
               runs,
               [&] {
                   form->init();
                   quietlySelect(form->lstType, huge.type);
               },
               [form] {
                   form->lstType_Click();
                   form->repaint();
               }));
    report(u"click the address"_s,
           Timing::measure(
               runs,
               [&] {
                   quietlySelect(form->lstAddress, other);
                   form->lstAddress_Click();
                   quietlySelect(form->lstAddress, huge.address);
               },
               [form] {
                   form->lstAddress_Click();
                   form->repaint();
               }));

    // The editor on the entry, as Modify leaves it.
    Form2 *editor = FormInstance<Form2>::get();
    auto modify = [&](const QString &address) {
        form->Text1->setText(u"mod"_s);
        (void)form->Data1->seekAddress(address);
    };
    auto modifyAfterAnother = [&] {
        modify(u"www.example.org"_s);
        editor->Form_Activate();
        modify(huge.address);
    };
    modify(other);
    WindowServices::instance().showWindow(editor);
    report(u"the editor shows the entry"_s, Timing::measure(runs, modifyAfterAnother, [editor] {
               editor->Form_Activate();
               editor->repaint();
           }));
    QWidget *field = kind == u"address" ? static_cast<QWidget *>(editor->Text1)
        : kind == u"category"           ? static_cast<QWidget *>(editor->Combo1)
                                        : editor->Text2;
    report(u"type a letter into that field"_s, Timing::measure(runs, {}, [field] {
               QTest::keyClick(field, Qt::Key_X);
               field->repaint();
           }));
    report(u"open the category list"_s,
           Timing::measure(
               runs, {},
               [editor] {
                   editor->Combo1->showPopup();
                   editor->Combo1->view()->repaint();
               },
               [editor] { editor->Combo1->hidePopup(); }));
    report(u"OK, the entry stored back"_s,
           Timing::measure(
               runs,
               [&] {
                   modifyAfterAnother();
                   editor->Form_Activate();
               },
               [form, editor] {
                   editor->Command1_Click();
                   form->repaint();
               }));

    const bool whole = file.rows().value(1) == huge;
    WindowServices::instance().reset();
    return whole ? 0 : 2;
}

void reportAll(const QString &self, QTextStream &out)
{
    out << "\n| huge entry | action | median ms | slowest ms | processor ms |\n";
    out << "|---|---|---:|---:|---:|\n";
    for (const QString &kind : kinds()) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        child.setProcessEnvironment(env);
        child.start(self, {u"--huge-entry"_s, kind});
        child.waitForFinished(-1);
        for (const QByteArray &raw : child.readAllStandardOutput().split('\n')) {
            const QStringList f = QString::fromUtf8(raw).split(u'\t');
            if (f.size() != 4)
                continue;
            out << "| " << title(kind) << " | " << f[0];
            for (int i = 1; i < 4; ++i)
                out << " | " << QString::number(f[i].toDouble(), 'f', 1);
            out << " |\n";
        }
        if (child.exitCode() == 2)
            out << "| " << title(kind) << " | **the entry did not go back whole** | | | |\n";
        out.flush();
    }
}

} // namespace HugeEntries
