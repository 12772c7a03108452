// A tablet's settings through the real store, in files of the test's own: each setter saves its
// field (and only a valid value), profiles, defaults, export and import.
#include "Tablet.h"
#include "ZvConfStoreDll.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QUrl>

#include <functional>
#include <memory>
#include <string.h>

namespace {

const QString kDir = QStringLiteral(ZV_TEST_APP_DIR);
const QString kModel = QStringLiteral("ZVM0640EKB"); // 4 express keys, 2 pen buttons

class TabletStore : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        store = new ZvConfStoreDll();
        ASSERT_TRUE(store->load((kDir + "/libs/libconfstore.so").toUtf8().constData()));
    }
    static void TearDownTestSuite() {
        delete store;
        store = nullptr;
    }
    void SetUp() override {
        QFile::remove(file());
        QDir(file()).removeRecursively();
        tablet = open();
        ASSERT_TRUE(QFile::exists(file())) << "the first read saves the per-model file";
    }
    static QString file(const QString& model = kModel) { return kDir + "/res/" + model + ".cfg"; }
    // A fresh object reads what the store holds.
    static std::unique_ptr<Tablet> open(const QString& model = kModel) {
        auto t = std::make_unique<Tablet>(store, kDir, kDir);
        EXPECT_TRUE(t->SetDevModel(model));
        return t;
    }
    static QByteArray bytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static ZvConfStoreDll* store;
    std::unique_ptr<Tablet> tablet;
};

ZvConfStoreDll* TabletStore::store = nullptr;

} // namespace

