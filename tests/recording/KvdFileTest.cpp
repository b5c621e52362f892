#include "KvdFile.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kv {
namespace {

using test::TempDir;

std::vector<std::uint8_t> bytesOf(const std::vector<SampleRecord>& records) {
    std::vector<std::uint8_t> out(records.size() * kRecordSize);
    for (std::size_t i = 0; i < records.size(); ++i)
        records[i].encode(out.data() + i * kRecordSize);
    return out;
}

TEST(FormatCheck, LooksAtTheTypeLettersOfTheFirstFiveRecords) {
    auto records = test::plainRecords(5);
    const char letters[] = {'O', 'P', 'T', 'P', 'O'};
    for (int i = 0; i < 5; ++i)
        records[static_cast<std::size_t>(i)].RecordType = letters[i];
    auto bytes = bytesOf(records);
    EXPECT_TRUE(Verify_kvd_Format(bytes.data(), bytes.size()));

    bytes[2 * 20 + 19] = 'X';
    EXPECT_FALSE(Verify_kvd_Format(bytes.data(), bytes.size()));

    // Only the first five count.
    auto six = test::plainRecords(6);
    six[5].RecordType = 'Z';
    const auto sixBytes = bytesOf(six);
    EXPECT_TRUE(Verify_kvd_Format(sixBytes.data(), sixBytes.size()));
}

TEST(FormatCheck, FilesShorterThanFiveRecordsFail) {
    for (int n = 0; n < 5; ++n) {
        const auto bytes = bytesOf(test::plainRecords(n));
        EXPECT_FALSE(Verify_kvd_Format(bytes.data(), bytes.size())) << n << " records";
    }
}

TEST(KvdFile, WriteThenReadGivesTheSameBytes) {
    TempDir dir;
    std::vector<SampleRecord> records = test::plainRecords(123);
    records[7].NeedlePos = -12345;
    records[9].MarkType = 'T';
    records[9].MarkData = {1, 2, 3, 4};
    records[11].Spare = 0xEE;
    ASSERT_FALSE(writeKvdFile(dir.file("a.kvd"), records));
    EXPECT_EQ(std::filesystem::file_size(dir.file("a.kvd")), 123u * 20u);
    const KvdReadResult back = readKvdFile(dir.file("a.kvd"));
    ASSERT_FALSE(back.error);
    EXPECT_EQ(back.records, records);
    EXPECT_EQ(bytesOf(back.records), bytesOf(records));
}

TEST(KvdFile, TrailingPartialRecordIsIgnored) {
    TempDir dir;
    auto bytes = bytesOf(test::plainRecords(10));
    bytes.resize(bytes.size() + 13, 0x55);
    test::writeBytes(dir.file("p.kvd"), bytes);
    const KvdReadResult r = readKvdFile(dir.file("p.kvd"));
    ASSERT_FALSE(r.error);
    EXPECT_EQ(r.records.size(), 10u);
    EXPECT_EQ(recordCountForLength(213), 10);
    EXPECT_EQ(recordCountForLength(19), 0);
}

TEST(KvdFile, ProgressComesInFiftySteps) {
    TempDir dir;
    std::vector<int> steps;
    const auto records = test::plainRecords(3000);
    ASSERT_FALSE(writeKvdFile(dir.file("a.kvd"), records));
    const KvdReadResult r = readKvdFile(dir.file("a.kvd"), [&](int k) { steps.push_back(k); });
    EXPECT_EQ(r.records, records);
    ASSERT_EQ(steps.size(), 50u);
    EXPECT_EQ(steps.front(), 1);
    EXPECT_EQ(steps.back(), 50);

    steps.clear();
    ASSERT_FALSE(writeKvdFile(dir.file("few.kvd"), test::plainRecords(49)));
    EXPECT_EQ(readKvdFile(dir.file("few.kvd"), [&](int k) { steps.push_back(k); }).records.size(),
              49u);
    EXPECT_TRUE(steps.empty());
}

// One pass over a file in blocks gives every record in order; a file that
// is cut short while it is read ends the pass with an error, not quietly.
TEST(KvdBlockReader, GivesEveryRecordInOrderAndReportsAFileCutShort) {
    TempDir dir;
    auto records = test::plainRecords(5000); // more than two blocks
    for (std::size_t i = 0; i < records.size(); ++i)
        records[i].RawReading = static_cast<std::uint16_t>(i * 13);
    ASSERT_FALSE(writeKvdFile(dir.file("a.kvd"), records));
    KvdBlockReader reader(dir.file("a.kvd"));
    ASSERT_FALSE(reader.error());
    EXPECT_EQ(reader.records(), 5000);
    std::vector<SampleRecord> back;
    int blocks = 0;
    for (auto b = reader.next(); !b.empty(); b = reader.next(), ++blocks)
        back.insert(back.end(), b.begin(), b.end());
    EXPECT_EQ(back, records);
    EXPECT_EQ(blocks, 3);
    EXPECT_FALSE(reader.error());

    KvdBlockReader cut(dir.file("a.kvd"));
    ASSERT_EQ(cut.next().size(), KvdBlockReader::kBlockRecords);
    std::filesystem::resize_file(dir.file("a.kvd"), 3000 * 20);
    EXPECT_TRUE(cut.next().empty());
    ASSERT_TRUE(cut.error());
    EXPECT_EQ(cut.error()->number, 62);
    EXPECT_TRUE(cut.next().empty());

    KvdBlockReader missing(dir.file("none.kvd"));
    ASSERT_TRUE(missing.error());
    EXPECT_TRUE(missing.next().empty());
}

TEST(KvdFile, ReadErrorsCarryANumberAndText) {
    TempDir dir;
    const KvdReadResult missing = readKvdFile(dir.file("none.kvd"));
    ASSERT_TRUE(missing.error);
    EXPECT_EQ(missing.error->number, 53);

    const KvdReadResult folder = readKvdFile(dir.path());
    ASSERT_TRUE(folder.error);
    EXPECT_EQ(folder.error->number, 75);

    const auto unwritable = writeKvdFile(dir.file("no/such/folder/x.kvd"), test::plainRecords(5));
    ASSERT_TRUE(unwritable);
    EXPECT_EQ(unwritable->number, 53);
}

} // namespace
} // namespace kv
