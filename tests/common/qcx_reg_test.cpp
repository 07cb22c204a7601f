// CQCXReg: opening the library's keys, the number and byte values, and the
// fall-back rules for missing values and values of the other type.
#include "camera/common/qcx_reg.h"

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "common/registry_root_fixture.h"

namespace qcx {
namespace {

using test::RegistryRootTest;

class QcxRegTest : public RegistryRootTest {
protected:
    // The key "Compossor", opened on a fresh object.
    void OpenCompossor() { ASSERT_NE(reg_.Open("Compossor"), 1); }
    CQCXReg reg_;
};

// ---- Opening keys -----------------------------------------------------------

using QcxRegOpenTest = QcxRegTest;

TEST_F(QcxRegOpenTest, FirstOpenCreatesTheKeyAndLaterOpensFindIt) {
    EXPECT_EQ(reg_.Open("Compossor"), 0);
    EXPECT_TRUE(std::filesystem::is_directory(KeyFolder()));
    for (int i = 0; i < 2; ++i) {
        CQCXReg later;
        EXPECT_EQ(later.Open("Compossor"), 2) << "use " << i;
    }
}

TEST_F(QcxRegOpenTest, KeyNamesIgnoreLetterCase) {
    ASSERT_EQ(reg_.Open("Compossor"), 0);
    ASSERT_EQ(reg_.SetNumber("dwQuality", 7500), 0);
    CQCXReg other;
    EXPECT_EQ(other.Open("COMPOSSOR"), 2);
    std::uint32_t quality = 0;
    EXPECT_EQ(other.GetNumber("dwQuality", 0, &quality), 0);
    EXPECT_EQ(quality, 7500u);
    EXPECT_FALSE(std::filesystem::exists(KeyFolder("COMPOSSOR")));
}

TEST_F(QcxRegOpenTest, NestedSubkeysAreFoldersBelowTheLibraryKey) {
    EXPECT_EQ(reg_.Open("Recording\\Last"), 0);
    EXPECT_TRUE(std::filesystem::is_directory(KeyFolder("Recording") / "Last"));
}

TEST_F(QcxRegOpenTest, WholePathIsLimitedTo255Characters) {
    // "SOFTWARE\Vantorix\QCXAPI\" takes 25 characters.
    const std::string longest(230, 'k');
    EXPECT_EQ(reg_.Open(longest.c_str()), 0);
    CQCXReg tooLong;
    EXPECT_EQ(tooLong.Open((longest + "k").c_str()), 1);
    EXPECT_EQ(tooLong.SetNumber("fccType", 1), 1);
}

TEST_F(QcxRegOpenTest, MalformedSubkeysFailAndCreateNothing) {
    const char* malformed[] = {"", "a\\\\b", "\\a", "a\\", ".", "..", "a\\..\\..", "a/b", "../escape"};
    for (const char* subkey : malformed) EXPECT_EQ(reg_.Open(subkey), 1) << '"' << subkey << '"';
    EXPECT_EQ(reg_.Open(nullptr), 1);
    EXPECT_FALSE(std::filesystem::exists(KeyFolder("a")));
    EXPECT_FALSE(std::filesystem::exists(root_.parent_path() / "escape"));
}

TEST_F(QcxRegOpenTest, OperationsWithoutAnOpenKeyFailAndTouchNothing) {
    std::uint32_t number = 77;
    std::array<std::uint8_t, 4> bytes{9, 9, 9, 9};
    EXPECT_EQ(reg_.SetNumber("fccType", 1), 1);
    EXPECT_EQ(reg_.GetNumber("fccType", 5, &number), 1);
    EXPECT_EQ(number, 77u);
    EXPECT_EQ(reg_.SetBytes("lpFormat", bytes.data(), 4), 1);
    EXPECT_EQ(reg_.GetBytes("lpFormat", bytes.data(), 4), 1);
    EXPECT_EQ(bytes, (std::array<std::uint8_t, 4>{9, 9, 9, 9}));

    ASSERT_EQ(reg_.Open(""), 1);
    EXPECT_EQ(reg_.SetNumber("fccType", 1), 1) << "a failed open leaves no key";
}

TEST_F(QcxRegOpenTest, ASecondOpenReplacesTheKey) {
    ASSERT_EQ(reg_.Open("First"), 0);
    ASSERT_EQ(reg_.Open("Second"), 0);
    ASSERT_EQ(reg_.SetNumber("dwFlags", 3), 0);
    EXPECT_FALSE(std::filesystem::exists(ValueFile("First")));
    EXPECT_TRUE(std::filesystem::exists(ValueFile("Second")));
}

TEST_F(QcxRegOpenTest, UnwritableStoreFailsToOpenAndWritesFailQuietly) {
    if (RunningAsRoot()) GTEST_SKIP() << "root writes through any permission";
    ASSERT_EQ(::chmod(root_.c_str(), 0500), 0);
    EXPECT_EQ(reg_.Open("Compossor"), 1);
    std::uint32_t number = 77;
    EXPECT_EQ(reg_.SetNumber("fccType", 1), 1);
    EXPECT_EQ(reg_.GetNumber("fccType", 0, &number), 1);
    EXPECT_EQ(number, 77u);
    EXPECT_FALSE(std::filesystem::exists(root_ / "SOFTWARE"));
}

TEST_F(QcxRegOpenTest, ExistingKeyThatMayOnlyBeReadFailsToOpen) {
    if (RunningAsRoot()) GTEST_SKIP() << "root writes through any permission";
    ASSERT_EQ(reg_.Open("Compossor"), 0);
    ASSERT_EQ(::chmod(KeyFolder().c_str(), 0500), 0);
    CQCXReg later;
    EXPECT_EQ(later.Open("Compossor"), 1);
}

TEST_F(QcxRegOpenTest, DeletedKeyFailsEveryOperationAndIsNotRecreated) {
    OpenCompossor();
    ASSERT_EQ(reg_.SetNumber("fccType", 1), 0);
    std::filesystem::remove_all(KeyFolder());
    std::uint32_t number = 77;
    std::array<std::uint8_t, 2> bytes{9, 9};
    EXPECT_EQ(reg_.GetNumber("fccType", 5, &number), 1);
    EXPECT_EQ(number, 77u) << "not a missing value: the default is not used";
    EXPECT_EQ(reg_.GetBytes("lpFormat", bytes.data(), 2), 1);
    EXPECT_EQ(bytes, (std::array<std::uint8_t, 2>{9, 9}));
    EXPECT_EQ(reg_.SetNumber("fccType", 2), 1);
    EXPECT_FALSE(std::filesystem::exists(KeyFolder()));
}

// ---- Numbers ------------------------------------------------------------------

using QcxRegNumberTest = QcxRegTest;

TEST_F(QcxRegNumberTest, RoundTripsEveryWidth) {
    OpenCompossor();
    for (std::uint32_t stored : {0u, 1u, 0x73646976u, 0x80000000u, 0xFFFFFFFFu}) {
        ASSERT_EQ(reg_.SetNumber("fccHandler", stored), 0);
        std::uint32_t read = ~stored;
        EXPECT_EQ(reg_.GetNumber("fccHandler", 42, &read), 0);
        EXPECT_EQ(read, stored);
    }
}

TEST_F(QcxRegNumberTest, MissingValueWithDefaultZeroReadsZeroAndStoresIt) {
    OpenCompossor();
    std::uint32_t value = 99;
    EXPECT_EQ(reg_.GetNumber("dwKeyFrameEvery", 0, &value), 0);
    EXPECT_EQ(value, 0u);
    EXPECT_NE(ReadText(ValueFile()).find("\"dwKeyFrameEvery\"=dword:00000000\n"), std::string::npos);
}

TEST_F(QcxRegNumberTest, MissingValueTakesTheDefaultAndKeepsIt) {
    OpenCompossor();
    std::uint32_t value = 0;
    EXPECT_EQ(reg_.GetNumber("dwQuality", 8500, &value), 0);
    EXPECT_EQ(value, 8500u);
    EXPECT_EQ(reg_.GetNumber("dwQuality", 1, &value), 0);
    EXPECT_EQ(value, 8500u) << "the stored default wins over a later default";
}

TEST_F(QcxRegNumberTest, MissingValueWhoseWriteFailsReportsTheWrite) {
    if (RunningAsRoot()) GTEST_SKIP() << "root writes through any permission";
    OpenCompossor();
    ASSERT_EQ(::chmod(KeyFolder().c_str(), 0500), 0);
    std::uint32_t value = 0;
    EXPECT_EQ(reg_.GetNumber("dwQuality", 8500, &value), 1);
    EXPECT_EQ(value, 8500u) << "the default is output before the write";
}

TEST_F(QcxRegNumberTest, ValueWrittenByAnotherObjectIsSeenAtOnce) {
    OpenCompossor();
    CQCXReg other;
    ASSERT_EQ(other.Open("Compossor"), 2);
    ASSERT_EQ(other.SetNumber("dwFlags", 0xC), 0);
    std::uint32_t flags = 0;
    EXPECT_EQ(reg_.GetNumber("dwFlags", 0, &flags), 0);
    EXPECT_EQ(flags, 0xCu);
}

TEST_F(QcxRegNumberTest, BytesOfFourAreCopiedButTheReadFails) {
    OpenCompossor();
    const std::uint8_t four[] = {0x78, 0x56, 0x34, 0x12};
    ASSERT_EQ(reg_.SetBytes("cbFormat", four, 4), 0);
    std::uint32_t value = 0;
    EXPECT_EQ(reg_.GetNumber("cbFormat", 7, &value), 1);
    std::uint32_t expected = 0;
    std::memcpy(&expected, four, 4);
    EXPECT_EQ(value, expected);
}

TEST_F(QcxRegNumberTest, ShorterBytesFillTheStartOfTheOutput) {
    OpenCompossor();
    const std::uint8_t two[] = {0xAB, 0xCD};
    ASSERT_EQ(reg_.SetBytes("cbParms", two, 2), 0);
    std::uint32_t value = 0xFFFFFFFF;
    EXPECT_EQ(reg_.GetNumber("cbParms", 7, &value), 1);
    std::uint32_t expected = 0xFFFFFFFF;
    std::memcpy(&expected, two, 2);
    EXPECT_EQ(value, expected);
}

TEST_F(QcxRegNumberTest, LongerBytesLeaveTheOutputAlone) {
    OpenCompossor();
    const std::uint8_t eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(reg_.SetBytes("cbParms", eight, 8), 0);
    std::uint32_t value = 77;
    EXPECT_EQ(reg_.GetNumber("cbParms", 7, &value), 1);
    EXPECT_EQ(value, 77u);
    EXPECT_NE(ReadText(ValueFile()).find("\"cbParms\"=hex:01,02,03,04,05,06,07,08\n"), std::string::npos)
        << "a value of the other type is not replaced by the default";
}

TEST_F(QcxRegNumberTest, NullArgumentsFail) {
    OpenCompossor();
    std::uint32_t value = 0;
    EXPECT_EQ(reg_.SetNumber(nullptr, 1), 1);
    EXPECT_EQ(reg_.GetNumber(nullptr, 1, &value), 1);
    EXPECT_EQ(reg_.GetNumber("fccType", 1, nullptr), 1);
    EXPECT_FALSE(std::filesystem::exists(ValueFile())) << "nothing was written";
}

// ---- Byte blocks ---------------------------------------------------------------

using QcxRegBytesTest = QcxRegTest;

TEST_F(QcxRegBytesTest, RoundTripsIntoABufferOfTheSameLength) {
    OpenCompossor();
    std::vector<std::uint8_t> block(300);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i * 7);
    ASSERT_EQ(reg_.SetBytes("lpFormat", block.data(), 300), 0);
    std::vector<std::uint8_t> read(300, 0xEE);
    EXPECT_EQ(reg_.GetBytes("lpFormat", read.data(), 300), 0);
    EXPECT_EQ(read, block);
}

TEST_F(QcxRegBytesTest, LargerBufferTakesTheStoredBytesOnly) {
    OpenCompossor();
    const std::uint8_t block[] = {1, 2, 3};
    ASSERT_EQ(reg_.SetBytes("lpParms", block, 3), 0);
    std::array<std::uint8_t, 5> read{9, 9, 9, 9, 9};
    EXPECT_EQ(reg_.GetBytes("lpParms", read.data(), 5), 0);
    EXPECT_EQ(read, (std::array<std::uint8_t, 5>{1, 2, 3, 9, 9}));
}

TEST_F(QcxRegBytesTest, StoredValueLongerThanTheBufferIsNotCopied) {
    OpenCompossor();
    const std::uint8_t block[] = {1, 2, 3, 4};
    ASSERT_EQ(reg_.SetBytes("lpParms", block, 4), 0);
    std::array<std::uint8_t, 3> read{9, 9, 9};
    EXPECT_EQ(reg_.GetBytes("lpParms", read.data(), 3), 1);
    EXPECT_EQ(read, (std::array<std::uint8_t, 3>{9, 9, 9}));
}

TEST_F(QcxRegBytesTest, EmptyBlocksRoundTrip) {
    OpenCompossor();
    ASSERT_EQ(reg_.SetBytes("lpParms", nullptr, 0), 0) << "an empty block needs no pointer";
    EXPECT_NE(ReadText(ValueFile()).find("\"lpParms\"=hex:\n"), std::string::npos);
    std::array<std::uint8_t, 2> read{9, 9};
    EXPECT_EQ(reg_.GetBytes("lpParms", read.data(), 0), 0);
    EXPECT_EQ(reg_.GetBytes("lpParms", nullptr, 0), 0);
    EXPECT_EQ(reg_.GetBytes("lpParms", read.data(), 2), 0);
    EXPECT_EQ(read, (std::array<std::uint8_t, 2>{9, 9}));

    EXPECT_EQ(reg_.GetBytes("missing", nullptr, 0), 1) << "a missing block of length 0 is stored empty";
    EXPECT_NE(ReadText(ValueFile()).find("\"missing\"=hex:\n"), std::string::npos);
}

TEST_F(QcxRegBytesTest, MissingValueReadsZerosStoresThemAndFails) {
    OpenCompossor();
    std::array<std::uint8_t, 6> read{9, 9, 9, 9, 9, 9};
    EXPECT_EQ(reg_.GetBytes("lpFormat", read.data(), 6), 1);
    EXPECT_EQ(read, (std::array<std::uint8_t, 6>{}));
    EXPECT_NE(ReadText(ValueFile()).find("\"lpFormat\"=hex:00,00,00,00,00,00\n"), std::string::npos);

    read.fill(9);
    EXPECT_EQ(reg_.GetBytes("lpFormat", read.data(), 6), 0) << "now it exists";
    EXPECT_EQ(read, (std::array<std::uint8_t, 6>{}));
}

TEST_F(QcxRegBytesTest, MissingValueFailsEvenWhenItsWriteFails) {
    if (RunningAsRoot()) GTEST_SKIP() << "root writes through any permission";
    OpenCompossor();
    ASSERT_EQ(::chmod(KeyFolder().c_str(), 0500), 0);
    std::array<std::uint8_t, 2> read{9, 9};
    EXPECT_EQ(reg_.GetBytes("lpFormat", read.data(), 2), 1);
    EXPECT_EQ(read, (std::array<std::uint8_t, 2>{}));
}

TEST_F(QcxRegBytesTest, NumberIsCopiedIntoFourBytesButTheReadFails) {
    OpenCompossor();
    const std::uint32_t number = 0x11223344;
    ASSERT_EQ(reg_.SetNumber("lpFormat", number), 0);
    std::array<std::uint8_t, 6> read{9, 9, 9, 9, 9, 9};
    EXPECT_EQ(reg_.GetBytes("lpFormat", read.data(), 6), 1);
    std::array<std::uint8_t, 6> expected{9, 9, 9, 9, 9, 9};
    std::memcpy(expected.data(), &number, 4);
    EXPECT_EQ(read, expected);

    std::array<std::uint8_t, 3> small{9, 9, 9};
    EXPECT_EQ(reg_.GetBytes("lpFormat", small.data(), 3), 1);
    EXPECT_EQ(small, (std::array<std::uint8_t, 3>{9, 9, 9})) << "four bytes do not fit into three";
}

TEST_F(QcxRegBytesTest, NullArgumentsFail) {
    OpenCompossor();
    std::array<std::uint8_t, 2> bytes{1, 2};
    EXPECT_EQ(reg_.SetBytes(nullptr, bytes.data(), 2), 1);
    EXPECT_EQ(reg_.SetBytes("lpFormat", nullptr, 2), 1);
    EXPECT_EQ(reg_.GetBytes(nullptr, bytes.data(), 2), 1);
    EXPECT_EQ(reg_.GetBytes("lpFormat", nullptr, 2), 1);
    EXPECT_FALSE(std::filesystem::exists(ValueFile())) << "nothing was written";
}

// ---- Value names ---------------------------------------------------------------

using QcxRegNameTest = QcxRegTest;

TEST_F(QcxRegNameTest, QuotesAndBackslashesRoundTrip) {
    OpenCompossor();
    const char* names[] = {"say \"cheese\"", "C:\\path\\", "\\\"", "\"", "\\", "@", "a=b", "[section]"};
    std::uint32_t n = 1;
    for (const char* name : names) ASSERT_EQ(reg_.SetNumber(name, n++), 0) << name;
    const std::uint8_t bytes[] = {0xFF, 0x00};
    ASSERT_EQ(reg_.SetBytes("quoted \"block\"\\", bytes, 2), 0);

    CQCXReg other;
    ASSERT_EQ(other.Open("Compossor"), 2);
    n = 1;
    for (const char* name : names) {
        std::uint32_t value = 0;
        EXPECT_EQ(other.GetNumber(name, 0, &value), 0) << name;
        EXPECT_EQ(value, n++) << name;
    }
    std::array<std::uint8_t, 2> read{};
    EXPECT_EQ(other.GetBytes("quoted \"block\"\\", read.data(), 2), 0);
    EXPECT_EQ(read, (std::array<std::uint8_t, 2>{0xFF, 0x00}));
}

TEST_F(QcxRegNameTest, TheUnnamedValueIsKept) {
    OpenCompossor();
    ASSERT_EQ(reg_.SetNumber("", 5), 0);
    std::uint32_t value = 0;
    EXPECT_EQ(reg_.GetNumber("", 0, &value), 0);
    EXPECT_EQ(value, 5u);
    EXPECT_NE(ReadText(ValueFile()).find("\n@=dword:00000005\n"), std::string::npos);
}

TEST_F(QcxRegNameTest, NamesIgnoreLetterCaseAndKeepTheirFirstSpelling) {
    OpenCompossor();
    ASSERT_EQ(reg_.SetNumber("fccType", 1), 0);
    ASSERT_EQ(reg_.SetNumber("FCCTYPE", 2), 0);
    std::uint32_t value = 0;
    EXPECT_EQ(reg_.GetNumber("FccType", 0, &value), 0);
    EXPECT_EQ(value, 2u);
    const std::string text = ReadText(ValueFile());
    EXPECT_NE(text.find("\"fccType\"=dword:00000002\n"), std::string::npos);
    EXPECT_EQ(text.find("FCCTYPE"), std::string::npos);
}

TEST_F(QcxRegNameTest, NameThatNoLineCanHoldIsRefused) {
    OpenCompossor();
    EXPECT_EQ(reg_.SetNumber("two\nlines", 1), 1);
    std::uint32_t value = 0;
    EXPECT_EQ(reg_.GetNumber("two\nlines", 3, &value), 1) << "missing, and the default cannot be stored";
    EXPECT_EQ(value, 3u);
}

// ---- The compressor options of a recording ----------------------------------------

using QcxRegRecordingTest = QcxRegTest;

TEST_F(QcxRegRecordingTest, OptionsStoredByOneRecordingAreReadByTheNext) {
    const char* numberNames[] = {"fccType",  "fccHandler", "dwKeyFrameEvery", "dwQuality",        "dwBytesPerSecond",
                                 "dwFlags",  "cbFormat",   "cbParms",         "dwInterleaveEvery"};
    const std::uint32_t numbers[] = {0x73646976, 0x47504A4D, 15, 7500, 0, 0xE, 4, 3, 1};
    const std::uint8_t format[] = {0x28, 0x00, 0x00, 0x00};
    const std::uint8_t parms[] = {0xAA, 0xBB, 0xCC};
    {
        CQCXReg store;
        EXPECT_EQ(store.Open("Compossor"), 0) << "the first recording creates the key";
        for (int i = 0; i < 9; ++i) store.SetNumber(numberNames[i], numbers[i]);
        store.SetBytes("lpFormat", format, sizeof format);
        store.SetBytes("lpParms", parms, sizeof parms);
    }
    const std::string text = ReadText(ValueFile());
    std::size_t at = 0;
    for (const char* name : numberNames) {
        at = text.find(std::string("\n\"") + name + "\"=dword:", at);
        EXPECT_NE(at, std::string::npos) << name << " is stored, in the order of writing";
    }
    EXPECT_NE(text.find("\"lpFormat\"=hex:28,00,00,00\n\"lpParms\"=hex:aa,bb,cc\n"), std::string::npos);

    CQCXReg load;
    ASSERT_EQ(load.Open("Compossor"), 2);
    std::uint32_t read[9] = {};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(load.GetNumber(numberNames[i], 0, &read[i]), 0) << numberNames[i];
        EXPECT_EQ(read[i], numbers[i]) << numberNames[i];
    }
    std::vector<std::uint8_t> readFormat(read[6]), readParms(read[7]);
    EXPECT_EQ(load.GetBytes("lpFormat", readFormat.data(), read[6]), 0);
    EXPECT_EQ(load.GetBytes("lpParms", readParms.data(), read[7]), 0);
    EXPECT_EQ(readFormat, std::vector<std::uint8_t>(format, format + 4));
    EXPECT_EQ(readParms, std::vector<std::uint8_t>(parms, parms + 3));
}

}  // namespace
}  // namespace qcx
