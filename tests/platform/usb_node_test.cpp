#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <libusb.h>

#include <chrono>
#include <cstdlib>
#include <numeric>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "camera/platform/request_record.h"
#include "camera/platform/usb_control_transfer.h"
#include "camera/platform/usb_device_ids.h"
#include "camera/platform/usb_node_provider.h"

namespace qcx {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Kind = FrameReadResult::Kind;

// Sets QCX_USB_IDS for one test and puts the old value back afterwards.
class ScopedUsbIds {
public:
    explicit ScopedUsbIds(const char* value) {
        if (const char* old = std::getenv("QCX_USB_IDS")) old_ = old;
        if (value) setenv("QCX_USB_IDS", value, 1);
        else unsetenv("QCX_USB_IDS");
    }
    ~ScopedUsbIds() {
        if (old_) setenv("QCX_USB_IDS", old_->c_str(), 1);
        else unsetenv("QCX_USB_IDS");
    }

private:
    std::optional<std::string> old_;
};

// ---- id list ----

TEST(UsbDeviceIds, ParsesListsInAnyCaseWithOrWithoutPrefix) {
    std::vector<std::string> warnings;
    EXPECT_THAT(ParseUsbDeviceIds("04b4:1004,0x1D6B:0X0002, abcd : EF01 ,1:2", &warnings),
                ElementsAre(UsbDeviceId{0x04B4, 0x1004}, UsbDeviceId{0x1D6B, 0x0002},
                            UsbDeviceId{0xABCD, 0xEF01}, UsbDeviceId{0x0001, 0x0002}));
    EXPECT_THAT(warnings, IsEmpty());
}

TEST(UsbDeviceIds, EmptyTextAndEmptyEntriesGiveNothingAndNoWarning) {
    std::vector<std::string> warnings;
    EXPECT_THAT(ParseUsbDeviceIds(nullptr, &warnings), IsEmpty());
    EXPECT_THAT(ParseUsbDeviceIds("", &warnings), IsEmpty());
    EXPECT_THAT(ParseUsbDeviceIds(" , ,", &warnings), IsEmpty());
    EXPECT_THAT(ParseUsbDeviceIds("ffff:0000,", &warnings), ElementsAre(UsbDeviceId{0xFFFF, 0x0000}));
    EXPECT_THAT(ParseUsbDeviceIds(",,04b4:1004,,", &warnings), ElementsAre(UsbDeviceId{0x04B4, 0x1004}));
    EXPECT_THAT(warnings, IsEmpty());
}

TEST(UsbDeviceIds, BadEntriesAreSkippedWithOneWarningEach) {
    std::vector<std::string> warnings;
    const auto ids = ParseUsbDeviceIds(
        "04b4,zzzz:1004,12345:0001,04b4:,:1004,0x:1,04b4:1004:5,-1:2,0x04b4:0x1005", &warnings);
    EXPECT_THAT(ids, ElementsAre(UsbDeviceId{0x04B4, 0x1005}));
    EXPECT_THAT(warnings, ElementsAre("qcxapi: ignoring QCX_USB_IDS entry '04b4'",
                                      "qcxapi: ignoring QCX_USB_IDS entry 'zzzz:1004'",
                                      "qcxapi: ignoring QCX_USB_IDS entry '12345:0001'",
                                      "qcxapi: ignoring QCX_USB_IDS entry '04b4:'",
                                      "qcxapi: ignoring QCX_USB_IDS entry ':1004'",
                                      "qcxapi: ignoring QCX_USB_IDS entry '0x:1'",
                                      "qcxapi: ignoring QCX_USB_IDS entry '04b4:1004:5'",
                                      "qcxapi: ignoring QCX_USB_IDS entry '-1:2'"));
    // Without a place for warnings the bad entries are still skipped.
    EXPECT_THAT(ParseUsbDeviceIds("bad,1:2", nullptr), ElementsAre(UsbDeviceId{1, 2}));
}

TEST(UsbDeviceIds, EnvironmentAddsToTheDefaultAndWarnsOnStderr) {
    {
        ScopedUsbIds env(nullptr);
        EXPECT_THAT(UsbDeviceIdsFromEnvironment(), ElementsAre(kDefaultUsbDeviceId));
    }
    {
        ScopedUsbIds env("abcd:ef01,04B4:1004,oops");
        ::testing::internal::CaptureStderr();
        const auto ids = UsbDeviceIdsFromEnvironment();
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_THAT(ids, ElementsAre(UsbDeviceId{0x04B4, 0x1004}, UsbDeviceId{0xABCD, 0xEF01}));
        EXPECT_EQ(err, "qcxapi: ignoring QCX_USB_IDS entry 'oops'\n");
    }
}

// ---- request record to control transfer ----

RequestRecordBytes RecordFor(std::uint8_t type, std::uint8_t request, std::uint16_t value,
                             std::uint16_t index, std::uint16_t length, const void* buffer = nullptr) {
    SetupPacket setup;
    setup.bmRequestType = type;
    setup.bRequest = request;
    setup.wValue = value;
    setup.wIndex = index;
    setup.wLength = length;
    return RequestRecord::FromSetup(setup, buffer).Encode();
}

TEST(UsbControlTransfer, EepromReadWith32BitAddress) {
    const ControlTransfer expected{0xC0, 0xD2, 0x0001, 0x2345, 2};
    EXPECT_EQ(ControlTransferFromRecord(RecordFor(0xC0, 0xD2, 0x0001, 0x2345, 2), 2), expected);

    // The same request as the wire bytes, to pin the field order and byte order.
    const RequestRecordBytes wire{0x78, 0x56, 0x34, 0x12,  // buffer address
                                  0x01, 0x00, 0x00, 0x00,  // wValue
                                  0x02, 0x00, 0x00, 0x00,  // wLength
                                  0x45, 0x23, 0x00, 0x00,  // wIndex
                                  0xD2, 0xC0, 0x80};
    const auto t = ControlTransferFromRecord(wire, 2);
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(*t, expected);
    EXPECT_TRUE(t->IsDeviceToHost());
}

TEST(UsbControlTransfer, EepromWriteHostToDevice) {
    const ControlTransfer expected{0x40, 0xD3, 0x0000, 0x005A, 4};
    EXPECT_EQ(ControlTransferFromRecord(RecordFor(0x40, 0xD3, 0, 0x5A, 4), 4), expected);

    const RequestRecordBytes wire{0, 0, 0, 0,  0, 0, 0, 0,  4, 0, 0, 0,
                                  0x5A, 0, 0, 0,  0xD3, 0x40, 0x00};
    const auto t = ControlTransferFromRecord(wire, 4);
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(*t, expected);
    EXPECT_FALSE(t->IsDeviceToHost());
}

TEST(UsbControlTransfer, BufferAddressDoesNotMatterAndLargerBuffersAreFine) {
    std::uint8_t a[8]{};
    std::uint8_t b[8]{};
    const auto fromA = ControlTransferFromRecord(RecordFor(0xC0, 0xC9, 0, 0, 5, a), 8);
    const auto fromB = ControlTransferFromRecord(RecordFor(0xC0, 0xC9, 0, 0, 5, b), 5);
    ASSERT_TRUE(fromA.has_value());
    EXPECT_EQ(fromA, fromB);
    EXPECT_EQ(fromA->wLength, 5);  // the record's length, not the buffer's

    EXPECT_EQ(ControlTransferFromRecord(RecordFor(0x40, 0x26, 0xFFFF, 0xFFFF, 0), 0),
              (ControlTransfer{0x40, 0x26, 0xFFFF, 0xFFFF, 0}));
}

TEST(UsbControlTransfer, RefusesBufferSmallerThanLength) {
    EXPECT_EQ(ControlTransferFromRecord(RecordFor(0xC0, 0xCF, 0, 0, 3), 2), std::nullopt);
    EXPECT_EQ(ControlTransferFromRecord(RecordFor(0x40, 0xD3, 0, 0, 4), 0), std::nullopt);
}

TEST(UsbControlTransfer, RefusesDirectionThatContradictsRequestType) {
    auto in = RecordFor(0xC0, 0xC4, 0x10, 0, 2);
    in[18] = 0x00;
    EXPECT_EQ(ControlTransferFromRecord(in, 2), std::nullopt);
    in[18] = 0x01;  // not zero, but not the direction bit either
    EXPECT_EQ(ControlTransferFromRecord(in, 2), std::nullopt);

    auto out = RecordFor(0x40, 0x22, 0, 0, 3);
    out[18] = 0x80;
    EXPECT_EQ(ControlTransferFromRecord(out, 3), std::nullopt);
}

TEST(UsbControlTransfer, RefusesFieldsWiderThan16Bits) {
    const auto base = RecordFor(0xC0, 0xC2, 0x1234, 0x5678, 3);
    for (std::size_t offset : {4u, 8u, 12u}) {  // wValue, wLength, wIndex
        for (std::size_t high : {2u, 3u}) {
            auto record = base;
            record[offset + high] = 0x01;
            EXPECT_EQ(ControlTransferFromRecord(record, 0x20000), std::nullopt)
                << "offset " << offset << " byte " << high;
        }
    }
}

// ---- bulk frame read ----

// A scripted bulk endpoint with a hand-driven clock: each call takes
// `costMs` of clock time and answers with the next scripted step.
struct FakeBulk {
    struct Step {
        int rc;
        int bytes;  // -1: all that was asked for
    };
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
            const int n = step.bytes < 0 ? length : step.bytes;
            for (int i = 0; i < n; ++i) data[i] = next++;
            *transferred = n;
            return step.rc;
        };
    }
    SteadyNowFn Now() {
        return [this] { return clock; };
    }
};

