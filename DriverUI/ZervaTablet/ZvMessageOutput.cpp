#include "ZvMessageOutput.h"

namespace {

// Set once in main before any thread logs; read by every thread afterwards.
QtMessageHandler g_previousHandler = nullptr;

const char* typeLabel(QtMsgType type) {
    switch (type) {
    case QtDebugMsg:
        return "Debug";
    case QtWarningMsg:
        return "Warning:";
    case QtCriticalMsg:
        return "Critical:";
    case QtFatalMsg:
        return "Fatal:";
    case QtInfoMsg:
        return "Info";
    }
    return "Err";
}

} // namespace

QString zv_log_line(QtMsgType type, const char* file, int line, const QString& msg,
                    const QDateTime& when) {
    // One multi-argument arg() call: a "%1" inside the message or the file name stays literal.
    return QLatin1String(typeLabel(type)) +
           QStringLiteral("%1 File:%2   Line=%3  %4")
               .arg(when.toString(QStringLiteral("MM-dd hh:mm:ss")), QString::fromUtf8(file),
                    QString::number(line), msg);
}

void myMessageOutput(QtMsgType type, const QMessageLogContext& context, const QString& msg) {
    if (g_previousHandler == nullptr)
        return;
    g_previousHandler(
        type, context,
        zv_log_line(type, context.file, context.line, msg, QDateTime::currentDateTime()));
}

void zv_install_message_output() {
    g_previousHandler = qInstallMessageHandler(myMessageOutput);
}
