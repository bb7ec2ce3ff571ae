#include "exchange/BrowserProfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QtGlobal>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

struct Chromium
{
    const char16_t *name;
    const char16_t *folder; // under the configuration folder
    const char16_t *shownAs;
};

constexpr Chromium chromiums[] = {
    {u"chromium", u"chromium", u"Chromium"},
    {u"google-chrome", u"google-chrome", u"Google Chrome"},
    {u"brave", u"BraveSoftware/Brave-Browser", u"Brave"},
    {u"vivaldi", u"vivaldi", u"Vivaldi"},
    {u"edge", u"microsoft-edge", u"Microsoft Edge"},
};

QString configFolder()
{
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    return QDir::isAbsolutePath(xdg) ? xdg : QDir::homePath() + u"/.config"_s;
}

// profiles.ini's sections, each a map of its keys.
QMap<QString, QMap<QString, QString>> iniSections(QFile &file)
{
    QMap<QString, QMap<QString, QString>> sections;
    QString section;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine(64 * 1024)).trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']'))
            section = line.sliced(1, line.size() - 2);
        else if (const qsizetype equals = line.indexOf(u'='); equals > 0)
            sections[section][line.first(equals).trimmed()] = line.sliced(equals + 1).trimmed();
    }
    return sections;
}

QString missing(const QString &what, const QString &path)
{
    return u"no %1: %2 is not there"_s.arg(what, QDir::toNativeSeparators(path));
}

} // namespace

QStringList BrowserProfiles::names()
{
    QStringList names {u"firefox"_s};
    for (const Chromium &browser : chromiums)
        names << QString::fromUtf16(browser.name);
    return names;
}

Outcome<QString> BrowserProfiles::firefoxProfile()
{
    // Firefox keeps its profiles in ~/.mozilla/firefox where that is there,
    // and under the configuration folder where it is not.
    const QString legacy = QDir::homePath() + u"/.mozilla/firefox"_s;
    const QString folder
        = QFileInfo(legacy).isDir() ? legacy : configFolder() + u"/mozilla/firefox"_s;
    QFile ini(folder + u"/profiles.ini"_s);
    if (!ini.open(QIODevice::ReadOnly))
        return Failure {missing(u"Firefox profile"_s, ini.fileName())};
    const auto sections = iniSections(ini);
    QString path;
    bool relative = true;
    // The installation's own default first, then the profile marked default,
    // then the first there is.
    for (auto it = sections.cbegin(); it != sections.cend() && path.isEmpty(); ++it) {
        if (it.key().startsWith(u"Install"_s))
            path = it.value().value(u"Default"_s);
    }
    for (const bool marked : {true, false}) {
        for (auto it = sections.cbegin(); it != sections.cend() && path.isEmpty(); ++it) {
            if (it.key().startsWith(u"Profile"_s)
                && (!marked || it.value().value(u"Default"_s) == u"1"_s)) {
                path = it.value().value(u"Path"_s);
                relative = it.value().value(u"IsRelative"_s, u"1"_s) == u"1"_s;
            }
        }
    }
    if (path.isEmpty())
        return Failure {u"no Firefox profile: %1 names none"_s.arg(ini.fileName())};
    return relative ? folder + u'/' + path : path;
}

Outcome<QString> BrowserProfiles::bookmarksFile(const QString &browser, const QString &profile)
{
    if (browser == u"firefox"_s) {
        QString folder = profile;
        if (folder.isEmpty()) {
            const Outcome<QString> found = firefoxProfile();
            if (!found.ok())
                return found;
            folder = found.value();
        }
        const QString places = QDir(folder).filePath(u"places.sqlite"_s);
        if (!QFileInfo(places).isFile())
            return Failure {missing(u"Firefox bookmarks"_s, places)};
        return places;
    }
    for (const Chromium &chromium : chromiums) {
        if (browser != QString::fromUtf16(chromium.name))
            continue;
        const QString shownAs = QString::fromUtf16(chromium.shownAs) + u" bookmarks"_s;
        const QString folder = !profile.isEmpty()
            ? profile
            : configFolder() + u'/' + QString::fromUtf16(chromium.folder) + u"/Default"_s;
        QString file = QDir(folder).filePath(u"Bookmarks"_s);
        // A browser's own folder stands for its default profile.
        if (!profile.isEmpty() && !QFileInfo(file).isFile())
            file = QDir(folder).filePath(u"Default/Bookmarks"_s);
        if (!QFileInfo(file).isFile())
            return Failure {missing(shownAs, file)};
        return file;
    }
    return Failure {u"no browser is called %1"_s.arg(browser)};
}

} // namespace Larkspan
