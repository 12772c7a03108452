// ZervaTablet: the settings application. One copy runs per user session; a second start asks
// the running copy to show its window and ends. Everything else (the logic center, the message
// adapter, the pages) comes into being when the QML main page creates its UIManager.
#include "ZvAppDir.h"
#include "ZvAppInstance.h"
#include "ZvConfStoreDll.h"
#include "ZvLanguageServices.h"
#include "ZvMessageOutput.h"
#include "ZvOnlyAppLock.h"
#include "ZvQmlTypes.h"
#include "ZvSettingsDir.h"
#include "ZvUserSignal.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>
#include <QQmlApplicationEngine>
#include <QUrl>

#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

namespace {

// A second start: wake the running copy and leave. A pid that names no running copy of this
// program (not written yet, or left by an earlier run) gets no signal.
int handOver(const ZvOnlyAppLock& lock, int only) {
    printf("File: %s Func: %s Line: %d => app isOnly ret=%d.\n", __FILE__, __func__, __LINE__,
           only);
    const int pid = lock.getPid();
    if (pid > 0 && zv_runs_same_program(pid) && kill(pid, SIGUSR1) == 0)
        printf("Send SIGUSR1(%d) to %d\n", SIGUSR1, pid);
    else
        printf("no running copy to show (pid %d)\n", pid);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    setvbuf(stdout, nullptr, _IOLBF, 0);
    // Before the lock: from the moment our pid is in the file a second start may signal us, and
    // SIGUSR1 without a handler ends the process.
    if (!registUserSignal()) {
        fprintf(stderr, "ZervaTablet: cannot install the SIGUSR1 handler: %s\n", strerror(errno));
        return 1;
    }
    ZvOnlyAppLock lock(zv_app_lock_path());
    const int only = lock.isOnly();
    if (only == -1) {
        fprintf(stderr, "ZervaTablet: cannot open the lock file %s: %s\n", lock.path().c_str(),
                strerror(errno));
        return 1;
    }
    if (only < 0)
        return handOver(lock, only);

    zv_install_message_output();

    QCoreApplication::setAttribute(Qt::AA_UseSoftwareOpenGL);
    // Widgets: the tray icon and its menu are widgets.
    QApplication app(argc, argv);
    // The main page decides when the application ends: closing the window hides it to the tray.
    QApplication::setQuitOnLastWindowClosed(false);

    // Every page reads and saves through the store and the settings folder: without them there is
    // nothing to show.
    {
        const QByteArray store = (zv_app_dir() + QStringLiteral("/libs/libconfstore.so")).toUtf8();
        ZvConfStoreDll probe;
        std::string why;
        if (!probe.load(store.constData(), &why)) {
            fprintf(stderr, "ZervaTablet: cannot use the configuration store %s: %s\n",
                    store.constData(), why.c_str());
            return 1;
        }
        char dir[512];
        if (!zv_settings_dir(zv_app_dir().toUtf8().constData(), dir, sizeof dir)) {
            fprintf(stderr, "ZervaTablet: " ZV_NO_SETTINGS_DIR "\n");
            return 1;
        }
    }

    QApplication::setWindowIcon(QIcon(QStringLiteral(":/Images/Icon.png")));

    const int font = QFontDatabase::addApplicationFont(QStringLiteral(":fonts/Ubuntu-B.ttf"));
    const QStringList families =
        font < 0 ? QStringList() : QFontDatabase::applicationFontFamilies(font);
    if (families.isEmpty())
        qWarning("add font failed");
    else
        QApplication::setFont(QFont(families.first(), -1, -1, /* italic= */ false));

    zv_register_app_types();

    QQmlApplicationEngine engine;
    // "langManager" and "jsonTrans" for the pages, and the translation of the binding texts.
    zv_install_language_services(engine);
    const QUrl mainPage(QStringLiteral("qrc:/UI/main.qml"));
    QObject::connect(
        &engine, &QQmlApplicationEngine::objectCreated, &app,
        [mainPage](QObject* obj, const QUrl& url) {
            if (obj == nullptr && url == mainPage)
                QCoreApplication::exit(0);
        },
        Qt::QueuedConnection);
    engine.load(mainPage);
    return QApplication::exec();
}
