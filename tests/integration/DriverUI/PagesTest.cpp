// The settings application's window and pages as a user meets them: the program's own main page
// loaded in this process on a private X server (software rendering), talking over a private
// session bus to the real ZervaCore with the simulated tablet. The tests click what a user
// clicks, read what the pages show, and save a screenshot of every view under
// build/screenshots/.
#include "DaemonFixture.h"
#include "LanguageTran.h"
#include "UIManager.h"
#include "ZvAppDir.h"
#include "ZvLanguageServices.h"
#include "ZvQmlTypes.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

const char* const kScreenshots = ZV_BINARY_DIR "/screenshots";

bool hasHan(const QString& text) {
    for (const QChar c : text)
        if (c.script() == QChar::Script_Han)
            return true;
    return false;
}

QQuickItem* findItem(QQuickItem* root, const QString& name) {
    if (root == nullptr)
        return nullptr;
    if (root->objectName() == name)
        return root;
    for (QQuickItem* child : root->childItems())
        if (QQuickItem* found = findItem(child, name))
            return found;
    return nullptr;
}

bool shown(const QQuickItem* item) {
    return item != nullptr && item->isVisible() && item->opacity() > 0;
}

// What is wrong with the visible texts under item: cut, wider or taller than their box, outside
// the item that holds them, or (in English) still in the table's source language.
void checkTexts(QQuickItem* item, bool english, QStringList* problems) {
    if (!shown(item))
        return;
    if (item->inherits("QQuickText")) {
        const QString text = item->property("text").toString();
        const QString what = QStringLiteral("\"%1\" (%2)").arg(text, item->objectName());
        if (item->property("truncated").toBool())
            *problems << what + QStringLiteral(" is cut");
        const bool wraps = item->property("wrapMode").toInt() != 0;
        if (!wraps && item->implicitWidth() > item->width() + 1)
            *problems << what + QStringLiteral(" is wider than its box");
        if (wraps && item->property("contentHeight").toDouble() > item->height() + 1)
            *problems << what + QStringLiteral(" is taller than its box");
        if (QQuickItem* box = item->parentItem()) {
            const QRectF r = item->mapRectToItem(box, QRectF(0, 0, item->width(), item->height()));
            if (!QRectF(-1, -1, box->width() + 2, box->height() + 2).contains(r))
                *problems << what + QStringLiteral(" lies outside the item that holds it");
        }
        if (english && !item->property("verbatim").toBool() && hasHan(text))
            *problems << what + QStringLiteral(" is not translated");
    }
    for (QQuickItem* child : item->childItems())
        checkTexts(child, english, problems);
}

bool isControl(const QQuickItem* item) {
    return item->inherits("QQuickAbstractButton") || item->inherits("QQuickComboBox");
}

void collectControls(QQuickItem* item, std::vector<QQuickItem*>* out) {
    if (!shown(item) || !item->isEnabled())
        return;
    if (isControl(item))
        out->push_back(item);
    for (QQuickItem* child : item->childItems())
        collectControls(child, out);
}

// Every visible control is in the window's Tab chain, and everything in the chain has a name a
// screen reader can say.
void checkKeyboard(QQuickWindow* window, QStringList* problems) {
    std::set<QQuickItem*> chain;
    QQuickItem* start = window->contentItem();
    for (QQuickItem* it = start->nextItemInFocusChain(true); it != nullptr && it != start;
         it = it->nextItemInFocusChain(true)) {
        if (!chain.insert(it).second)
            break;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(it);
        if (iface == nullptr || iface->text(QAccessible::Name).trimmed().isEmpty())
            *problems << QStringLiteral("%1 \"%2\" has no accessible name")
                             .arg(QString::fromLatin1(it->metaObject()->className()),
                                  it->objectName());
    }
    std::vector<QQuickItem*> controls;
    collectControls(start, &controls);
    for (QQuickItem* c : controls)
        if (chain.count(c) == 0)
            *problems << QStringLiteral("%1 \"%2\" cannot be reached with Tab")
                             .arg(QString::fromLatin1(c->metaObject()->className()),
                                  c->property("text").toString());
}

} // namespace

class PagesTest : public DaemonTest {
public:
    // Before the application exists: Qt reads the bus address and the display once.
    static void startProgram() {
        withUiPeer = false;
        startDesktop(1920, 1080);
    }
    static bool haveDisplay() { return xvfb != nullptr && xvfb->available(); }

protected:
    static void SetUpTestSuite() {}

