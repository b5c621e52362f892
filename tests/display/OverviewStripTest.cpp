#include "OverviewReview.h"
#include "OverviewStrip.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace kv {
namespace {

std::vector<SampleRecord> ramp(int n) {
    std::vector<SampleRecord> rs(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        SampleRecord& r = rs[static_cast<std::size_t>(i)];
        r.TimeMs = i * 20;
        r.NeedlePos = static_cast<std::int16_t>(i % 1000 - 500);
        r.BaseCode = static_cast<std::uint8_t>(100 + i % 7);
        r.RecordType = 'O';
    }
    return rs;
}

TEST(OverviewStrip, PixelsAndRecordsMapBothWaysAtEveryZoom) {
    struct Zoom {
        std::int32_t first, last;
        int width;
    };
    for (const Zoom& z : {Zoom{0, 1'799'999, 3840}, Zoom{0, 8999, 1000}, Zoom{4000, 4499, 1000},
                          Zoom{100, 104, 640}, Zoom{0, 4, 5}, Zoom{10, 1009, 333}}) {
        const OverviewMapping m{z.first, z.last, z.width};
        EXPECT_EQ(m.firstRecordOf(0), z.first);
        EXPECT_EQ(m.firstRecordOf(z.width), z.last + 1);
        // Every record lies in the column it maps to.
        const std::int32_t stride = std::max(1, m.count() / 5000);
        for (std::int32_t r = z.first; r <= z.last; r += stride) {
            const int x = m.columnOf(r);
            ASSERT_GE(x, 0);
            ASSERT_LT(x, z.width);
            ASSERT_LE(m.firstRecordOf(x), r) << r;
            ASSERT_TRUE(x + 1 == z.width || m.firstRecordOf(x + 1) > r) << r;
        }
        // A column's first record maps back to that column, or, when the
        // records are fewer than the columns, to a neighbour showing the same record.
        for (int x = 0; x < z.width; ++x) {
            const int back = m.columnOf(m.firstRecordOf(x));
            if (m.count() >= z.width)
                ASSERT_EQ(back, x);
            else
                ASSERT_EQ(m.firstRecordOf(back), m.firstRecordOf(x));
        }
    }
}

TEST(OverviewStrip, ColumnsHoldTheLowestAndHighestOfTheirRecords) {
    const auto rs = ramp(3000);
    const OverviewMapping m{0, 2999, 3};
    const auto cols = buildOverviewColumns(rs, m);
    ASSERT_EQ(cols.size(), 3u);
    EXPECT_EQ(cols[0].needleMin, -500);
    EXPECT_EQ(cols[0].needleMax, 499);
    EXPECT_EQ(cols[0].baseMin, 100);
    EXPECT_EQ(cols[0].baseMax, 106);
    // Zoomed in to one record a column.
    const auto one = buildOverviewColumns(rs, OverviewMapping{1000, 1009, 10});
    EXPECT_EQ(one[3].needleMin, 3 - 500);
    EXPECT_EQ(one[3].needleMax, 3 - 500);
}

TEST(OverviewStrip, DrawsMotionBandsTagsAndReactionsWhereTheirRecordsAre) {
    const auto rs = ramp(1000);
    OverviewPicture pic;
    pic.records = &rs;
    pic.mapping = OverviewMapping{0, 999, 500};
    pic.columns = buildOverviewColumns(rs, pic.mapping);
    pic.events = {{201, 4000, EventKind::Motion, 400, "", 220, 4380},
                  {601, 12000, EventKind::Tag, 7, "tag 7", 601, 12000},
                  {801, 16000, EventKind::Reaction, 900, "", 841, 16800}};
    QImage image(500, 150, QImage::Format_RGB32);
    QPainter p(&image);
    drawOverview(p, image.rect(), pic);
    p.end();
    const QColor sheet = image.pixelColor(50, 40);
    // The motion band (records 201-220, columns 100-109) tints the sheet.
    const QColor band = image.pixelColor(105, 40);
    EXPECT_NE(band, sheet);
    EXPECT_GT(band.blue(), band.green());
    EXPECT_EQ(image.pixelColor(95, 40), sheet);
    // The tag's dashed tick runs down column 300: some of its pixels are green.
    int green = 0;
    for (int y = 20; y < 110; ++y) {
        const QColor c = image.pixelColor(300, y);
        green += c.green() > c.red() + 40 && c.green() > c.blue() + 40;
    }
    EXPECT_GT(green, 10);
    // The reaction's bar runs along the bottom of the plot from column 400
    // to 420, and nowhere else.
    const auto redIn = [&](int x) {
        int red = 0;
        for (int y = 20; y < 150; ++y) {
            const QColor c = image.pixelColor(x, y);
            red += c.red() > 150 && c.green() < 80 && c.blue() < 80;
        }
        return red;
    };
    EXPECT_GT(redIn(410), 0);
    EXPECT_EQ(redIn(390), 0);
    EXPECT_EQ(redIn(430), 0);
}

// The reviewer's marks on a 500-column strip of 1000 records (two records a
// column): each changes the columns of its records and no others.
TEST(OverviewStrip, DrawsReviewMarksWhereTheirRecordsAre) {
    const auto rs = ramp(1000);
    const RecordingEvent reaction{801, 16000, EventKind::Reaction, 900, "", 841, 16800};
    const auto draw = [&](std::vector<ReviewMark> marks) {
        OverviewPicture pic;
        pic.records = &rs;
        pic.mapping = OverviewMapping{0, 999, 500};
        pic.columns = buildOverviewColumns(rs, pic.mapping);
        pic.events = {reaction};
        pic.review.marks = std::move(marks);
        QImage image(500, 150, QImage::Format_RGB32);
        QPainter p(&image);
        drawOverview(p, image.rect(), pic);
        return image;
    };
    const QImage plain = draw({});
    // Columns in which any pixel differs from the strip without marks.
    const auto changed = [&](const QImage& image) {
        std::vector<int> out;
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y)
                if (image.pixel(x, y) != plain.pixel(x, y)) {
                    out.push_back(x);
                    break;
                }
        return out;
    };
    const auto redAt = [](const QImage& image, int x) {
        int red = 0;
        for (int y = 100; y < 150; ++y)
            red += image.pixelColor(x, y) == QColor(204, 0, 0);
        return red;
    };
    struct Case {
        const char* what;
        std::vector<ReviewMark> marks;
        int firstColumn, lastColumn; // of the changed ones
    };
    const Case cases[] = {
        {"a note: a flag from its column", {{201, 201, MarkKind::Note, "x"}}, 100, 106},
        {"a note over a range: a bar along the top", {{201, 400, MarkKind::Note, ""}}, 100, 199},
        {"an artifact range: hatched", {{301, 500, MarkKind::Artifact, ""}}, 150, 249},
        {"a reaction added by hand", {{601, 601, MarkKind::Added, ""}}, 299, 301},
        {"a rejected reaction: hollow", {{801, 801, MarkKind::Rejected, ""}}, 400, 420},
        {"a confirmed reaction: as detected", {{801, 801, MarkKind::Confirmed, ""}}, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QImage image = draw(c.marks);
        const auto cols = changed(image);
        if (c.firstColumn < 0) {
            EXPECT_TRUE(cols.empty());
            continue;
        }
        ASSERT_FALSE(cols.empty());
        EXPECT_EQ(cols.front(), c.firstColumn);
        EXPECT_EQ(cols.back(), c.lastColumn);
    }
    // The rejected reaction's onset keeps its outline, not its filling.
    const QImage rejected = draw({{801, 801, MarkKind::Rejected, ""}});
    EXPECT_GE(redAt(plain, 400), 8);
    EXPECT_GT(redAt(rejected, 399), 0);
    EXPECT_LT(redAt(rejected, 400), 3);
}

TEST(OverviewStrip, NotesNearAColumnNearestFirst) {
    ReviewNotes review;
    review.marks = {{201, 201, MarkKind::Note, "a"},
                    {211, 211, MarkKind::Note, "b"},
                    {211, 300, MarkKind::Artifact, ""},
                    {901, 901, MarkKind::Note, "far"}};
    const OverviewMapping m{0, 999, 500};
    // Flags at columns 100 and 105, each 7 columns wide, looked for 2 columns about.
    EXPECT_EQ(notesNearColumn(review, m, 100, 2), (std::vector<std::size_t>{0}));
    EXPECT_EQ(notesNearColumn(review, m, 104, 2), (std::vector<std::size_t>{1, 0}));
    EXPECT_EQ(notesNearColumn(review, m, 106, 2), (std::vector<std::size_t>{1, 0}));
    EXPECT_EQ(notesNearColumn(review, m, 98, 2), (std::vector<std::size_t>{0}));
    EXPECT_TRUE(notesNearColumn(review, m, 97, 2).empty());
    EXPECT_EQ(notesNearColumn(review, m, 113, 2), (std::vector<std::size_t>{1}));
    EXPECT_TRUE(notesNearColumn(review, m, 114, 2).empty());
    EXPECT_TRUE(notesNearColumn(review, m, 300, 2).empty());
}

} // namespace
} // namespace kv
