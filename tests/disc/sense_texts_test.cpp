// Sense data in both formats and the failure texts built from status bytes and sense.
#include "disc/scsi/CommandNames.h"
#include "disc/scsi/RequestBlock.h"
#include "disc/scsi/ScsiTexts.h"
#include "disc/scsi/SenseData.h"

#include <gtest/gtest.h>

#include <vector>

using namespace disc;

namespace {

RequestBlock Failed(std::vector<std::uint8_t> sense) {
    RequestBlock b = RequestBlock::Command(0x2A, 10);
    b.status = request_status::kError;
    b.targetStatus = target_status::kCheckCondition;
    std::copy(sense.begin(), sense.end(), b.sense.begin());
    b.senseLength = static_cast<std::uint8_t>(sense.size());
    return b;
}

} // namespace

TEST(SenseData, FixedFormatWithAndWithoutValidBit) {
    for (std::uint8_t code : {0x70, 0xF0, 0x71, 0xF1}) {
        std::vector<std::uint8_t> s(18, 0);
        s[0] = code;
        s[2] = 0x03;
        s[3] = 0x00;
        s[4] = 0x01;
        s[5] = 0x02;
        s[6] = 0x03;
        s[7] = 10;
        s[12] = 0x11;
        s[13] = 0x05;
        const SenseData d = DecodeSense(s);
        EXPECT_TRUE(d.Known()) << int(code);
        EXPECT_EQ(d.key, 3);
        EXPECT_EQ(d.asc, 0x11);
        EXPECT_EQ(d.ascq, 0x05);
        EXPECT_EQ(d.deferred, (code & 0x7F) == 0x71);
        EXPECT_FALSE(d.descriptorFormat);
        EXPECT_EQ(d.information.has_value(), (code & 0x80) != 0);
        if (d.information) {
            EXPECT_EQ(*d.information, 0x00010203u);
        }
    }
}

TEST(SenseData, FixedFormatReadsOnlyWhatTheDriveSent) {
    // The additional length says nothing follows byte 7: the ASC bytes are not there.
    std::vector<std::uint8_t> s = {0x70, 0, 0x05, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x24, 0x00};
    const SenseData d = DecodeSense(s);
    EXPECT_EQ(d.key, 5);
    EXPECT_EQ(d.asc, 0);
    // A buffer shorter than the header is still read as far as it goes.
    const SenseData shortOne = DecodeSense(std::vector<std::uint8_t>{0x70, 0, 0x02});
    EXPECT_EQ(shortOne.key, 2);
    EXPECT_FALSE(DecodeSense({}).Known());
    EXPECT_FALSE(DecodeSense(std::vector<std::uint8_t>{0x7F, 0, 5}).Known());
}

TEST(SenseData, DescriptorFormatByItsDescriptors) {
    std::uint8_t buf[40] = {};
    const std::size_t n = EncodeSense(buf, true, false, 0x02, 0x04, 0x04, 0x1234, 0x8000);
    const SenseData d = DecodeSense(std::span(buf, n));
    EXPECT_TRUE(d.descriptorFormat);
    EXPECT_EQ(d.responseCode, 0x72);
    EXPECT_EQ(d.key, 2);
    EXPECT_EQ(d.asc, 4);
    EXPECT_EQ(d.ascq, 4);
    ASSERT_TRUE(d.information);
    EXPECT_EQ(*d.information, 0x1234u);
    ASSERT_TRUE(d.progress);
    EXPECT_EQ(*d.progress, 0x8000);

    // A descriptor claiming more bytes than were sent is ignored, the header still counts.
    std::vector<std::uint8_t> cut = {0x73, 0x03, 0x0C, 0x00, 0, 0, 0, 12, 0x00, 0x0A, 0x80, 0};
    const SenseData c = DecodeSense(cut);
    EXPECT_TRUE(c.deferred);
    EXPECT_EQ(c.asc, 0x0C);
    EXPECT_FALSE(c.information);
}

TEST(SenseData, FixedAndDescriptorGiveTheSameText) {
    for (bool descriptor : {false, true}) {
        RequestBlock b = RequestBlock::Command(0x28, 10);
        b.status = request_status::kError;
        b.targetStatus = target_status::kCheckCondition;
        b.senseLength = static_cast<std::uint8_t>(
            EncodeSense(b.sense, descriptor, false, 0x03, 0x11, 0x00, 77));
        EXPECT_EQ(FailureText(b), "MEDIUM ERROR (UNRECOVERED READ ERROR)");
    }
}