    void SetUp() override {
        DaemonTest::SetUp();
        if (HasFatalFailure() || IsSkipped())
            return;
        // The pages' files beside the core's, as in the installed folder.
        for (const char* f : {"Lang.json", "setting.ini"})
            ASSERT_EQ(symlink((std::string(ZV_DIST_DIR "/res/") + f).c_str(),
                              (dir() + "/res/" + f).c_str()),
                      0);
        QDir().mkpath(QString::fromLatin1(kScreenshots));
        // The full-size screen, whatever the test before left.
        ASSERT_TRUE(xvfb->xrandr({"--output", "screen", "--mode", "1920x1080"}));
        ASSERT_TRUE(xvfb->setMonitors(ZvXvfb::one()));
    }
    void TearDown() override {
        onGui([this] {
            engine.reset();
            window = nullptr;
        });
        DaemonTest::TearDown();
    }

    // Runs f on the GUI thread and waits for it. The atomic marks the two hand-overs for
    // ThreadSanitizer, which cannot see the ones inside Qt's (uninstrumented) blocking call, so
    // that what f reads and writes here is ordered with this thread.
    template <class F> static void onGui(F f) {
        std::atomic<int> step{0};
        step.store(1, std::memory_order_release);
        QMetaObject::invokeMethod(
            qApp,
            [&] {
                (void)step.load(std::memory_order_acquire);
                f();
                step.store(2, std::memory_order_release);
            },
            Qt::BlockingQueuedConnection);
        (void)step.load(std::memory_order_acquire);
    }
    // Polls cond on the GUI thread until it holds or ms have passed.
    static bool waitUntil(const std::function<bool()>& cond, int ms) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            bool ok = false;
            onGui([&] { ok = cond(); });
            if (ok)
                return true;
            if (std::chrono::steady_clock::now() > until)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    // Loads the program's main page in this language ("zh_CN", "en"), as the program does.
    void startApp(const char* language = "zh_CN") {
        onGui([this, language] {
            zv_set_app_dir(QString::fromStdString(dir()));
            engine = std::make_unique<QQmlApplicationEngine>();
            zv_install_language_services(*engine);
            // The stored choice, which the main page applies when it completes.
            LanguageTran::instance()->setTransMode(QString::fromLatin1(language));
            engine->load(QUrl(QStringLiteral("qrc:/UI/main.qml")));
            const auto roots = engine->rootObjects();
            window = roots.isEmpty() ? nullptr : qobject_cast<QQuickWindow*>(roots.first());
        });
        ASSERT_NE(window, nullptr) << "the main page did not load";
        ASSERT_TRUE(waitUntil([this] { return window->isExposed(); }, 5000));
    }

    QQuickItem* item(const char* name) {
        return findItem(window->contentItem(), QString::fromLatin1(name));
    }
    QString text(const char* name) {
        QString t;
        onGui([&] {
            if (QQuickItem* i = item(name))
                t = i->property("text").toString();
        });
        return t;
    }
    bool visible(const char* name) {
        bool v = false;
        onGui([&] { v = shown(item(name)); });
        return v;
    }
    QVariant rootProperty(const char* name) {
        QVariant v;
        onGui([&] { v = window->property(name); });
        return v;
    }
    // Clicks the middle of a visible item, as the pointer would.
    void click(const char* name) {
        bool found = false;
        onGui([&] {
            QQuickItem* i = item(name);
            if (!shown(i))
                return;
            found = true;
            const QPointF p = i->mapToScene(QPointF(i->width() / 2, i->height() / 2));
            QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, p.toPoint());
        });
        ASSERT_TRUE(found) << name << " is not shown";
    }
    QVariant call(const char* name, const char* function, const QVariant& arg = QVariant()) {
        QVariant result;
        onGui([&] {
            QQuickItem* i = item(name);
            if (i == nullptr)
                return;
            if (arg.isValid())
                QMetaObject::invokeMethod(i, function, Q_RETURN_ARG(QVariant, result),
                                          Q_ARG(QVariant, arg));
            else
                QMetaObject::invokeMethod(i, function, Q_RETURN_ARG(QVariant, result));
        });
        return result;
    }
    // Runs f with the page's bridge on the GUI thread and returns what it returns.
    template <class F> auto onBridge(F f) -> decltype(f(static_cast<UIManager*>(nullptr))) {
        decltype(f(static_cast<UIManager*>(nullptr))) result{};
        onGui([&] {
            UIManager* ui = window->findChild<UIManager*>();
            if (ui != nullptr)
                result = f(ui);
            else
                ADD_FAILURE() << "the main page has no bridge";
        });
        return result;
    }
    void screenshot(const std::string& name) {
        onGui([&] {
            const QImage image = window->grabWindow();
            EXPECT_TRUE(image.save(QString::fromLatin1(kScreenshots) + QLatin1Char('/') +
                                   QString::fromStdString(name) + QStringLiteral(".png")))
                << name;
        });
    }
    // Clicks a button of the message box, once it is up. An answer to a question brings up the
    // report of what was done at once, in the same box.
    void answer(const char* button) {
        ASSERT_TRUE(waitUntil([this] { return shown(item("messageBox")); }, 3000));
        click(button);
    }
    QString pageProblems(bool english) {
        QStringList problems;
        onGui([&] {
            // Drawn first: rows and columns place their children when the scene is polished
            // for a frame, and a row that has just appeared has not been yet.
            (void)window->grabWindow();
            checkTexts(window->contentItem(), english, &problems);
            checkKeyboard(window, &problems);
        });
        return problems.join(QLatin1Char('\n'));
    }
    void chooseLanguage(const char* code) {
        const QString name =
            onBridge([code](UIManager* ui) { return ui->getLangName(QString::fromLatin1(code)); });
        call("generalPage", "chooseLanguage", name);
    }
    bool showsDevice(const QString& title) {
        return waitUntil(
            [&] {
                QQuickItem* t = item("deviceTitle");
                return shown(t) && t->property("text").toString() == title;
            },
            15000);
    }

    std::unique_ptr<QQmlApplicationEngine> engine;
    QQuickWindow* window = nullptr;
};

