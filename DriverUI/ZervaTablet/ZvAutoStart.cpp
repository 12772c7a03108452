#include "ZvAutoStart.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

QString zv_autostart_path() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart/ZervaTablet.desktop");
}

QString zv_system_autostart_path() {
    QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/etc/xdg");
    for (const QString& dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QString path = dir + QStringLiteral("/autostart/ZervaTablet.desktop");
        if (QDir::isAbsolutePath(dir) && QFileInfo::exists(path))
            return path;
    }
    return QString();
}

namespace {

// A user's entry that switches the installed one off (the desktop's own way: same name, Hidden).
bool hides(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.trimmed() == "Hidden=true")
            return true;
    return false;
}

bool writeEntry(const QString& path, const QByteArray& entry) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        qWarning("autostart: cannot make the folder of %s", qPrintable(path));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning("autostart: %s: %s", qPrintable(path), qPrintable(file.errorString()));
        return false;
    }
    const bool written = file.write(entry) == entry.size();
    // On the temporary file, so the entry appears with its final mode.
    const bool mode = file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ReadUser | QFileDevice::WriteUser |
                                          QFileDevice::ReadGroup | QFileDevice::ReadOther);
    if (!written || !mode || !file.commit()) {
        qWarning("autostart: %s: %s", qPrintable(path), qPrintable(file.errorString()));
        file.cancelWriting();
        return false;
    }
    return true;
}

} // namespace

QString zv_desktop_exec_arg(const QString& arg) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = arg.isEmpty();
    for (QChar c : arg)
        quote = quote || reserved.contains(c);
    QString out;
    if (quote) {
        out += QLatin1Char('"');
        for (QChar c : arg) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                c == QLatin1Char('\\'))
                out += QLatin1Char('\\');
            out += c;
        }
        out += QLatin1Char('"');
    } else {
        out = arg;
    }
    // A '%' would start a field code.
    out.replace(QLatin1Char('%'), QStringLiteral("%%"));
    // The value is a string too, unescaped before the quoting is read: a backslash of the
    // quoting becomes two, and a control character its escape.
    QString value;
    for (QChar c : out) {
        if (c == QLatin1Char('\\'))
            value += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            value += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            value += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            value += QStringLiteral("\\r");
        else
            value += c;
    }
    return value;
}

QByteArray zv_autostart_entry(const QString& program) {
    QString text;
    text += QStringLiteral("[Desktop Entry]\n");
    text += QStringLiteral("Type=Application\n");
    text += QStringLiteral("Name=ZervaTablet\n");
    text += QStringLiteral("Comment=Tablet settings\n");
    text += QStringLiteral("Exec=") + zv_desktop_exec_arg(program) + QStringLiteral(" -h\n");
    text += QStringLiteral("Terminal=false\n");
    text += QStringLiteral("X-GNOME-Autostart-enabled=true\n");
    return text.toUtf8();
}

bool setAutoStart(const QString& program) {
    const QString path = zv_autostart_path();
    if (!writeEntry(path, zv_autostart_entry(program)))
        return false;
    qInfo("setAutoStart %s", qPrintable(path));
    return true;
}

bool rmAutoStart() {
    const QString path = zv_autostart_path();
    // With the package's entry installed, removing ours would start the program again: the
    // user's own entry of the same name says Hidden instead.
    if (!zv_system_autostart_path().isEmpty()) {
        QByteArray entry = zv_autostart_entry(QStringLiteral("ZervaTablet"));
        entry += "Hidden=true\n";
        if (!writeEntry(path, entry))
            return false;
        qInfo("rmAutoStart %s (hidden)", qPrintable(path));
        return true;
    }
    QFile file(path);
    if (file.exists() && !file.remove()) {
        qWarning("rmAutoStart: %s: %s", qPrintable(path), qPrintable(file.errorString()));
        return false;
    }
    qInfo("rmAutoStart %s", qPrintable(path));
    return true;
}

int getCheckAutoStart() {
    const QString path = zv_autostart_path();
    if (QFileInfo::exists(path))
        return hides(path) ? 0 : 1;
    return zv_system_autostart_path().isEmpty() ? 0 : 1;
}