TEST(UsbBulkRead, WholeFrameInChunksLandsInOrder) {
    FakeBulk bulk;
    std::vector<std::uint8_t> frame(10, 0);
    const auto r = ReadBulkFrame(bulk.Transfer(), frame.data(), 10, 1000, 4, bulk.Now());
    EXPECT_EQ(r.kind, Kind::Completed);
    EXPECT_EQ(r.bytesRead, 10u);
    EXPECT_THAT(bulk.lengths, ElementsAre(4, 4, 2));
    std::vector<std::uint8_t> expected(10);
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(frame, expected);
}

TEST(UsbBulkRead, ShortPacketEndsTheFrame) {
    FakeBulk bulk;
    bulk.script = {{0, -1}, {0, 1}};
    std::vector<std::uint8_t> frame(16, 0);
    const auto r = ReadBulkFrame(bulk.Transfer(), frame.data(), 16, 1000, 4, bulk.Now());
    EXPECT_EQ(r.kind, Kind::Completed);
    EXPECT_EQ(r.bytesRead, 5u);
    EXPECT_EQ(bulk.lengths.size(), 2u);
}

TEST(UsbBulkRead, ZeroLengthPacketIsAnEmptyFrameNotATimeOut) {
    FakeBulk bulk;
    bulk.script = {{0, 0}};
    std::uint8_t frame[8]{};
    const auto r = ReadBulkFrame(bulk.Transfer(), frame, 8, 1000, 4, bulk.Now());
    EXPECT_EQ(r.kind, Kind::Completed);
    EXPECT_EQ(r.bytesRead, 0u);
}