TEST_F(PagesTest, DriverAbsentNoTabletAndATabletAreThreeDifferentViews) {
    ASSERT_NO_FATAL_FAILURE(startApp());
    ASSERT_TRUE(waitUntil([this] { return shown(item("disconnectTitle")); }, 5000));
    EXPECT_EQ(text("disconnectTitle").toStdString(), "驱动程序未运行");
    EXPECT_EQ(pageProblems(false).toStdString(), "");
    screenshot("zh_CN-driver-not-running");

    core = startCore(tablet_device("t", "ZVM0640EKB", 0x0950, "1-1:1") +
                     "script t\n  wait 8000ms\n  unplug\nend\n");
    ASSERT_GT(core, 0);
    // A tablet: the device view, named as the tablet names itself.
    ASSERT_TRUE(showsDevice(QStringLiteral("Zerva Mesa 6 Keys"))) << output();
    EXPECT_TRUE(rootProperty("connected").toBool());
    screenshot("zh_CN-device-view");
    // Unplugged: the no-tablet view, which is not the driver-absent one.
    ASSERT_TRUE(waitUntil([this] { return shown(item("disconnectTitle")); }, 15000)) << output();
    EXPECT_EQ(text("disconnectTitle").toStdString(), "未连接数位板");
    EXPECT_FALSE(visible("deviceTitle"));
    screenshot("zh_CN-no-tablet");
}

TEST_F(PagesTest, ATabletWithoutANameIsShownByItsModel) {
    ASSERT_NO_FATAL_FAILURE(startApp());
    core = startCore(tablet_device("u", "ZVX0000UNK", 0x0950, "1-1:1"));
    ASSERT_GT(core, 0);
    EXPECT_TRUE(showsDevice(QStringLiteral("ZVX0000UNK"))) << output();
    EXPECT_EQ(text("device0").toStdString(), "ZVX0000UNK");
}

TEST_F(PagesTest, ASecondTabletIsOfferedInTheSelector) {
    ASSERT_NO_FATAL_FAILURE(startApp());
    core = startCore(tablet_device("a", "ZVM0640EKB", 0x0950, "1-1:1") +
                     tablet_device("b", "ZVM1060SLD", 0x0960, "1-2:1"));
    ASSERT_GT(core, 0);
    ASSERT_TRUE(
        waitUntil([this] { return shown(item("device0")) && shown(item("device1")); }, 15000))
        << output();
    const QString first = text("device0");
    const QString second = text("device1");
    EXPECT_NE(first, second);
    screenshot("zh_CN-two-tablets");
    const char* other = text("deviceTitle") == first ? "device1" : "device0";
    click(other);
    EXPECT_TRUE(showsDevice(text(other)));
    EXPECT_TRUE(item("device0") != nullptr);
}

