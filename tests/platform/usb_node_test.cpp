#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <libusb.h>

#include <chrono>
#include <cstdlib>
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

TEST(UsbDeviceIds, ListsInAnyCaseWithOrWithoutPrefixAndBadEntriesSkippedWithAWarningEach) {
    std::vector<std::string> warnings;
    EXPECT_THAT(ParseUsbDeviceIds("04b4:1004,0x1D6B:0X0002, abcd : EF01 ,1:2,,ffff:0000,", &warnings),
                ElementsAre(UsbDeviceId{0x04B4, 0x1004}, UsbDeviceId{0x1D6B, 0x0002}, UsbDeviceId{0xABCD, 0xEF01},
                            UsbDeviceId{0x0001, 0x0002}, UsbDeviceId{0xFFFF, 0x0000}));
    EXPECT_THAT(ParseUsbDeviceIds(nullptr, &warnings), IsEmpty());
    EXPECT_THAT(ParseUsbDeviceIds(" , ,", &warnings), IsEmpty());
    EXPECT_THAT(warnings, IsEmpty()) << "empty entries are no mistake";
    const char* bad[] = {"04b4", "zzzz:1004", "12345:0001", "04b4:", ":1004", "0x:1", "04b4:1004:5", "-1:2"};
    std::string list;
    for (const char* entry : bad) list += std::string(entry) + ",";
    EXPECT_THAT(ParseUsbDeviceIds((list + "0x04b4:0x1005").c_str(), &warnings), ElementsAre(UsbDeviceId{0x04B4, 0x1005}));
    ASSERT_EQ(warnings.size(), std::size(bad));
    for (std::size_t i = 0; i < std::size(bad); ++i)
        EXPECT_EQ(warnings[i], std::string("qcxapi: ignoring QCX_USB_IDS entry '") + bad[i] + "'");
    EXPECT_THAT(ParseUsbDeviceIds("bad,1:2", nullptr), ElementsAre(UsbDeviceId{1, 2})) << "warnings need no place";
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

TEST(UsbControlTransfer, WireBytesGiveTheSetupPacketAndItsDirection) {
    // An EEPROM read with a 32-bit address and an EEPROM write, as the wire
    // bytes of the record: buffer address, wValue, wLength, wIndex (each 32
    // bits), bRequest, bmRequestType, direction.
    const RequestRecordBytes read{0x78, 0x56, 0x34, 0x12, 0x01, 0, 0, 0, 0x02, 0, 0, 0, 0x45, 0x23, 0, 0, 0xD2, 0xC0, 0x80};
    const RequestRecordBytes write{0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0x5A, 0, 0, 0, 0xD3, 0x40, 0x00};
    const auto in = ControlTransferFromRecord(read, 2), out = ControlTransferFromRecord(write, 4);
    ASSERT_TRUE(in.has_value() && out.has_value());
    EXPECT_EQ(*in, (ControlTransfer{0xC0, 0xD2, 0x0001, 0x2345, 2}));
    EXPECT_EQ(*out, (ControlTransfer{0x40, 0xD3, 0x0000, 0x005A, 4}));
    EXPECT_TRUE(in->IsDeviceToHost());
    EXPECT_FALSE(out->IsDeviceToHost());
    EXPECT_EQ(ControlTransferFromRecord(RecordFor(0xC0, 0xD2, 0x0001, 0x2345, 2), 2), in) << "the record encoder agrees";
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
    // A direction byte that contradicts the request type (0x01 is not the direction bit either).
    for (auto [type, direction] : {std::pair(0xC0, 0x00), std::pair(0xC0, 0x01), std::pair(0x40, 0x80)}) {
        auto record = RecordFor(static_cast<std::uint8_t>(type), 0x22, 0, 0, 2);
        record[18] = static_cast<std::uint8_t>(direction);
        EXPECT_EQ(ControlTransferFromRecord(record, 2), std::nullopt) << type << " " << direction;
    }
    // wValue, wLength or wIndex wider than 16 bits.
    for (std::size_t at : {6u, 7u, 10u, 11u, 14u, 15u}) {
        auto record = RecordFor(0xC0, 0xC2, 0x1234, 0x5678, 3);
        record[at] = 0x01;
        EXPECT_EQ(ControlTransferFromRecord(record, 0x20000), std::nullopt) << "byte " << at;
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

TEST(UsbBulkRead, ChunksShortPacketsTimeOutsAndErrors) {
    struct Case {
        const char* name;
        std::vector<FakeBulk::Step> script;
        std::uint32_t size, timeoutMs;
        Kind kind;
        std::uint32_t bytes;
        std::vector<int> lengths;
    };
    const Case cases[] = {
        {"whole frame in chunks", {}, 10, 1000, Kind::Completed, 10, {4, 4, 2}},
        {"a short packet ends the frame", {{0, -1}, {0, 1}}, 16, 1000, Kind::Completed, 5, {4, 4}},
        {"a zero-length packet is an empty frame", {{0, 0}}, 8, 1000, Kind::Completed, 0, {4}},
        {"time-out without data", {{LIBUSB_ERROR_TIMEOUT, 0}}, 8, 50, Kind::TimedOut, 0, {4}},
        {"time-out after some data", {{0, -1}, {LIBUSB_ERROR_TIMEOUT, 3}}, 16, 50, Kind::Completed, 7, {4, 4}},
        {"a zero time-out never reaches libusb", {}, 8, 0, Kind::TimedOut, 0, {}},
        {"errors fail", {{0, -1}, {LIBUSB_ERROR_NO_DEVICE, 0}}, 16, 1000, Kind::Failed, 4, {4, 4}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeBulk bulk;
        bulk.script = c.script;
        std::vector<std::uint8_t> frame(c.size, 0);
        const auto r = ReadBulkFrame(bulk.Transfer(), frame.data(), c.size, c.timeoutMs, 4, bulk.Now());
        EXPECT_EQ(r.kind, c.kind);
        if (c.kind == Kind::Failed) {
            EXPECT_EQ(r.errorCode, static_cast<std::uint32_t>(-LIBUSB_ERROR_NO_DEVICE)) << "the positive libusb code";
        } else {
            EXPECT_EQ(r.bytesRead, c.bytes);
        }
        EXPECT_EQ(bulk.lengths, c.lengths);
        for (std::uint32_t i = 0; i < c.bytes; ++i) ASSERT_EQ(frame[i], i + 1) << "the data lands in order";
    }
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

TEST(UsbNodeProvider, FindsNoCameraHereWhateverIdsItLooksFor) {
    ScopedUsbIds env("fffe:fffd,0xFFFE:0xFFFC");
    UsbNodeProvider fromEnvironment, explicitIds({UsbDeviceId{0xFFFE, 0xFFFB}});
    for (UsbNodeProvider* provider : {&fromEnvironment, &explicitIds}) {
        for (int pass = 0; pass < 2; ++pass) {  // counted afresh, still none
            EXPECT_EQ(provider->CountNodes(), 0);
            EXPECT_EQ(provider->OpenNode(0), nullptr);
            EXPECT_EQ(provider->OpenNode(-1), nullptr);
        }
    }
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