TEST_F(TabletStore, EachSetterSavesAValidValueAndRefusesOthers) {
    using Check = std::function<bool(const Tablet&)>;
    const struct {
        const char* what;
        std::function<bool(Tablet&)> set;
        bool saved;
        Check check; // on a fresh read of the files
    } cases[] = {
        {"express keys off", [](Tablet& t) { return t.SetHKeyState(false); }, true,
         [](const Tablet& t) { return !t.GetHkeyStatus(-1); }},
        {"mouse speed 7", [](Tablet& t) { return t.SetMouseSpeed(7); }, true,
         [](const Tablet& t) { return t.GetMouseSpeed() == 7; }},
        {"mouse speed 11", [](Tablet& t) { return t.SetMouseSpeed(11); }, false,
         [](const Tablet& t) { return t.GetMouseSpeed() == 7; }},
        {"rotation 270", [](Tablet& t) { return t.SetDevRotate(270); }, true,
         [](const Tablet& t) { return t.GetDevRotate() == 270; }},
        {"rotation 45", [](Tablet& t) { return t.SetDevRotate(45); }, false,
         [](const Tablet& t) { return t.GetDevRotate() == 270; }},
        {"screen 1", [](Tablet& t) { return t.SetMapScreen(1); }, true,
         [](const Tablet& t) { return t.GetMapScreen() == 1; }},
        {"screen 9", [](Tablet& t) { return t.SetMapScreen(9); }, false,
         [](const Tablet& t) { return t.GetMapScreen() == 1; }},
        {"area of screen 1",
         [](Tablet& t) {
             return t.SetScreenAreaRatio({0.1f, 0.2f, 0.5f, 0.6f}, -1);
         },
         true, [](const Tablet& t) { return t.GetScreenAreaRatio(-1).r == 0.5f; }},
        {"all screens", [](Tablet& t) { return t.SetMapToAllScreen(true); }, true,
         [](const Tablet& t) { return t.GetMapScreen() == Tablet::kAllScreens; }},
        {"area of all screens",
         [](Tablet& t) {
             return t.SetScreenAreaRatio({0.1f, 0.2f, 0.3f, 0.4f}, -1);
         },
         false, [](const Tablet& t) { return t.GetScreenAreaRatio(-1).r == 1.0f; }},
        {"tablet area",
         [](Tablet& t) {
             return t.SetTabletAreaRatio({0, 0, 0.5f, 0.5f}, -1);
         },
         true, [](const Tablet& t) { return t.GetTabletAreaRatio(-1).b == 0.5f; }},
        {"tablet area inside out",
         [](Tablet& t) {
             return t.SetTabletAreaRatio({0.6f, 0, 0.5f, 1}, -1);
         },
         false, [](const Tablet& t) { return t.GetTabletAreaRatio(-1).l == 0.0f; }},
        {"pressure curve",
         [](Tablet& t) {
             return t.SetPressureSetting({100, 0}, {3000, 3000}, {6000, 7000}, -1);
         },
         true,
         [](const Tablet& t) {
             ZvPoint a, b, c;
             return t.GetPressureSetting(&a, &b, &c, -1) && a.x == 100 && c.y == 7000 &&
                    t.userCfg().base.app0.pressFactor == 32767;
         }},
        {"pressure past maxP",
         [](Tablet& t) {
             return t.SetPressureSetting({0, 0}, {1, 1}, {9000, 1}, -1);
         },
         false,
         [](const Tablet& t) {
             ZvPoint a, b, c;
             return t.GetPressureSetting(&a, &b, &c, -1) && c.x == 6000;
         }},
        {"express key 3",
         [](Tablet& t) {
             ZvEkey k{};
             strcpy(k.name, "Copy");
             return t.SetHkeyValue(-1, 3, k);
         },
         true,
         [](const Tablet& t) {
             ZvEkey k;
             return t.GetHkeyValue_r(-1, 3, &k) && strcmp(k.name, "Copy") == 0;
         }},
        {"express key 4 of 4",
         [](Tablet& t) {
             ZvEkey k{};
             return t.SetHkeyValue(-1, 4, k);
         },
         false,
         [](const Tablet& t) {
             ZvEkey k;
             return !t.GetHkeyValue_r(-1, 4, &k);
         }},
        {"pen button 2 of 2",
         [](Tablet& t) {
             ZvEkey k{};
             return t.SetPkeyValue(-1, 2, k);
         },
         false, [](const Tablet&) { return true; }},
    };
    for (const auto& c : cases) {
        const QByteArray before = bytes(file());
        EXPECT_EQ(c.set(*tablet), c.saved) << c.what;
        if (!c.saved) {
            EXPECT_EQ(bytes(file()), before) << c.what << ": a refused value wrote nothing";
        }
        EXPECT_TRUE(c.check(*open())) << c.what;
    }
}

TEST_F(TabletStore, ApplicationProfilesStartAsTheDefaultAndTakeTheSetters) {
    ASSERT_TRUE(tablet->SetMouseSpeed(5));
    ASSERT_TRUE(tablet->AddOneNewApp(QStringLiteral("/usr/bin/draw")));
    EXPECT_FALSE(tablet->AddOneNewApp(QStringLiteral("/usr/bin/draw"))) << "listed already";
    EXPECT_FALSE(tablet->AddOneNewApp(QString(300, QLatin1Char('x')))) << "longer than the field";
    ASSERT_TRUE(tablet->SetCurrentCfgIdx(0));
    EXPECT_EQ(tablet->GetMouseSpeed(), 5) << "a new profile is a copy of the default one";
    ASSERT_TRUE(tablet->SetMouseSpeed(9));
    // The switches' getters read the current profile for any application but -1; a binding
    // for any application but -1 goes to the current profile.
    ASSERT_TRUE(tablet->SetHKeyState(false));
    EXPECT_FALSE(tablet->GetHkeyStatus(5));
    EXPECT_TRUE(tablet->GetHkeyStatus(-1));
    ZvEkey named{};
    strcpy(named.name, "In draw");
    ASSERT_TRUE(tablet->SetHkeyValue(5, 0, named));
    auto again = open();
    EXPECT_STREQ(again->userCfg().apps[0].heks[0].name, "In draw");
    EXPECT_STRNE(again->userCfg().base.app0.heks[0].name, "In draw");
    EXPECT_EQ(again->GetAppList(), QStringList{QStringLiteral("/usr/bin/draw")});
    EXPECT_EQ(again->userCfg().apps[0].mouseModeA, 9);
    EXPECT_EQ(again->userCfg().base.app0.mouseModeA, 5);
    for (int i = 1; i < ZV_MAX_APPS; ++i)
        ASSERT_TRUE(tablet->AddOneNewApp(QStringLiteral("/app%1").arg(i)));
    EXPECT_FALSE(tablet->AddOneNewApp(QStringLiteral("/app8"))) << "all seven in use";
    EXPECT_FALSE(tablet->SetCurrentCfgIdx(ZV_MAX_APPS));

    // Back to the shipped settings: the profiles go too.
    ASSERT_TRUE(tablet->LoadDefCfg());
    EXPECT_TRUE(open()->GetAppList().isEmpty());
    EXPECT_EQ(tablet->currentAppIdx(), -1);
    QFile::remove(file());
    EXPECT_TRUE(tablet->LoadDefCfg()) << "no file to remove is no failure";
}

