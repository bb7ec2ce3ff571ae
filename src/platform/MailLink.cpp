#include "platform/MailLink.h"

#include "platform/AddressKind.h"

#include <QList>
#include <QStringView>
#include <QUrl>

#include <algorithm>

namespace Larkspan {

namespace {

QString decoded(QStringView text)
{
    return QUrl::fromPercentEncoding(text.toUtf8());
}

// Control characters and line or paragraph separators: what can end a
// header line in a mail program that writes the text into one.
bool hasControl(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        const QChar::Category category = c.category();
        return category == QChar::Other_Control || category == QChar::Separator_Line
            || category == QChar::Separator_Paragraph;
    });
}

// The fields of a query: separated by "&" and by any further "?".
QList<QStringView> fieldsOf(QStringView query)
{
    QList<QStringView> fields;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= query.size(); ++i) {
        if (i == query.size() || query.at(i) == u'&' || query.at(i) == u'?') {
            if (i > start)
                fields.append(query.mid(start, i - start));
            start = i + 1;
        }
    }
    return fields;
}

// The name under which a field is passed on, or nothing when it is not.
std::optional<QByteArray> keptName(const QString &name, const QString &value)
{
    if (name.compare(u"body", Qt::CaseInsensitive) == 0)
        return QByteArray("body");
    if (name.compare(u"subject", Qt::CaseInsensitive) == 0 && !hasControl(value))
        return QByteArray("subject");
    return std::nullopt;
}

} // namespace

std::optional<QByteArray> MailLink::rebuilt(const QString &link)
{
    if (!link.startsWith(mailtoScheme, Qt::CaseInsensitive))
        return std::nullopt;
    QStringView rest = QStringView(link).mid(mailtoScheme.size());
    rest = rest.left(rest.indexOf(u'#')); // all of it when there is no "#"
    const qsizetype question = rest.indexOf(u'?');

    const QString recipients = decoded(rest.left(question));
    if (recipients.contains(u'?') || hasControl(recipients))
        return std::nullopt;
    if (!recipients.isEmpty() && !link.contains(u'@'))
        return std::nullopt;
    QByteArray result = "mailto:" + QUrl::toPercentEncoding(recipients, "@,+");
    if (question < 0)
        return result;

    char separator = '?';
    for (const QStringView field : fieldsOf(rest.mid(question + 1))) {
        const qsizetype equals = field.indexOf(u'=');
        const QString value = equals < 0 ? QString() : decoded(field.mid(equals + 1));
        const std::optional<QByteArray> name = keptName(decoded(field.left(equals)), value);
        if (!name)
            continue;
        result += separator + *name + '=' + QUrl::toPercentEncoding(value);
        separator = '&';
    }
    return result;
}

} // namespace Larkspan
