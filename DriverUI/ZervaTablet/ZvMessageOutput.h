// The settings application's one log path: every qDebug/qInfo/qWarning line gets a time, the
// source position and a type label, and goes on to the handler that was there before (Qt's own,
// which writes to standard error). Nothing is written to a file.
#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

// The line as it is handed on: the type label directly followed by
// "<MM-dd hh:mm:ss> File:<file>   Line=<line>  <message>". file may be null (a release build
// without message context).
QString zv_log_line(QtMsgType type, const char* file, int line, const QString& msg,
                    const QDateTime& when);

// The Qt message handler.
void myMessageOutput(QtMsgType type, const QMessageLogContext& context, const QString& msg);

// Installs myMessageOutput and keeps the handler it replaces for chaining.
void zv_install_message_output();
