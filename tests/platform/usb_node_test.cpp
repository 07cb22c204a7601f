// The USB side of the platform: the list of device ids to look for, request
// records as control transfers, the choice of the frame endpoint, and the
// node provider on a machine without a camera.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <libusb.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "camera/platform/request_record.h"
#include "camera/platform/libusb/usb_control_transfer.h"
#include "camera/platform/libusb/usb_device_ids.h"
#include "camera/platform/libusb/usb_endpoint_choice.h"
#include "camera/platform/libusb/usb_node_provider.h"

namespace qcx {
namespace {

using ::testing::ElementsAre;

TEST(UsbDeviceIds, ListsInAnyCaseWithOrWithoutPrefixAddToTheDefaultAndBadEntriesAreSkippedWithAWarningEach) {
    std::vector<std::string> warnings;
    EXPECT_THAT(ParseUsbDeviceIds("04b4:1004,0x1D6B:0X0002, abcd : EF01 ,1:2,,ffff:0000,", &warnings),
                ElementsAre(UsbDeviceId{0x04B4, 0x1004}, UsbDeviceId{0x1D6B, 0x0002}, UsbDeviceId{0xABCD, 0xEF01},
                            UsbDeviceId{0x0001, 0x0002}, UsbDeviceId{0xFFFF, 0x0000}));
    EXPECT_TRUE(ParseUsbDeviceIds(nullptr, &warnings).empty() && ParseUsbDeviceIds(" , ,", &warnings).empty());
    EXPECT_TRUE(warnings.empty()) << "empty entries are no mistake";
    const char* bad[] = {"04b4", "zzzz:1004", "12345:0001", "04b4:", ":1004", "0x:1", "04b4:1004:5", "-1:2"};
    std::string list;
    for (const char* entry : bad) list += std::string(entry) + ",";
    EXPECT_THAT(ParseUsbDeviceIds((list + "0x04b4:0x1005").c_str(), &warnings),
                ElementsAre(UsbDeviceId{0x04B4, 0x1005}));
    ASSERT_EQ(warnings.size(), std::size(bad));
    for (std::size_t i = 0; i < std::size(bad); ++i)
        EXPECT_EQ(warnings[i], std::string("qcxapi: ignoring QCX_USB_IDS entry '") + bad[i] + "'");
    EXPECT_THAT(ParseUsbDeviceIds("bad,1:2", nullptr), ElementsAre(UsbDeviceId{1, 2})) << "warnings need no place";
    // The environment's list adds to the default, with its warnings on stderr.
    unsetenv("QCX_USB_IDS");
    EXPECT_THAT(UsbDeviceIdsFromEnvironment(), ElementsAre(kDefaultUsbDeviceId));
    setenv("QCX_USB_IDS", "abcd:ef01,04B4:1004,oops", 1);
    ::testing::internal::CaptureStderr();
    const auto ids = UsbDeviceIdsFromEnvironment();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "qcxapi: ignoring QCX_USB_IDS entry 'oops'\n");
    EXPECT_THAT(ids, ElementsAre(UsbDeviceId{0x04B4, 0x1004}, UsbDeviceId{0xABCD, 0xEF01}));
    unsetenv("QCX_USB_IDS");
}

RequestRecordBytes RecordFor(std::uint8_t type, std::uint8_t request, std::uint16_t value, std::uint16_t index,
                             std::uint16_t length, const void* buffer = nullptr) {
    return RequestRecord::FromSetup(SetupPacket{type, request, value, index, length}, buffer).Encode();
}

TEST(UsbControlTransfer, WireBytesGiveTheSetupPacketAndItsDirection) {
    // An EEPROM read with a 32-bit address and an EEPROM write, as the wire
    // bytes of the record: buffer address, wValue, wLength, wIndex (each 32
    // bits), bRequest, bmRequestType, direction.
    const RequestRecordBytes read{0x78, 0x56, 0x34, 0x12, 1, 0, 0, 0, 2, 0, 0, 0, 0x45, 0x23, 0, 0, 0xD2, 0xC0, 0x80};
    const RequestRecordBytes write{0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0x5A, 0, 0, 0, 0xD3, 0x40, 0x00};
    const auto in = ControlTransferFromRecord(read, 2), out = ControlTransferFromRecord(write, 4);
    ASSERT_TRUE(in.has_value() && out.has_value());
    EXPECT_EQ(std::pair(*in, *out), std::pair(ControlTransfer{0xC0, 0xD2, 0x0001, 0x2345, 2},
                                              ControlTransfer{0x40, 0xD3, 0x0000, 0x005A, 4}));
    EXPECT_TRUE(in->IsDeviceToHost() && !out->IsDeviceToHost());
    EXPECT_EQ(ControlTransferFromRecord(RecordFor(0xC0, 0xD2, 0x0001, 0x2345, 2), 2), in) << "as the encoder has it";
    EXPECT_EQ(ControlTransferFromRecord(RecordFor(0x40, 0x26, 0xFFFF, 0xFFFF, 0), 0),
              (ControlTransfer{0x40, 0x26, 0xFFFF, 0xFFFF, 0}));
}

TEST(UsbControlTransfer, BufferAddressDoesNotMatterAndContradictionsAreRefused) {
    std::uint8_t a[8]{}, b[8]{};
    const auto fromA = ControlTransferFromRecord(RecordFor(0xC0, 0xC9, 0, 0, 5, a), 8);
    ASSERT_TRUE(fromA.has_value());
    EXPECT_EQ(fromA, ControlTransferFromRecord(RecordFor(0xC0, 0xC9, 0, 0, 5, b), 5));
    EXPECT_EQ(fromA->wLength, 5) << "the record's length, not the buffer's";
    // A buffer smaller than the length.
    EXPECT_EQ(ControlTransferFromRecord(RecordFor(0xC0, 0xCF, 0, 0, 3), 2), std::nullopt);
    EXPECT_EQ(ControlTransferFromRecord(RecordFor(0x40, 0xD3, 0, 0, 4), 0), std::nullopt);
    // Request type, byte changed, its new value: a direction byte that contradicts the request type (0x01 is
    // not the direction bit either); wValue, wLength or wIndex wider than 16 bits.
    for (auto [type, at, value] : {std::array{0xC0, 18, 0x00}, {0xC0, 18, 0x01}, {0x40, 18, 0x80}, {0xC0, 6, 1},
                                   {0xC0, 7, 1}, {0xC0, 10, 1}, {0xC0, 11, 1}, {0xC0, 14, 1}, {0xC0, 15, 1}}) {
        auto record = RecordFor(static_cast<std::uint8_t>(type), 0x22, 0x1234, 0x5678, 2);
        record[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(value);
        EXPECT_EQ(ControlTransferFromRecord(record, 0x20000), std::nullopt) << type << ", byte " << at;
    }
}

TEST(UsbFrameEndpoint, TheLargestPacketsWinThenTheHighestAddressAndAnOverrideNamesItsOwn) {
    // Firmware that lists a small status endpoint first, the frame endpoint
    // only in a later alternate setting, and a twin of it in another.
    const std::vector<BulkInEndpoint> listed = {
        {0x81, 0, 64}, {0x82, 0, 512}, {0x81, 1, 64}, {0x86, 1, 512}, {0x86, 2, 512}};
    const auto chosen = ChooseFrameEndpoint(listed, std::nullopt);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->address, 0x86);
    EXPECT_EQ(chosen->altSetting, 1) << "the first setting that has it";
    EXPECT_FALSE(ChooseFrameEndpoint({}, std::nullopt));

    std::string warning;
    const auto plain = ParseEndpointOverride("0x82", &warning);
    ASSERT_TRUE(plain);
    EXPECT_EQ(ChooseFrameEndpoint(listed, plain)->address, 0x82);
    const auto withAlt = ParseEndpointOverride("134,2", &warning);
    ASSERT_TRUE(withAlt);
    EXPECT_EQ(ChooseFrameEndpoint(listed, withAlt)->altSetting, 2);
    EXPECT_FALSE(ChooseFrameEndpoint(listed, ParseEndpointOverride("0x83", &warning))) << "not listed";
    EXPECT_TRUE(warning.empty());
    for (const char* bad : {"0x06", "0x80", "0xF6", "0x86,", "0x86,x", "x", "0x186", "-0x86"}) {
        warning.clear();
        EXPECT_FALSE(ParseEndpointOverride(bad, &warning)) << bad;
        EXPECT_EQ(warning, std::string("qcxapi: ignoring QCX_USB_ENDPOINT '") + bad +
                               "' (want an IN endpoint such as 0x86 or 0x86,1)");
    }
    EXPECT_FALSE(ParseEndpointOverride(nullptr, &warning) || ParseEndpointOverride("", &warning));
}

TEST(UsbNodeProvider, FindsNoCameraHereWhateverIdsItLooksForCountingAfreshFromSeveralThreads) {
    setenv("QCX_USB_IDS", "fffe:fffd,0xFFFE:0xFFFC", 1);
    UsbNodeProvider fromEnvironment, explicitIds({UsbDeviceId{0xFFFE, 0xFFFB}});
    std::vector<std::thread> threads;
    std::vector<int> found(4, -1);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            UsbNodeProvider& provider = t % 2 == 0 ? fromEnvironment : explicitIds;
            for (int i = 0; i < 5; ++i) found[t] = provider.OpenNode(i % 2 - 1) ? -2 : provider.CountNodes();
        });
    for (auto& thread : threads) thread.join();
    unsetenv("QCX_USB_IDS");
    EXPECT_THAT(found, ElementsAre(0, 0, 0, 0));
}

}  // namespace
}  // namespace qcx
