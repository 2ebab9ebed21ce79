// The hand-over record's file: what is written is read back as it was, and what is read is
// only taken for a crew member when it is one.
#include <cstring>
#include <fstream>
#include <string>

#include "TransferRecord.h"
#include "crew_world.h"

using namespace crewtest;

namespace {

constexpr char kFile[] = "config/record.cfg";

std::string FileBytes() {
    std::ifstream in(kFile, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST_F(CrewWorldTest, RecordReadsBackWhatWasWrittenAndCutsItsTexts) {
    const std::string longText(60, 'x');
    const TransferRecord written =
        MakeTransferRecord(longText.c_str(), "Vemo\\VEMo", 35, -72, 100, 0x7FFFFFFF);
    EXPECT_EQ(std::string(written.name), "Vemo_" + longText.substr(0, 33));  // 38 characters
    ASSERT_TRUE(WriteTransferRecord(written, kFile));
    const std::string bytes = FileBytes();
    ASSERT_EQ(bytes.size(), 104u);
    EXPECT_EQ(bytes.substr(84, 4), std::string("\xB8\xFF\xFF\xFF", 4));  // -72, little-endian

    TransferRecord read;
    ASSERT_TRUE(ReadTransferRecord(kFile, read));
    EXPECT_EQ(std::memcmp(&read, &written, sizeof read), 0);
    EXPECT_TRUE(IsCrewRecord(read));
}

TEST_F(CrewWorldTest, RecordThatIsShortOrNamesNoMemberIsNotTaken) {
    TransferRecord record = MakeTransferRecord("Jo", "", 35, 72, 100, 80);
    const TransferRecord before = record;
    EXPECT_FALSE(ReadTransferRecord(kFile, record));  // no file
    std::ofstream(kFile, std::ios::binary) << std::string(103, 'V');
    EXPECT_FALSE(ReadTransferRecord(kFile, record));
    EXPECT_EQ(std::memcmp(&record, &before, sizeof record), 0);

    std::memcpy(record.name, "Vemx_Jo", 8);
    EXPECT_FALSE(IsCrewRecord(record));
    std::memset(record.name, 'V', sizeof record.name);  // "Vemo_" nowhere, and no terminator
    std::memcpy(record.name, "Vemo_", 5);
    EXPECT_FALSE(IsCrewRecord(record));
    EXPECT_FALSE(WriteTransferRecord(record, "no-such-folder/record.cfg"));
}