TEST_F(PagesTest, ProgramProfilesAreListedAndChosenInTheTitleBar) {
    ASSERT_NO_FATAL_FAILURE(startApp());
    core = startCore(tablet_device("t", "ZVM0640EKB", 0x0950, "1-1:1"));
    ASSERT_GT(core, 0);
    ASSERT_TRUE(showsDevice(QStringLiteral("Zerva Mesa 6 Keys"))) << output();
    ASSERT_TRUE(onBridge([](UIManager* ui) { return ui->setAddOneNewApp("/usr/bin/krita"); }));
    onGui([this] {
        window->setProperty("configRevision", window->property("configRevision").toInt() + 1);
    });
    ASSERT_TRUE(
        waitUntil([this] { return item("appProfiles")->property("count").toInt() == 2; }, 3000));
    // Chosen as a user chooses it: the pages now edit that program's profile.
    onGui([this] { QMetaObject::invokeMethod(item("appProfiles"), "activated", Q_ARG(int, 1)); });
    EXPECT_TRUE(waitUntil(
        [this] {
            QQuickItem* box = item("appProfiles");
            return box->property("currentIndex").toInt() == 1 &&
                   box->property("displayText").toString() == QLatin1String("krita");
        },
        3000));
    EXPECT_EQ(onBridge([](UIManager* ui) { return ui->getCurrentCfgIdx(); }), 0);
}

TEST_F(PagesTest, BackupRoundTripsAsksBeforeRestoringAndReportsAFailedSave) {
    ASSERT_NO_FATAL_FAILURE(startApp());
    core = startCore(tablet_device("t", "ZVM0640EKB", 0x0950, "1-1:1"));
    ASSERT_GT(core, 0);
    ASSERT_TRUE(showsDevice(QStringLiteral("Zerva Mesa 6 Keys"))) << output();
    click("nav_backup");
    ASSERT_TRUE(waitUntil([this] { return shown(item("exportButton")); }, 3000));

    const auto speed = [this] {
        return onBridge([](UIManager* ui) { return ui->getMouseSpeed(); });
    };
    const auto setSpeed = [this](int v) {
        return onBridge([v](UIManager* ui) { return ui->setMouseSpeed(v); });
    };
    const int defaults = speed();
    const int exported = defaults == 3 ? 7 : 3;
    ASSERT_TRUE(setSpeed(exported));
    const std::string file = dir() + "/backup.cfg";
    call("backupPage", "requestExport", QString::fromStdString(file));
    answer("messageOk");
    EXPECT_EQ(text("messageTitle").toStdString(), "操作成功");
    answer("messageOk");
    struct stat st;
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_GT(st.st_size, 0);

    ASSERT_TRUE(setSpeed(exported + 1));
    call("backupPage", "requestImport", QString::fromStdString(file));
    answer("messageOk");
    EXPECT_EQ(text("messageTitle").toStdString(), "操作成功");
    answer("messageOk");
    EXPECT_EQ(speed(), exported);

    // Restoring asks first; no changes nothing.
    click("restoreButton");
    EXPECT_EQ(text("messageTitle").toStdString(), "请确认");
    screenshot("zh_CN-backup-restore-asks");
    answer("messageCancel");
    EXPECT_FALSE(visible("messageBox"));
    EXPECT_EQ(speed(), exported);
    click("restoreButton");
    answer("messageOk");
    EXPECT_EQ(text("messageTitle").toStdString(), "操作成功");
    answer("messageOk");
    EXPECT_EQ(speed(), defaults);

    // The store cannot replace the device's file: the user hears of it.
    const std::string user = userFile("ZVM0640EKB");
    ASSERT_EQ(unlink(user.c_str()), 0);
    ASSERT_EQ(mkdir(user.c_str(), 0755), 0);
    click("restoreButton");
    answer("messageOk");
    EXPECT_EQ(text("messageTitle").toStdString(), "操作失败");
    screenshot("zh_CN-backup-failed");
    answer("messageOk");
}

TEST_F(PagesTest, EveryPageFitsIsTranslatedAndCanBeReachedByKeyboard) {
    ASSERT_NO_FATAL_FAILURE(startApp());
    core = startCore(tablet_device("t", "ZVM0640EKB", 0x0950, "1-1:1"));
    ASSERT_GT(core, 0);
    ASSERT_TRUE(showsDevice(QStringLiteral("Zerva Mesa 6 Keys"))) << output();
    const char* pages[] = {"tabletKeys", "workArea", "penKeys", "pressure",
                           "thisDevice", "backup",   "general", "about"};
    for (const char* language : {"zh_CN", "en"}) {
        click("nav_general");
        chooseLanguage(language);
        const bool english = strcmp(language, "en") == 0;
        ASSERT_TRUE(waitUntil(
            [&] {
                const QString t = item("nav_general")->property("text").toString();
                return english ? t == QLatin1String("General") : t == QStringLiteral("通用");
            },
            3000))
            << language;
        for (const char* page : pages) {
            click((std::string("nav_") + page).c_str());
            // The device's own page fills in as the tablet answers.
            if (strcmp(page, "thisDevice") == 0) {
                EXPECT_TRUE(waitUntil([this] { return shown(item("batteryLevel")); }, 5000))
                    << output();
            }
            EXPECT_EQ(pageProblems(english).toStdString(), "") << language << " " << page;
            screenshot(std::string(language) + "-" + page);
        }
    }
    EXPECT_FALSE(text("firmwareVersion").isEmpty());

    // The About page's word, typed with Ctrl held, shows its hidden line.
    click("nav_about");
    EXPECT_FALSE(visible("hiddenLine"));
    for (const char c : std::string(ZV_ABOUT_WORD))
        onGui(
            [&] { QTest::keyClick(window, Qt::Key(Qt::Key_A + (c - 'a')), Qt::ControlModifier); });
    EXPECT_TRUE(visible("hiddenLine"));
}

