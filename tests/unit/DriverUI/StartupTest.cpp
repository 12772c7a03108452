// The settings application's start-up rules that need no display: the log line, whether the
// window shows at start, the autostart entry, and the single-instance lock and its pid file.
#include "ZvAppInstance.h"
#include "ZvAutoStart.h"
#include "ZvMessageOutput.h"
#include "ZvOnlyAppLock.h"
#include "ZvStartupShow.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class AppStartup : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }
    std::string path(const QString& rel) const { return tmp.filePath(rel).toStdString(); }
    void writeFile(const QString& rel, const QByteArray& bytes) {
        QFile f(tmp.filePath(rel));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    QTemporaryDir tmp;
};

// Sets an environment variable for one scope (unset when value is null).
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : _name(name) {
        if (const char* old = getenv(name))
            _old = old, _had = true;
        if (value != nullptr)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (_had)
            setenv(_name, _old.c_str(), 1);
        else
            unsetenv(_name);
    }

private:
    const char* _name;
    std::string _old;
    bool _had = false;
};

} // namespace

TEST_F(AppStartup, LogLineHasLabelTimeAndPosition) {
    const QDateTime when(QDate(2024, 1, 2), QTime(3, 4, 5));
    struct Case {
        QtMsgType type;
        const char* file;
        int line;
        QString msg;
        QString expected;
    } cases[] = {
        {QtDebugMsg, "a.cpp", 7, "hi", "Debug01-02 03:04:05 File:a.cpp   Line=7  hi"},
        {QtInfoMsg, "b.cpp", 12, "x", "Info01-02 03:04:05 File:b.cpp   Line=12  x"},
        {QtWarningMsg, "c.cpp", 1, "w", "Warning:01-02 03:04:05 File:c.cpp   Line=1  w"},
        {QtCriticalMsg, "d.cpp", 2, "c", "Critical:01-02 03:04:05 File:d.cpp   Line=2  c"},
        {QtFatalMsg, "e.cpp", 3, "f", "Fatal:01-02 03:04:05 File:e.cpp   Line=3  f"},
        // A release build has no source position.
        {QtDebugMsg, nullptr, 0, "m", "Debug01-02 03:04:05 File:   Line=0  m"},
        // Placeholders in the message are its own text, not arguments.
        {QtDebugMsg, "%2.cpp", 4, "50%1 %3", "Debug01-02 03:04:05 File:%2.cpp   Line=4  50%1 %3"},
        // A type this Qt does not name (the enumeration's values span 0..7).
        {QtMsgType(7), "g.cpp", 5, "o", "Err01-02 03:04:05 File:g.cpp   Line=5  o"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(zv_log_line(c.type, c.file, c.line, c.msg, when), c.expected);
}

TEST_F(AppStartup, WindowShowsUnlessStartedAtLoginOrHidden) {
    struct Case {
        const char* login;
        const char* now;
        bool shown;
    } cases[] = {
        {"23:30", "00:10:00", false},    // the next day: earlier than the login time
        {"10:00", "10:02:00", true},     // two minutes after the login
        {"10:00\n", "10:02:00\n", true}, // the commands' own newline
        {"10:00", "10:00:59", false},    // within the first minute: an autostart at login
        {"10:00", "10:01:00", true},
        {"09:58", "10:00:00", true},
        {"23:59", "23:59:30", false},
        {"23:59", "00:00:30", false},
        // Nothing usable: showing is the safe side.
        {"", "10:00:00", true},
        {"10:00", "", true},
        {"Mon09", "10:00:00", true}, // a login on an earlier day
        {"garbage", "x:y:z", true},
        {"25:00", "10:00:00", true},
        {"10:00:00", "10:00:30", true},
        {"10:00", "10:00", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(zv_startup_show_decision(c.login, c.now), c.shown)
            << "login \"" << c.login << "\" now \"" << c.now << "\"";

    EXPECT_TRUE(getStartArgumentIsShow({"ZervaTablet"}));
    EXPECT_TRUE(getStartArgumentIsShow({"ZervaTablet", "-hh", "h", "--h"}));
    EXPECT_FALSE(getStartArgumentIsShow({"ZervaTablet", "-h"}));
    EXPECT_FALSE(getStartArgumentIsShow({"ZervaTablet", "x", "-H"}));
}

TEST_F(AppStartup, CommandOutputEndsAndNeverHangs) {
    EXPECT_EQ(zv_command_output("printf '12:34\\n'"), "12:34");
    EXPECT_EQ(zv_command_output("no-such-command-here 2>/dev/null"), "");
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(zv_command_output("echo early; exec sleep 30", 300), "");
    EXPECT_LT(t.elapsed(), 3000);
}

TEST_F(AppStartup, AutostartEntryIsWrittenCheckedAndRemoved) {
    const ScopedEnv config("XDG_CONFIG_HOME", tmp.filePath("cfg").toUtf8().constData());
    // Not the machine's own folders: an installed package's entry there would count.
    const ScopedEnv machine("XDG_CONFIG_DIRS", tmp.filePath("none").toUtf8().constData());
    const QString entry = tmp.filePath("cfg/autostart/ZervaTablet.desktop");
    ASSERT_EQ(zv_autostart_path(), entry);
    EXPECT_EQ(getCheckAutoStart(), 0);
    EXPECT_TRUE(rmAutoStart()) << "removing an absent entry is no failure";

    ASSERT_TRUE(setAutoStart("/opt/zerva/ZervaTablet"));
    EXPECT_EQ(getCheckAutoStart(), 1);
    QFile f(entry);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
    EXPECT_EQ(lines.value(0), "[Desktop Entry]");
    EXPECT_TRUE(lines.contains("Type=Application"));
    EXPECT_TRUE(lines.contains("Exec=/opt/zerva/ZervaTablet -h"));
    EXPECT_EQ(QFileInfo(entry).permissions() & 0x7777, QFile::ReadOwner | QFile::WriteOwner |
                                                           QFile::ReadUser | QFile::WriteUser |
                                                           QFile::ReadGroup | QFile::ReadOther);

    // Rewriting replaces the entry, never appends to it.
    ASSERT_TRUE(setAutoStart("/usr/bin/ZervaTablet"));
    f.close();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()).count("Exec="), 1);

    EXPECT_TRUE(rmAutoStart());
    EXPECT_EQ(getCheckAutoStart(), 0);

    // The package's entry for everybody: on until the user switches it off with a hidden entry
    // of the same name, and on again when the user switches it on.
    ASSERT_TRUE(QDir(tmp.path()).mkpath("xdg/autostart"));
    writeFile("xdg/autostart/ZervaTablet.desktop", "[Desktop Entry]\nExec=/opt/zerva/x -h\n");
    {
        const ScopedEnv dirs(
            "XDG_CONFIG_DIRS",
            ("rel:" + tmp.filePath("none") + ":" + tmp.filePath("xdg")).toUtf8().constData());
        EXPECT_EQ(zv_system_autostart_path(), tmp.filePath("xdg/autostart/ZervaTablet.desktop"));
        EXPECT_EQ(getCheckAutoStart(), 1);
        EXPECT_TRUE(rmAutoStart());
        EXPECT_EQ(getCheckAutoStart(), 0);
        EXPECT_TRUE(QFileInfo::exists(entry));
        ASSERT_TRUE(setAutoStart("/opt/zerva/ZervaTablet"));
        EXPECT_EQ(getCheckAutoStart(), 1);
    }

    // A folder that cannot be made: failure, not success.
    writeFile("blocker", "x");
    const ScopedEnv blocked("XDG_CONFIG_HOME", tmp.filePath("blocker").toUtf8().constData());
    EXPECT_FALSE(setAutoStart("/opt/zerva/ZervaTablet"));

    // Unset or relative: the home folder's .config.
    const ScopedEnv home("HOME", tmp.path().toUtf8().constData());
    for (const char* value : {static_cast<const char*>(nullptr), "", "rel/cfg"}) {
        const ScopedEnv e("XDG_CONFIG_HOME", value);
        EXPECT_EQ(zv_autostart_path(), tmp.path() + "/.config/autostart/ZervaTablet.desktop");
    }
}

TEST_F(AppStartup, ExecArgumentsAreQuotedAndEscaped) {
    struct Case {
        QString arg;
        QString exec;
    } cases[] = {
        {"/opt/zerva/ZervaTablet", "/opt/zerva/ZervaTablet"},
        {"/home/a b/ZervaTablet", "\"/home/a b/ZervaTablet\""},
        // Inside quotes $ ` " \ take a backslash, which the string level doubles.
        {"/x/$HOME/t", "\"/x/\\\\$HOME/t\""},
        {"/x/a\"b", "\"/x/a\\\\\"b\""},
        {"/x/a\\b", "\"/x/a\\\\\\\\b\""},
        {"/x/it's", "\"/x/it's\""},
        {"/x/100%/t", "/x/100%%/t"},
        {"/x/5% off", "\"/x/5%% off\""},
        {"", "\"\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(zv_desktop_exec_arg(c.arg), c.exec) << c.arg.toStdString();
}

TEST_F(AppStartup, LockIsHeldOncePerFolderAndNamesItsOwner) {
    const std::string file = path(".DriverUI.pid");
    writeFile(".DriverUI.pid", "999999999999"); // an earlier run's, longer than ours
    ZvOnlyAppLock first(file);
    ASSERT_EQ(first.isOnly(), 0);
    EXPECT_EQ(ZvOnlyAppLock::readPid(file.c_str()), getpid());
    EXPECT_EQ(first.getPid(), getpid());
    QFile f(QString::fromStdString(file));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray::number(getpid()) + '\0');

    // Reading the file back did not release the lock.
    ZvOnlyAppLock second(file);
    EXPECT_EQ(second.isOnly(), -2);
    EXPECT_EQ(first.getPid(), getpid()) << "a refused start leaves the owner's pid alone";

    // The lock is not the process's: another one is refused too.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ZvOnlyAppLock other(file);
        _exit(other.isOnly() == -2 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    ASSERT_TRUE(QDir(tmp.path()).mkdir("other"));
    ZvOnlyAppLock elsewhere(path("other/.DriverUI.pid"));
    EXPECT_EQ(elsewhere.isOnly(), 0);

    // Not even root may create a file in /proc.
    ZvOnlyAppLock nowhere("/proc/.DriverUI.pid");
    EXPECT_EQ(nowhere.isOnly(), -1);

    {
        ZvOnlyAppLock gone(path("gone.pid"));
        ASSERT_EQ(gone.isOnly(), 0);
    }
    ZvOnlyAppLock after(path("gone.pid"));
    EXPECT_EQ(after.isOnly(), 0) << "the lock goes with its object";
}

TEST_F(AppStartup, PidFileReads) {
    struct Case {
        const char* name;
        QByteArray content;
        int pid;
    } cases[] = {
        {"core", QByteArray("4321\0", 5), 4321},
        {"plain", "77", 77},
        {"empty", "", 0},
        {"garbage", "abc", 0},
        {"trailing", "12ab", 12},
        // Only the first 31 bytes count.
        {"long", QByteArray(31, ' ') + "5", 0},
        {"long2", QByteArray(30, ' ') + "56", 5},
    };
    for (const Case& c : cases) {
        writeFile(c.name, c.content);
        EXPECT_EQ(ZvOnlyAppLock::readPid(path(c.name).c_str()), c.pid) << c.name;
    }
    EXPECT_EQ(ZvOnlyAppLock::readPid(path("missing").c_str()), -1);
}

TEST_F(AppStartup, LockPathFollowsTheRuntimeFolder) {
    writeFile("file", "x");
    const std::string dir = tmp.path().toStdString();
    struct Case {
        const char* value;
        std::string expected;
    } cases[] = {
        {dir.c_str(), dir + "/.DriverUI.pid"},
        {nullptr, "./.DriverUI.pid"},
        {"", "./.DriverUI.pid"},
        {"relative", "./.DriverUI.pid"},
        {"/no/such/folder", "./.DriverUI.pid"},
    };
    for (const Case& c : cases) {
        const ScopedEnv e("XDG_RUNTIME_DIR", c.value);
        EXPECT_EQ(zv_app_lock_path(), c.expected) << (c.value ? c.value : "(unset)");
    }
    const ScopedEnv e("XDG_RUNTIME_DIR", path("file").c_str());
    EXPECT_EQ(zv_app_lock_path(), "./.DriverUI.pid");
}

TEST_F(AppStartup, OnlyACopyOfThisProgramIsSignalled) {
    EXPECT_TRUE(zv_runs_same_program(getpid()));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        execl("/bin/sleep", "sleep", "10", static_cast<char*>(nullptr));
        _exit(127);
    }
    // Until the exec the child still runs this program.
    bool other = false;
    for (int i = 0; i < 500 && !other; ++i, usleep(2000))
        other = !zv_runs_same_program(child);
    EXPECT_TRUE(other);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_FALSE(zv_runs_same_program(child)) << "a reaped pid";
    EXPECT_FALSE(zv_runs_same_program(0));
    EXPECT_FALSE(zv_runs_same_program(-1));
}