TEST_F(TabletStore, ExportAndImportRoundTripAndForeignFilesAreRefused) {
    const QString dir = QDir::tempPath() + QStringLiteral("/zv export ü");
    QDir().mkpath(dir);
    const QString path = dir + QStringLiteral("/mine.cfg");
    ASSERT_TRUE(tablet->SetMouseSpeed(4));
    ASSERT_TRUE(tablet->ExportCfg(QUrl::fromLocalFile(path).toString()));
    const QByteArray exported = bytes(path);
    ASSERT_EQ(exported.size(), kUserCfgFileSize);
    ASSERT_TRUE(tablet->SetMouseSpeed(8));
    ASSERT_TRUE(tablet->LoadCfg(QUrl::fromLocalFile(path).toString()));
    EXPECT_EQ(memcmp(&open()->userCfg(), exported.constData(), size_t(kUserCfgFileSize)), 0)
        << "the store holds exactly what was exported";

    // Another model's file, a short file, a file with an unterminated name or a value out of
    // range: refused, the saved settings unchanged.
    auto other = open(QStringLiteral("ZVM1060SLD"));
    ASSERT_TRUE(other->ExportCfg(dir + "/other.cfg"));
    QByteArray unterminated = exported;
    ZvUserConfig* uc = reinterpret_cast<ZvUserConfig*>(unterminated.data());
    memset(uc->base.app0.heks[0].name, 'A', sizeof uc->base.app0.heks[0].name);
    QByteArray rotated = exported;
    reinterpret_cast<ZvUserConfig*>(rotated.data())->base.app0.rotateAngle = 45;
    const struct {
        const char* name;
        QByteArray content;
    } refused[] = {{"short", exported.left(1000)},
                   {"long", exported + "x"},
                   {"unterminated", unterminated},
                   {"rotated", rotated}};
    for (const auto& r : refused) {
        QFile f(dir + "/" + r.name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(r.content);
        f.close();
    }
    const QByteArray saved = bytes(file());
    for (const char* name : {"other.cfg", "short", "long", "unterminated", "rotated", "missing"})
        EXPECT_FALSE(tablet->LoadCfg(dir + "/" + name)) << name;
    EXPECT_EQ(bytes(file()), saved);
    EXPECT_EQ(tablet->GetMouseSpeed(), 4);
    QDir(dir).removeRecursively();
}

TEST_F(TabletStore, AFailedSaveIsReportedAndChangesNothing) {
    // Where the store would replace the file there is a folder: the save fails.
    ASSERT_TRUE(QFile::remove(file()));
    ASSERT_TRUE(QDir().mkdir(file()));
    EXPECT_FALSE(tablet->SetMouseSpeed(6));
    EXPECT_NE(tablet->GetMouseSpeed(), 6);
    EXPECT_FALSE(tablet->ExportCfg(QDir::tempPath() + "/no/such/folder/x.cfg"));
}