TEST_F(PagesTest, AHotKeyTakenByAnotherProgramIsReportedOnTheGeneralPage) {
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    const KeyCode h = XKeysymToKeycode(other, XK_h);
    // Every lock-key state, as a grabbing program does: the grab must collide with ours.
    for (unsigned locks :
         {0u, unsigned(LockMask), unsigned(Mod2Mask), unsigned(LockMask | Mod2Mask)})
        XGrabKey(other, h, ControlMask | ShiftMask | locks, DefaultRootWindow(other), True,
                 GrabModeAsync, GrabModeAsync);
    XSync(other, False);

    ASSERT_NO_FATAL_FAILURE(startApp());
    core = startCore(tablet_device("t", "ZVM0640EKB", 0x0950, "1-1:1"));
    ASSERT_GT(core, 0);
    ASSERT_TRUE(showsDevice(QStringLiteral("Zerva Mesa 6 Keys"))) << output();
    click("nav_general");
    EXPECT_TRUE(waitUntil([this] { return shown(item("hotKeyConflict")); }, 3000));
    EXPECT_EQ(text("hotKeyConflict").toStdString(), "热键冲突，请重新设定");
    screenshot("zh_CN-hot-key-taken");

    // The user picks another one in the field: it is taken, kept and the message goes.
    click("hotKeyBox");
    onGui([this] { QTest::keyClick(window, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier); });
    EXPECT_TRUE(waitUntil([this] { return !shown(item("hotKeyConflict")); }, 3000));
    EXPECT_EQ(onBridge([](UIManager* ui) { return ui->getHotKey(); }).toStdString(),
              "Ctrl + Alt + K");
    XCloseDisplay(other);
}

TEST_F(PagesTest, TheWindowIsScaledDownToASmallLaptopScreen) {
    // The X screen itself becomes a laptop's panel, as Qt learns it from the output's mode.
    (void)xvfb->xrandr({"--newmode", "zv1366", "85.25", "1366", "1440", "1576", "1784", "768",
                        "771", "781", "798"});
    (void)xvfb->xrandr({"--addmode", "screen", "zv1366"});
    ASSERT_TRUE(xvfb->xrandr({"--output", "screen", "--mode", "zv1366"}));
    ASSERT_NO_FATAL_FAILURE(startApp());
    int width = 0, height = 0;
    ASSERT_TRUE(waitUntil(
        [&] {
            width = window->width();
            height = window->height();
            return width <= 1366 && height <= 768;
        },
        5000))
        << width << "x" << height;
    EXPECT_GT(height, 700) << "scaled to fit, not shrunk further";
    EXPECT_EQ(pageProblems(false).toStdString(), "");
    screenshot("zh_CN-small-screen");
}

int main(int argc, char** argv) {
    // Private settings of the user (language, hot key, autostart) for the whole program.
    const QByteArray config = ZV_BINARY_DIR "/tests/integration/DriverUI/pages-config";
    QDir(QString::fromLatin1(config)).removeRecursively();
    qputenv("XDG_CONFIG_HOME", config);
    qputenv("QT_QUICK_BACKEND", "software");
    PagesTest::startProgram();
    // No X server: the tests skip, but the application must still come up to say so.
    if (!PagesTest::haveDisplay())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int result = 1;
    {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        zv_register_app_types();
        ::testing::InitGoogleTest(&argc, argv);
        std::thread tests([&] {
            result = RUN_ALL_TESTS();
            QMetaObject::invokeMethod(&app, "quit", Qt::QueuedConnection);
        });
        QApplication::exec();
        tests.join();
        // What the last window left for the event loop to delete (its scene graph's textures).
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // After the application has let go of the display.
    DaemonTest::tearDownProgram();
    return result;
}
