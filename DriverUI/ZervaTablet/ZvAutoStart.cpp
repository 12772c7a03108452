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
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        qWarning("setAutoStart: cannot make the folder of %s", qPrintable(path));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning("setAutoStart: %s: %s", qPrintable(path), qPrintable(file.errorString()));
        return false;
    }
    const QByteArray entry = zv_autostart_entry(program);
    const bool written = file.write(entry) == entry.size();
    // On the temporary file, so the entry appears with its final mode.
    const bool mode = file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ReadUser | QFileDevice::WriteUser |
                                          QFileDevice::ReadGroup | QFileDevice::ReadOther);
    if (!written || !mode || !file.commit()) {
        qWarning("setAutoStart: %s: %s", qPrintable(path), qPrintable(file.errorString()));
        file.cancelWriting();
        return false;
    }
    qInfo("setAutoStart %s", qPrintable(path));
    return true;
}

bool rmAutoStart() {
    const QString path = zv_autostart_path();
    QFile file(path);
    if (file.exists() && !file.remove()) {
        qWarning("rmAutoStart: %s: %s", qPrintable(path), qPrintable(file.errorString()));
        return false;
    }
    qInfo("rmAutoStart %s", qPrintable(path));
    return true;
}

int getCheckAutoStart() {
    return QFileInfo::exists(zv_autostart_path()) ? 1 : 0;
}