TEST(FailureText, StatusHostAndTargetTexts) {
    RequestBlock b;
    b.status = request_status::kDone;
    EXPECT_EQ(FailureText(b), "");
    b.status = request_status::kNoDevice;
    EXPECT_EQ(FailureText(b), "NO DEVICE");
    b.status = request_status::kAborted;
    EXPECT_EQ(FailureText(b), "OPERATION ABORTED BY USER");
    b.status = 0x99;
    EXPECT_EQ(FailureText(b), "UNKNOWN");
    b.status = request_status::kError;
    b.hostStatus = host_status::kCommandTimeout;
    EXPECT_EQ(FailureText(b), "COMMAND TIMEOUT");
    b.hostStatus = host_status::kSelectionTimeout;
    EXPECT_EQ(FailureText(b), "SELECTION TIMEOUT");
    b.hostStatus = 0;
    b.targetStatus = target_status::kBusy;
    EXPECT_EQ(FailureText(b), "TARGET BUSY");
    b.targetStatus = target_status::kReservationConflict;
    EXPECT_EQ(FailureText(b), "TARGET RESERVATION CONFLICT");
    // CHECK CONDITION without sense keeps its own text rather than saying nothing.
    b.targetStatus = target_status::kCheckCondition;
    EXPECT_EQ(FailureText(b), "CHECK CONDITION");
    b.transportMessage = "no permission to use /dev/sr0";
    EXPECT_EQ(FailureText(b), "no permission to use /dev/sr0");
}

TEST(FailureText, SenseKeysAndAdditionalSense) {
    EXPECT_EQ(FailureText(Failed({0x70, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x3A, 0x00})),
              "NOT READY (MEDIUM NOT PRESENT)");
    EXPECT_EQ(FailureText(Failed({0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x21, 0x02})),
              "ILLEGAL REQUEST (INVALID ADDRESS FOR WRITE)");
    EXPECT_EQ(FailureText(Failed({0x70, 0, 0x80, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0})),
              "FILEMARK (NO ADDITIONAL SENSE INFORMATION)");
    EXPECT_EQ(FailureText(Failed({0x70, 0, 0x40})),
              "END OF MEDIA (NO ADDITIONAL SENSE INFORMATION)");
    EXPECT_EQ(FailureText(Failed({0x70, 0, 0x09})),
              "CHECK CONDITION (NO ADDITIONAL SENSE INFORMATION)");
    EXPECT_EQ(FailureText(Failed({0x70, 0, 0x0A})),
              "COPYABORTED (NO ADDITIONAL SENSE INFORMATION)");
    EXPECT_EQ(FailureText(Failed({0x42, 0, 0x05})), "UNKNOWN");
    // A pair the table does not hold: decimal ASC and ASCQ.
    EXPECT_EQ(FailureText(Failed({0x70, 0, 0x04, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x80, 0x12})),
              "HARDWARE ERROR (128,18)");
}

TEST(AdditionalSense, NamedRowsOfTheStandards) {
    EXPECT_EQ(AdditionalSenseText(0x04, 0x00), "LOGICAL UNIT NOT READY, CAUSE NOT REPORTABLE");
    EXPECT_EQ(AdditionalSenseText(0x04, 0x04), "LOGICAL UNIT NOT READY, FORMAT IN PROGRESS");
    EXPECT_EQ(AdditionalSenseText(0x30, 0x00), "INCOMPATIBLE MEDIUM INSTALLED");
    EXPECT_EQ(AdditionalSenseText(0x3A, 0x00), "MEDIUM NOT PRESENT");
    EXPECT_EQ(AdditionalSenseText(0x73, 0x03), "POWER CALIBRATION AREA ERROR");
    EXPECT_EQ(AdditionalSenseText(0x00, 0x00), "NO ADDITIONAL SENSE INFORMATION");
    EXPECT_EQ(AdditionalSenseText(0x73, 0x17), "RDZ IS FULL");
    EXPECT_FALSE(AdditionalSenseKnown(0xFF, 0xFF));
    EXPECT_EQ(AdditionalSenseText(0xFF, 0xFF), "255,255");
}

TEST(CommandNames, PaddedNamesAndHexForTheRest) {
    EXPECT_EQ(CommandName(0x00), "TEST UNIT READY       ");
    EXPECT_EQ(CommandName(0x4A), "GET EVENT/STATUS NOTIF");
    EXPECT_EQ(CommandName(0xBF).size(), 22u);
    EXPECT_EQ(CommandName(0x02), "02");
    EXPECT_EQ(CommandName(0xFF), "FF");
}

TEST(DriveAddress, FullAddressesOnly) {
    const auto a = DriveAddress::Parse("12:0:3:1");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->host, 12u);
    EXPECT_EQ(a->target, 3u);
    EXPECT_EQ(a->lun, 1u);
    EXPECT_EQ(a->Text(), "12:0:3:1");
    for (const char* bad : {"", "1:0:0", "1:0:0:0:0", "a:0:0:0", "1::0:0", "1:0:0:0 ",
                            "99999999999:0:0:0", "-1:0:0:0"})
        EXPECT_FALSE(DriveAddress::Parse(bad)) << bad;
}