TEST(UsbBulkRead, TimeOutWithoutDataAndWithPartialData) {
    {
        FakeBulk bulk;
        bulk.script = {{LIBUSB_ERROR_TIMEOUT, 0}};
        std::uint8_t frame[8]{};
        const auto r = ReadBulkFrame(bulk.Transfer(), frame, 8, 50, 8, bulk.Now());
        EXPECT_EQ(r.kind, Kind::TimedOut);
        EXPECT_EQ(r.bytesRead, 0u);
    }
    {
        FakeBulk bulk;
        bulk.script = {{0, -1}, {LIBUSB_ERROR_TIMEOUT, 3}};
        std::uint8_t frame[16]{};
        const auto r = ReadBulkFrame(bulk.Transfer(), frame, 16, 50, 4, bulk.Now());
        EXPECT_EQ(r.kind, Kind::Completed);
        EXPECT_EQ(r.bytesRead, 7u);
    }
}

TEST(UsbBulkRead, ErrorsFailWithThePositiveLibusbCode) {
    FakeBulk bulk;
    bulk.script = {{0, -1}, {LIBUSB_ERROR_NO_DEVICE, 0}};
    std::uint8_t frame[16]{};
    const auto r = ReadBulkFrame(bulk.Transfer(), frame, 16, 1000, 4, bulk.Now());
    EXPECT_EQ(r.kind, Kind::Failed);
    EXPECT_EQ(r.errorCode, static_cast<std::uint32_t>(-LIBUSB_ERROR_NO_DEVICE));
}

