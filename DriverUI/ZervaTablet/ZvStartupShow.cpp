#include "ZvStartupShow.h"

#include <QDebug>
#include <QProcess>

#include <optional>
#include <vector>

namespace {

// "HH:MM" (fields == 2) or "HH:MM:SS" (fields == 3) as seconds of the day; nothing for any
// other text. A field is one or two digits, within its range.
std::optional<int> secondsOfDay(const QString& text, int fields) {
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != fields)
        return std::nullopt;
    static const int limits[] = {24, 60, 60};
    static const int scale[] = {3600, 60, 1};
    int seconds = 0;
    for (int i = 0; i < fields; ++i) {
        const QString& p = parts[i];
        bool ok = p.size() >= 1 && p.size() <= 2;
        for (QChar c : p)
            ok = ok && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const int v = ok ? p.toInt() : -1;
        if (v < 0 || v >= limits[i])
            return std::nullopt;
        seconds += v * scale[i];
    }
    return seconds;
}

QString dropNewline(QString s) {
    if (s.endsWith(QLatin1Char('\n')))
        s.chop(1);
    return s;
}

} // namespace

bool getStartArgumentIsShow(const QStringList& args) {
    for (const QString& a : args)
        if (a.compare(QLatin1String("-h"), Qt::CaseInsensitive) == 0)
            return false;
    return true;
}

bool zv_startup_show_decision(const QString& loginText, const QString& nowText) {
    const std::optional<int> login = secondsOfDay(dropNewline(loginText), 2);
    const std::optional<int> now = secondsOfDay(dropNewline(nowText), 3);
    if (!login || !now) {
        qInfo("startup time unknown (login \"%s\", now \"%s\"): shown", qPrintable(loginText),
              qPrintable(nowText));
        return true;
    }
    // The login time has whole minutes, so it never reaches the day's last 59 seconds, where a
    // start just after a login at the turn of the day would have to be counted into the next
    // day. A time of day earlier than the login time therefore stays negative: hidden.
    return *now - *login > 59;
}

QString zv_command_output(const QString& command, int timeoutMs) {
    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    if (!p.waitForStarted(timeoutMs)) {
        qWarning("cannot run \"%s\": %s", qPrintable(command), qPrintable(p.errorString()));
        return QString();
    }
    if (!p.waitForFinished(timeoutMs)) {
        qWarning("\"%s\" took longer than %d ms", qPrintable(command), timeoutMs);
        p.kill();
        (void)p.waitForFinished(timeoutMs);
        return QString();
    }
    return dropNewline(QString::fromLocal8Bit(p.readAllStandardOutput()));
}

bool getStartupTimeIsShow() {
    const QString login = zv_command_output(QStringLiteral("w |awk 'NR==3{print $4}'"));
    const QString now = zv_command_output(QStringLiteral("uptime| awk 'NR==1{print $1}'"));
    return zv_startup_show_decision(login, now);
}
