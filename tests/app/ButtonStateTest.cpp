// Which transport and edit buttons and menus are available, in every state
// the user can reach: nothing loaded, loaded with the whole recording or a
// part of it as the range, playing, paused, the start bracket set, test mode.
// Every state is reached with real clicks on the buttons, the bar and the menus.
#include "ButtonImages.h"
#include "PlayerFixture.h"


#include <functional>

namespace kv::test {
namespace {

class ButtonStateTest : public PlayerWindowTest {
protected:
    void SetUp() override {
        start();
        writeText(dir.file("dummy.mp3"), "ID3");
        writePair("walk001", plainRecords(3000));
    }
    bool shows(QToolButton* b, const char* picture) {
        const QColor ink = QApplication::palette().color(QPalette::ButtonText);
        return b->icon().pixmap(24).toImage() ==
               buttonImage(QString::fromLatin1(picture), ink).pixmap(24).toImage();
    }
};

// One character per control, in the order of kColumns (blanks only group them):
// 'e' enabled, '.' disabled, 'h' hidden; for the Play button's picture 'P'
// "Play", 'Z' "Pause". Left and Right are the start and end bracket buttons.
constexpr char kColumns[] = "Stop Play, Picture, Rev Fwd Left Right Expand, Save Load Loop, "
                            "mnuTest mnuFile";

struct Row {
    const char* state; // loaded, play mode, range, start bracket, test mode
    std::function<void()> act;
    const char* expected;
};

TEST_F(ButtonStateTest, EveryStateReachedByClicksEnablesTheButtonsItShould) {
    const Row rows[] = {
        {"nothing loaded, idle", [] {}, ".. P ..... .eh ee"},
        {"loaded by the Load button, whole range",
         [this] {
             log.fileAnswers.push_back(dir.file("walk001.kvd"));
             click("cmdLoad");
         },
         ".e P ..... eeh ee"},
        {"idle, range from a click at 30 % to the end", [this] { dragOnBar(300, 300); },
         ".e P ....e eeh ee"},
        {"idle, right click: the whole recording again",
         [this] { QTest::mouseClick(bar(), Qt::RightButton, {}, onBar(500)); },
         ".e P ..... eeh ee"},
        {"idle, range from the first record to 60 %", [this] { dragOnBar(5, 600); },
         ".e P ....e eeh ee"},
        {"idle, range from 20 % to 60 %", [this] { dragOnBar(200, 600); }, ".e P ....e eeh ee"},
        {"idle, whole range again",
         [this] { QTest::mouseClick(bar(), Qt::RightButton, {}, onBar(500)); },
         ".e P ..... eeh ee"},
        {"playing, no start bracket",
         [this] {
             click("cmdPlay");
             run(1.5);
         },
         "ee Z eee.. .he .."},
        {"playing, start bracket set", [this] { click("cmdEditStart"); }, "ee Z ee.e. .he .."},
        {"paused, start bracket set",
         [this] {
             click("cmdPlay");
             run(1.1);
         },
         "ee P ee.e. .he .."},
        {"stopped: idle, range from the start bracket to the end",
         [this] {
             click("cmdStop");
             run(1.1);
         },
         ".e P ....e eeh ee"},
        {"test mode (nothing loaded, the recording panel disabled)",
         [this] { choose("mnuTest", "mnuTestOn"); }, ".. P ..... ..h ee"},
        {"test mode ended: nothing loaded, idle",
         [this] {
             choose("mnuTest", "mnuTestOn");
             run(0.05);
         },
         ".. P ..... .eh ee"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.state);
        row.act();
        QWidget* w = window.get();
        auto on = [](bool enabled) { return enabled ? 'e' : '.'; };
        auto shown = [w, on](QWidget* b) { return b->isVisibleTo(w) ? on(b->isEnabled()) : 'h'; };
        QToolButton* play = button("cmdPlay");
        const char picture = shows(play, "Pause") ? 'Z' : shows(play, "Play") ? 'P' : '?';
        const std::string seen{on(button("cmdStop")->isEnabled()),
                               on(play->isEnabled()),
                               picture,
                               on(button("cmdRev")->isEnabled()),
                               on(button("cmdFwd")->isEnabled()),
                               on(button("cmdEditStart")->isEnabled()),
                               on(button("cmdEditEnd")->isEnabled()),
                               on(button("cmdExpand")->isEnabled()),
                               on(button("cmdSave")->isEnabled()),
                               shown(button("cmdLoad")),
                               shown(button("cmdLoop")),
                               on(window->menus().menu(QStringLiteral("mnuTest"))->isEnabled()),
                               on(window->menus().menu(QStringLiteral("mnuFile"))->isEnabled())};
        std::string expected = row.expected;
        std::erase(expected, ' ');
        EXPECT_EQ(seen, expected) << kColumns;
    }
}

} // namespace
} // namespace kv::test
