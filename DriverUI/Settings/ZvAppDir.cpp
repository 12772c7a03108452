#include "ZvAppDir.h"

#include <QCoreApplication>

namespace {

QString& overridden() {
    static QString dir;
    return dir;
}

} // namespace

QString zv_app_dir() {
    const QString& dir = overridden();
    return dir.isEmpty() ? QCoreApplication::applicationDirPath() : dir;
}

void zv_set_app_dir(const QString& dir) {
    overridden() = dir;
}
