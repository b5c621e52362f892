// The Audio menu's listening items: speed, sync offset, output device,
// volume and mute, applied to the channel, the engine and the meter's clock,
// and kept in the settings file's [Player] section.
#include "ListeningMenu.h"
#include "AudioListening.h"
#include "DemoData.h"
#include "KvdFile.h"
#include "MeterPanelView.h"
#include "MeterReplay.h"
#include "PlayerPreferences.h"
#include "WindowFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QSpinBox>
#include <QTest>

#include <algorithm>

namespace kv::test {
namespace {

class FakeListening final : public AudioListening {
public:
    void setSpeed(double s) override { speed = s; }
    void setVolume(double g) override { gain = g; }
    void setOutputDevice(const std::string& name) override {
        device = name;
        // As the channel does when it next opens a file with a device gone.
        if (!name.empty() && std::find(devices.begin(), devices.end(), name) == devices.end() &&
            onNotice)
            onNotice("Output device \"" + name +
                     "\" not found: playing through the system default");
    }
    std::vector<std::string> outputDevices() override { return devices; }

    double speed = 1.0;
    double gain = 1.0;
    std::string device;
    std::vector<std::string> devices{"Speakers", "Headphones"};
};

class ListeningMenuTest : public WindowFixture {
protected:
    ListeningMenuTest() { make(); }
    void make() {
        window.reset();
        WindowContext ctx{&settings, &config, &audio, &sched, dir.path(), dir.file("dummy.mp3"),
                          dir.path()};
        ctx.listening = &fake;
        window = std::make_unique<MainWindow>(ctx, std::make_unique<ScriptedDialogs>(&log));
        window->Form_Load(1920);
        window->show();
    }
    QAction* action(const char* name) {
        auto* a = window->findChild<QAction*>(QString::fromLatin1(name));
        EXPECT_NE(a, nullptr) << name;
        return a;
    }
    QMenu* menu(const char* name) { return window->findChild<QMenu*>(QString::fromLatin1(name)); }
    // Each item's caption, "*" when checked, " (disabled)" when disabled.
    static std::vector<std::string> texts(QMenu* m) {
        std::vector<std::string> out;
        for (QAction* a : m->actions())
            out.push_back(a->text().toStdString() + (a->isChecked() ? "*" : "") +
                          (a->isEnabled() ? "" : " (disabled)"));
        return out;
    }
    PlayerPreferences saved() { return loadPlayerPreferences(settings.SettingsFilePath); }
    std::string modeText() { return window->panelView().panel().readouts.modeText; }
    void run(double seconds, int unitsPerMs = 1) {
        const double t0 = sched.now();
        for (int i = 1; i <= static_cast<int>(seconds * 1000 + 0.5); ++i) {
            if (audio.mode == "playing") audio.position += unitsPerMs;
            sched.runUntil(t0 + i / 1000.0 + 1e-9);
        }
    }

    FakeListening fake;
};

TEST_F(ListeningMenuTest, TheItemsFollowTheDescribedOnesBehindASeparator) {
    std::vector<std::string> captions;
    for (QAction* a : menu("mnuRecAudioMode")->actions())
        captions.push_back(a->isSeparator() ? "-" : a->text().toStdString());
    EXPECT_EQ(captions, (std::vector<std::string>{"On", "Off", "-", "Speed", "Sync Offset…",
                                                  "Output Device", "Volume", "Mute"}));
    EXPECT_EQ(texts(menu("mnuListenSpeed")),
              (std::vector<std::string>{"0.5×", "0.75×", "1×*", "1.25×", "1.5×", "2×"}));
    EXPECT_EQ(menu("mnuListenVolume")->actions().size(), 11);
    EXPECT_TRUE(action("mnuListenVolume100")->isChecked());
    EXPECT_FALSE(action("mnuListenMute")->isChecked());
}

TEST_F(ListeningMenuTest, ASpeedIsAppliedSavedAndRestoredAtTheNextStart) {
    action("mnuListenSpeed150")->trigger();
    EXPECT_EQ(fake.speed, 1.5);
    EXPECT_EQ(window->engine().Speed, 1.5);
    EXPECT_EQ(saved().SpeedPercent, 150);
    fake.speed = 1.0;
    make();
    EXPECT_EQ(fake.speed, 1.5);
    EXPECT_EQ(window->engine().Speed, 1.5);
    EXPECT_TRUE(action("mnuListenSpeed150")->isChecked());
    EXPECT_FALSE(action("mnuListenSpeed100")->isChecked());
}

// What is typed into the field is taken whole or refused with the limits:
// 900 never becomes 90, and the dialog stays open until a value fits.
TEST_F(ListeningMenuTest, TheSyncOffsetIsTypedIntoItsDialogAndSaved) {
    log.onModal = [](QDialog& d) {
        d.show();
        d.activateWindow();
        QWidget* field = d.focusWidget();
        ASSERT_NE(field, nullptr);
        ASSERT_EQ(field->objectName(), QStringLiteral("txtSyncOffset"));
        auto* problem = d.findChild<QLabel*>(QStringLiteral("lblSyncOffsetProblem"));
        ASSERT_NE(problem, nullptr);
        for (const char* refused : {"900", "-501", "abc", "12.5", "1e2", ""}) {
            SCOPED_TRACE(refused);
            QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(field, Qt::Key_Delete);
            QTest::keyClicks(field, QString::fromLatin1(refused));
            QTest::keyClick(field, Qt::Key_Return);
            EXPECT_TRUE(d.isVisible());
            EXPECT_NE(d.result(), QDialog::Accepted);
            EXPECT_TRUE(problem->isVisible());
            EXPECT_TRUE(problem->text().contains(QStringLiteral("from -500 to 500")))
                << problem->text().toStdString();
            EXPECT_EQ(d.focusWidget(), field);
        }
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, QStringLiteral("-200"));
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_EQ(d.result(), QDialog::Accepted);
    };
    action("mnuListenSyncOffset")->trigger();
    EXPECT_EQ(window->engine().SyncOffsetMs, -200);
    EXPECT_EQ(saved().SyncOffsetMs, -200);
    // The limits themselves are taken.
    log.onModal = [](QDialog& d) {
        d.show();
        QWidget* field = d.focusWidget();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, QStringLiteral("500"));
        QTest::keyClick(field, Qt::Key_Return);
    };
    action("mnuListenSyncOffset")->trigger();
    EXPECT_EQ(window->engine().SyncOffsetMs, 500);
    // Cancel keeps the offset.
    log.onModal = [](QDialog& d) { d.reject(); };
    action("mnuListenSyncOffset")->trigger();
    EXPECT_EQ(window->engine().SyncOffsetMs, 500);
    make();
    EXPECT_EQ(window->engine().SyncOffsetMs, 500);
}