TEST(UsbBulkRead, ZeroTimeOutNeverReachesLibusb) {
    FakeBulk bulk;
    std::uint8_t frame[8]{};
    const auto r = ReadBulkFrame(bulk.Transfer(), frame, 8, 0, 4, bulk.Now());
    EXPECT_EQ(r.kind, Kind::TimedOut);
    EXPECT_THAT(bulk.lengths, IsEmpty());
}

TEST(UsbBulkRead, TimeOutIsOneBudgetForAllChunks) {
    FakeBulk bulk;
    bulk.costMs = std::chrono::milliseconds(30);
    std::vector<std::uint8_t> frame(100, 0);
    const auto r = ReadBulkFrame(bulk.Transfer(), frame.data(), 100, 100, 4, bulk.Now());
    EXPECT_THAT(bulk.timeouts, ElementsAre(100u, 70u, 40u, 10u));
    EXPECT_EQ(r.kind, Kind::Completed);
    EXPECT_EQ(r.bytesRead, 16u);
}

TEST(UsbBulkRead, LastFractionOfAMillisecondIsNotPassedAsZero) {
    FakeBulk bulk;
    bulk.costMs = std::chrono::microseconds(99'600);
    std::vector<std::uint8_t> frame(8, 0);
    ReadBulkFrame(bulk.Transfer(), frame.data(), 8, 100, 4, bulk.Now());
    EXPECT_THAT(bulk.timeouts, ElementsAre(100u, 1u));
}

// ---- provider, on a machine without a camera ----

TEST(UsbNodeProvider, FindsNoCameraHere) {
    ScopedUsbIds env(nullptr);
    UsbNodeProvider provider;
    EXPECT_EQ(provider.CountNodes(), 0);
    EXPECT_EQ(provider.OpenNode(0), nullptr);
    EXPECT_EQ(provider.OpenNode(-1), nullptr);
    EXPECT_EQ(provider.CountNodes(), 0);  // counted afresh, still none
}

TEST(UsbNodeProvider, ExtraIdsThatNoDeviceHasFindNothing) {
    ScopedUsbIds env("fffe:fffd,0xFFFE:0xFFFC");
    UsbNodeProvider provider;
    EXPECT_EQ(provider.CountNodes(), 0);
    EXPECT_EQ(provider.OpenNode(0), nullptr);

    UsbNodeProvider explicitIds({UsbDeviceId{0xFFFE, 0xFFFB}});
    EXPECT_EQ(explicitIds.CountNodes(), 0);
    EXPECT_EQ(explicitIds.OpenNode(0), nullptr);
}

TEST(UsbNodeProvider, SeveralThreadsEnumerateAtOnce) {
    UsbNodeProvider provider({kDefaultUsbDeviceId});
    std::vector<std::thread> threads;
    std::vector<int> counts(4, -1);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&provider, &counts, t] {
            for (int i = 0; i < 5; ++i) {
                counts[t] = provider.CountNodes();
                if (provider.OpenNode(0)) counts[t] = -2;
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_THAT(counts, ElementsAre(0, 0, 0, 0));
}

}  // namespace
}  // namespace qcx
