// What the Go To Time dialog accepts: session times in three forms, times of
// day with a clock mark, and a reason for everything else.
#include "SessionTime.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

constexpr std::int32_t kTwoHours = 2 * 3600 * 1000;
constexpr std::int32_t kAt1030 = 10 * 3600 + 30 * 60; // clock mark 10:30:00

TEST(SessionTimeTest, AcceptedFormsGiveWholeMilliseconds) {
    struct Case {
        const char* text;
        std::int32_t clock;
        std::int32_t ms;
        bool timeOfDay;
    };
    const Case cases[] = {
        {"1:23:45", 0, 5025000, false},
        {"83:45", 0, 5025000, false},
        {"5025", 0, 5025000, false},
        {"12.5s", 0, 12500, false},
        {"12.5", 0, 12500, false},
        {"12S", 0, 12000, false},
        {"  0:07.125 ", 0, 7125, false},
        {"0", 0, 0, false},
        {"2:00:00", 0, kTwoHours, false}, // the very end
        {"10:41:30", kAt1030, 690000, true},
        {"10:30:00", kAt1030, 0, true},
        {"1:23:45", kAt1030, 5025000, false}, // not within the recording as a time of day
        {"83:45", kAt1030, 5025000, false},   // two parts are never a time of day
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const SessionTimeResult r = parseSessionTime(c.text, {kTwoHours, c.clock});
        ASSERT_TRUE(r.ok) << r.reason;
        EXPECT_EQ(r.ms, c.ms);
        EXPECT_EQ(r.timeOfDay, c.timeOfDay);
        EXPECT_TRUE(r.reason.empty());
    }
}

TEST(SessionTimeTest, AClockPastMidnightGoesOnFromTwentyFourHours) {
    const SessionTimeResult r = parseSessionTime("0:10:00", {kTwoHours, 23 * 3600 + 30 * 60});
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_TRUE(r.timeOfDay);
    EXPECT_EQ(r.ms, 40 * 60 * 1000);
}

TEST(SessionTimeTest, RefusedInputsSayWhy) {
    struct Case {
        const char* text;
        std::int32_t clock;
        const char* reasonPart;
    };
    const Case cases[] = {
        {"", 0, "No time was typed"},
        {"   ", 0, "No time was typed"},
        {"-5", 0, "cannot be negative"},
        {"-0:10", 0, "cannot be negative"},
        {"99:99:99", 0, "from 00 to 59"},
        {"1:60", 0, "from 00 to 59"},
        {"1e309", 0, "is not a time"},
        {"inf", 0, "is not a time"},
        {"nan", 0, "is not a time"},
        {"ten", 0, "is not a time"},
        {"0x10", 0, "is not a time"},
        {"1:2:3:4", 0, "is not a time"},
        {"1::30", 0, "is not a time"},
        {"12.", 0, "is not a time"},
        {"1.2345", 0, "is not a time"},
        {"+5", 0, "is not a time"},
        {"99999999999999999999", 0, "is not a time"},
        {"7201", 0, "past the end of the recording (2:00:00)"},
        {"2:00:00.001", 0, "past the end"},
        {"10:41:30", 0, "no clock mark"},      // a time of day without a clock mark
        {"13:00:00", kAt1030, "outside the recording too"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const SessionTimeResult r = parseSessionTime(c.text, {kTwoHours, c.clock});
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.reason.find(c.reasonPart), std::string::npos) << r.reason;
    }
}

} // namespace
} // namespace kv