TEST_F(ListeningMenuTest, VolumeAndMuteSetTheGainAndAreSaved) {
    action("mnuListenVolume30")->trigger();
    EXPECT_DOUBLE_EQ(fake.gain, 0.3);
    action("mnuListenMute")->trigger();
    EXPECT_EQ(fake.gain, 0.0);
    EXPECT_EQ(saved().VolumePercent, 30);
    EXPECT_TRUE(saved().Mute);
    make();
    EXPECT_EQ(fake.gain, 0.0);
    EXPECT_TRUE(action("mnuListenMute")->isChecked());
    EXPECT_TRUE(action("mnuListenVolume30")->isChecked());
    action("mnuListenMute")->trigger();
    EXPECT_DOUBLE_EQ(fake.gain, 0.3);
    EXPECT_FALSE(saved().Mute);
}

TEST_F(ListeningMenuTest, TheDeviceMenuListsTheDevicesAndSavesTheChoiceByName) {
    QMenu* devices = menu("mnuListenDevice");
    QMetaObject::invokeMethod(devices, "aboutToShow");
    EXPECT_EQ(texts(devices),
              (std::vector<std::string>{"System default*", "Speakers", "Headphones"}));
    devices->actions().at(2)->trigger();
    EXPECT_EQ(fake.device, "Headphones");
    EXPECT_EQ(saved().OutputDevice, "Headphones");
    fake.device.clear();
    make();
    EXPECT_EQ(fake.device, "Headphones");
}

TEST_F(ListeningMenuTest, AVanishedDeviceFallsBackWithAMessageInTheModeReadout) {
    menu("mnuListenDevice")->actions().at(2)->trigger(); // Headphones
    fake.devices = {"Speakers"};                         // unplugged
    make();
    EXPECT_EQ(modeText(),
              "Output device \"Headphones\" not found: playing through the system default");
    QMenu* devices = menu("mnuListenDevice");
    QMetaObject::invokeMethod(devices, "aboutToShow");
    EXPECT_EQ(texts(devices),
              (std::vector<std::string>{"System default", "Headphones (not found)* (disabled)",
                                        "Speakers"}));
    EXPECT_EQ(saved().OutputDevice, "Headphones"); // kept for when it comes back
}

// Under Override at 2x, the meter's timers run on recording time: every
// record shown has the SET point, lamp and motion state that the offline
// replay (kvtool recompute) gives for it.
TEST_F(ListeningMenuTest, OverrideAtEverySpeedGivesTheReplaysRows) {
    DemoOptions o;
    o.records = 50 * 60;
    ASSERT_FALSE(writeKvdFile(dir.file("demo001.kvd"), makeDemoRecords(o)));
    writeText(dir.file("demo001.mp3"), "ID3");
    for (const int speed : {100, 200}) {
        SCOPED_TRACE(speed);
        make();
        window->openChosenFile(dir.file("demo001.kvd"));
        ASSERT_TRUE(window->isLoaded());
        QTest::mouseClick(window->findChild<QCheckBox*>(QStringLiteral("chkOveride")),
                          Qt::LeftButton);
        ASSERT_TRUE(window->meter().Override);
        action(speed == 100 ? "mnuListenSpeed100" : "mnuListenSpeed200")->trigger();
        MeterModel& m = window->meter();
        MeterReplay replay(OverrideOptions{m.DialType, m.KnobIndex, 2, m.FreezeEnable,
                                           m.NeedleBdEnable, m.BdEnabled},
                           m.DialType);
        replay.model().BmThreshold = m.BmThreshold;
        int rows = 0, differing = 0, setChanges = 0;
        std::int32_t lastSet = 0;
        window->onRecordShown = [&](const SampleRecord& r) {
            replay.step(r);
            const MeterModel& x = replay.model();
            ++rows;
            if (x.SetPoint != lastSet) ++setChanges;
            lastSet = x.SetPoint;
            if (m.SetPoint != x.SetPoint || m.LampColor != x.LampColor ||
                m.MotionActive != x.MotionActive || m.BdTotal != x.BdTotal)
                ++differing;
        };
        window->engine().cmdPlay_Click();
        run(1.0);
        run(40.0 * 100 / speed, speed / 100);
        window->onRecordShown = {};
        EXPECT_GT(rows, 1900);
        EXPECT_GE(setChanges, 3); // the timers did act
        EXPECT_EQ(differing, 0);
        window->engine().abandon();
    }
}

} // namespace
} // namespace kv::test
