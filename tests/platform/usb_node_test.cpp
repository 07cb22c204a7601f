// The USB side of the platform: the list of device ids to look for, request
// records as control transfers, bulk frame reads against a scripted endpoint
// and clock, and the node provider on a machine without a camera.
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
#include "camera/platform/usb_control_transfer.h"
#include "camera/platform/usb_device_ids.h"
#include "camera/platform/usb_node_provider.h"

namespace qcx {
namespace {

using ::testing::ElementsAre;
using Kind = FrameReadResult::Kind;

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

// A scripted bulk endpoint with a hand-driven clock: each call takes
// `costMs` of clock time and answers with the next scripted step.
struct FakeBulk {
    using Step = std::pair<int, int>;  // libusb's result, bytes given (-1: all that was asked for)
    std::vector<Step> script;
    std::chrono::steady_clock::time_point clock{};
    std::chrono::microseconds costMs{0};
    std::vector<int> lengths;
    std::vector<unsigned int> timeouts;
    std::uint8_t next = 1;

    BulkTransferFn Transfer() {
        return [this](std::uint8_t* data, int length, int* transferred, unsigned int ms) {
            lengths.push_back(length);
            timeouts.push_back(ms);
            clock += costMs;
            const Step step = lengths.size() <= script.size() ? script[lengths.size() - 1] : Step{0, -1};
            const int n = step.second < 0 ? length : step.second;
            for (int i = 0; i < n; ++i) data[i] = next++;
            *transferred = n;
            return step.first;
        };
    }
    SteadyNowFn Now() { return [this] { return clock; }; }
};

TEST(UsbBulkRead, ChunksShortPacketsTimeOutsAndErrors) {
    // Script, frame size, time-out, result, bytes read, chunk lengths asked for
    // (chunks of 4): the whole frame in chunks; a short packet ends the frame,
    // a zero-length one is an empty frame; a time-out without data and after
    // some; a zero time-out never reaches libusb; errors fail.
    const std::tuple<std::vector<FakeBulk::Step>, std::uint32_t, std::uint32_t, Kind, std::uint32_t, std::vector<int>>
        cases[] = {{{}, 10, 1000, Kind::Completed, 10, {4, 4, 2}},
                   {{{0, -1}, {0, 1}}, 16, 1000, Kind::Completed, 5, {4, 4}},
                   {{{0, 0}}, 8, 1000, Kind::Completed, 0, {4}},
                   {{{LIBUSB_ERROR_TIMEOUT, 0}}, 8, 50, Kind::TimedOut, 0, {4}},
                   {{{0, -1}, {LIBUSB_ERROR_TIMEOUT, 3}}, 16, 50, Kind::Completed, 7, {4, 4}},
                   {{}, 8, 0, Kind::TimedOut, 0, {}},
                   {{{0, -1}, {LIBUSB_ERROR_NO_DEVICE, 0}}, 16, 1000, Kind::Failed, 4, {4, 4}}};
    for (const auto& [script, size, timeoutMs, kind, bytes, lengths] : cases) {
        FakeBulk bulk;
        bulk.script = script;
        std::vector<std::uint8_t> frame(size, 0);
        const auto r = ReadBulkFrame(bulk.Transfer(), frame.data(), size, timeoutMs, 4, bulk.Now());
        EXPECT_EQ(std::tuple(r.kind, kind == Kind::Failed ? r.errorCode : r.bytesRead, bulk.lengths),
                  std::tuple(kind, kind == Kind::Failed ? -LIBUSB_ERROR_NO_DEVICE : bytes, lengths))
            << size << " bytes, " << lengths.size() << " reads (a failure gives the positive libusb code)";
        for (std::uint32_t i = 0; i < bytes; ++i) ASSERT_EQ(frame[i], i + 1) << "the data lands in order";
    }
}

TEST(UsbBulkRead, TimeOutIsOneBudgetForAllChunksAndItsLastFractionIsNotPassedAsZero) {
    FakeBulk bulk;
    bulk.costMs = std::chrono::milliseconds(30);
    std::vector<std::uint8_t> frame(100, 0);
    const auto r = ReadBulkFrame(bulk.Transfer(), frame.data(), 100, 100, 4, bulk.Now());
    EXPECT_THAT(bulk.timeouts, ElementsAre(100u, 70u, 40u, 10u));
    EXPECT_EQ(std::pair(r.kind, r.bytesRead), std::pair(Kind::Completed, 16u));
    FakeBulk slow;
    slow.costMs = std::chrono::microseconds(99'600);
    ReadBulkFrame(slow.Transfer(), frame.data(), 8, 100, 4, slow.Now());
    EXPECT_THAT(slow.timeouts, ElementsAre(100u, 1u));
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
