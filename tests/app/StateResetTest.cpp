// State that must start afresh: the playback range after a new load, the
// meter's filter after a loop restart under Override, the counter's text
// when it is zeroed.
#include "MeterPanelView.h"
#include "PlayerFixture.h"

#include <QCheckBox>
#include <QTest>

#include <vector>

namespace kv::test {
namespace {

class StateResetTest : public PlayerWindowTest {
protected:
    void SetUp() override { start(); }
    void loadByButton(const char* base) {
        log.fileAnswers.push_back(dir.file(std::string(base) + ".kvd"));
        QTest::mouseClick(button("cmdLoad"), Qt::LeftButton);
        ASSERT_TRUE(window->isLoaded());
        ASSERT_EQ(window->recording()->LoadedFileBase, dir.file(base));
    }
};

TEST_F(StateResetTest, ANewLoadMakesTheWholeRecordingTheRangeAgain) {
    writePair("first001", plainRecords(3000));
    writePair("second001", plainRecords(2000));
    loadByButton("first001");
    dragOnBar(200, 600);
    ASSERT_GT(window->recording()->LoopStartRecord, 500); // about a fifth of 3000 records
    ASSERT_LT(window->recording()->LoopEndRecord, 2000);  // to about three fifths
    ASSERT_TRUE(button("cmdExpand")->isEnabled());

    loadByButton("second001");
    const PlaybackEngine& e = window->engine();
    EXPECT_EQ(window->recording()->LoopStartRecord, 1);
    EXPECT_EQ(window->recording()->LoopEndRecord, 2000);
    EXPECT_EQ(e.LoopStartX, 0);
    EXPECT_EQ(e.LoopEndX, 1000);
    EXPECT_EQ(bar()->filledTo(), 1000);
    EXPECT_FALSE(button("cmdExpand")->isEnabled());
    // Played, it runs from its first record to its last.
    QTest::mouseClick(button("cmdPlay"), Qt::LeftButton);
    run(1.05);
    EXPECT_LE(window->meter().CurrentRecord.TimeMs, 100);
    run(38.0); // past where the first recording's range ended (about record 1800, 36 s)
    EXPECT_EQ(window->engine().PlayMode, PlayState::Playing);
    EXPECT_GT(window->engine().RecordCursor, 1850);
}

// Under Override the meter filters the raw readings itself. At the first
// record of a play the filter starts from that reading alone, so the filtered
// value equals the raw one; a loop restart must start it afresh the same way,
// not average the new start with the end of the range.
TEST_F(StateResetTest, ALoopRestartUnderOverrideResetsTheMeterAsAPlayStartDoes) {
    settings.values.PlayLoopEnable = true;
    writePair("ramp001", plainRecords(300)); // raw readings 1000, 1001, ... 1299
    loadByButton("ramp001");
    QTest::mouseClick(window->findChild<QCheckBox*>(QStringLiteral("chkOveride")), Qt::LeftButton);
    ASSERT_TRUE(window->meter().Override);
    struct Seen {
        std::int32_t timeMs, raw, filtered;
    };
    std::vector<Seen> seen;
    window->onRecordShown = [&](const SampleRecord& r) {
        seen.push_back({r.TimeMs, window->meter().RawValue, window->meter().FilteredValue});
    };
    QTest::mouseClick(button("cmdPlay"), Qt::LeftButton);
    run(1.0 + 6.0 + 2.0 + 1.0); // banner, the 6 s of records, the restart banner, 1 s more
    window->onRecordShown = {};
    ASSERT_FALSE(seen.empty());
    std::vector<std::size_t> starts{0};
    for (std::size_t i = 1; i < seen.size(); ++i)
        if (seen[i].timeMs < seen[i - 1].timeMs) starts.push_back(i);
    ASSERT_EQ(starts.size(), 2u) << "the range played once and restarted once";
    for (std::size_t at : starts)
        EXPECT_EQ(seen[at].filtered, seen[at].raw) << "the start at " << at;
    // Between the starts the filter lags the rising readings.
    EXPECT_LT(seen[starts[1] - 1].filtered, seen[starts[1] - 1].raw);
}

TEST_F(StateResetTest, ZeroingTheCounterResetsItsText) {
    auto recs = plainRecords(500);
    for (auto& r : recs)
        r.BdCount = 400; // shown as "40.0"
    writePair("count001", recs);
    loadByButton("count001");
    QTest::mouseClick(bar(), Qt::LeftButton, {}, onBar(500)); // shows record 250's readouts
    MeterPanelView& view = window->panelView();
    ASSERT_EQ(window->meter().BdText, "40.0");
    ASSERT_EQ(view.panel().readouts.BdText, "40.0");

    const QPoint at = view.panel().counterRect().center().toPoint() +
                      QPoint(0, std::max(0, (view.height() - view.panel().heightPx()) / 2));
    QTest::mousePress(&view, Qt::LeftButton, {}, at);
    run(1.6); // held: zeroed
    QTest::mouseRelease(&view, Qt::LeftButton, {}, at);
    EXPECT_EQ(window->meter().BdTotal, 0);
    EXPECT_EQ(window->meter().BdText, "0.0");
    EXPECT_EQ(view.panel().readouts.BdText, "0.0");
}

} // namespace
} // namespace kv::test
