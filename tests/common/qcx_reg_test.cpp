// CQCXReg: opening the library's keys, number and byte values, and the
// fall-back rules for missing values and values of the other type.
#include "camera/common/qcx_reg.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "common/registry_root_fixture.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

class QcxRegTest : public test::RegistryRootTest {
protected:
    void OpenCompossor() { ASSERT_NE(reg_.Open("Compossor"), 1); }
    bool FileHas(const std::string& text) const { return test::ReadFile(ValueFile()).find(text) != std::string::npos; }
    CQCXReg reg_;
};

TEST_F(QcxRegTest, OpenCreatesThenOpensKeysBelowTheLibraryKey) {
    EXPECT_EQ(reg_.Open("Compossor"), 0);
    EXPECT_TRUE(fs::is_directory(KeyFolder()));
    for (const char* spelling : {"Compossor", "COMPOSSOR"}) EXPECT_EQ(CQCXReg().Open(spelling), 2) << spelling;
    EXPECT_EQ(test::FilesIn(KeyFolder().parent_path()), std::vector<std::string>{"Compossor"});
    // A second open replaces the key of the first; subkeys may nest.
    ASSERT_EQ(reg_.Open("Recording\\Last"), 0);
    ASSERT_EQ(reg_.SetNumber("dwFlags", 3), 0);
    EXPECT_TRUE(fs::exists(KeyFolder("Recording") / "Last" / "values.reg"));
}

TEST_F(QcxRegTest, BadSubkeysOrNullArgumentsFailAndTouchNothing) {
    // "SOFTWARE\Vantorix\QCXAPI\" takes 25 of the 255 characters.
    EXPECT_EQ(reg_.Open(std::string(230, 'k').c_str()), 0);
    const std::string subkeys[] = {std::string(231, 'k'), "", "a\\..\\..", "../escape"};
    for (const std::string& subkey : subkeys) {
        CQCXReg bad;
        EXPECT_EQ(bad.Open(subkey.c_str()), 1) << '"' << subkey << '"';
        EXPECT_EQ(bad.SetNumber("fccType", 1), 1) << '"' << subkey << '"';
    }
    EXPECT_FALSE(fs::exists(KeyFolder("a")));
    EXPECT_FALSE(fs::exists(root_.parent_path() / "escape"));

    CQCXReg none;
    std::uint32_t number = 77;
    std::array<std::uint8_t, 4> bytes{9, 9, 9, 9};
    for (int attempt = 0; attempt < 2; ++attempt) {  // never opened, then after a failed open
        SCOPED_TRACE(attempt);
        EXPECT_EQ(none.SetNumber("fccType", 1), 1);
        EXPECT_EQ(none.GetNumber("fccType", 5, &number), 1);
        EXPECT_EQ(none.SetBytes("lpFormat", bytes.data(), 4), 1);
        EXPECT_EQ(none.GetBytes("lpFormat", bytes.data(), 4), 1);
        ASSERT_EQ(none.Open(nullptr), 1);
    }
    EXPECT_EQ(number, 77u);
    EXPECT_EQ(bytes, (std::array<std::uint8_t, 4>{9, 9, 9, 9}));

    EXPECT_EQ(std::vector({reg_.SetNumber(nullptr, 1), reg_.GetNumber(nullptr, 1, &number),
                           reg_.GetNumber("fccType", 1, nullptr), reg_.SetBytes(nullptr, bytes.data(), 2),
                           reg_.SetBytes("lpFormat", nullptr, 2), reg_.GetBytes(nullptr, bytes.data(), 2),
                           reg_.GetBytes("lpFormat", nullptr, 2)}),
              std::vector(7, 1));
    EXPECT_FALSE(fs::exists(ValueFile(std::string(230, 'k')))) << "nothing was written";
}

TEST_F(QcxRegTest, KeyThatCannotBeWrittenOrIsGoneFailsQuietly) {
    // A file where a key folder belongs stops every user, root included.
    WriteText(root_ / "SOFTWARE", "not a folder");
    EXPECT_EQ(reg_.Open("Compossor"), 1);
    EXPECT_EQ(reg_.SetNumber("fccType", 1), 1);
    fs::remove(root_ / "SOFTWARE");

    // A key deleted while open: its values are not missing but unreadable, and writes do not bring it back.
    OpenCompossor();
    ASSERT_EQ(reg_.SetNumber("fccType", 1), 0);
    fs::remove_all(KeyFolder());
    std::uint32_t number = 77;
    std::array<std::uint8_t, 2> bytes{9, 9};
    EXPECT_EQ(reg_.GetNumber("fccType", 5, &number), 1);
    EXPECT_EQ(number, 77u) << "the default is not used";
    EXPECT_EQ(reg_.GetBytes("lpFormat", bytes.data(), 2), 1);
    EXPECT_EQ(bytes, (std::array<std::uint8_t, 2>{9, 9}));
    EXPECT_EQ(reg_.SetNumber("fccType", 2), 1);
    EXPECT_FALSE(fs::exists(KeyFolder()));

    if (RunningAsRoot()) return;  // root writes through any permission
    ASSERT_EQ(reg_.Open("Compossor"), 0);
    ASSERT_EQ(::chmod(KeyFolder().c_str(), 0500), 0);
    CQCXReg later;
    EXPECT_EQ(later.Open("Compossor"), 1) << "a key that may only be read";
}

TEST_F(QcxRegTest, MissingValuesReadAsTheDefaultOrZerosAndAreStoredSo) {
    OpenCompossor();
    std::uint32_t value = 99;
    EXPECT_EQ(reg_.GetNumber("dwKeyFrameEvery", 0, &value), 0);
    EXPECT_EQ(value, 0u);
    EXPECT_TRUE(FileHas("\"dwKeyFrameEvery\"=dword:00000000\n"));
    EXPECT_EQ(reg_.GetNumber("dwQuality", 8500, &value), 0);
    EXPECT_EQ(value, 8500u);
    EXPECT_EQ(reg_.GetNumber("dwQuality", 1, &value), 0);
    EXPECT_EQ(value, 8500u) << "the stored default wins over a later default";

    std::array<std::uint8_t, 6> read{9, 9, 9, 9, 9, 9};
    EXPECT_EQ(reg_.GetBytes("lpFormat", read.data(), 6), 1);
    EXPECT_EQ(read, (std::array<std::uint8_t, 6>{}));
    EXPECT_TRUE(FileHas("\"lpFormat\"=hex:00,00,00,00,00,00\n"));
    read.fill(9);
    EXPECT_EQ(reg_.GetBytes("lpFormat", read.data(), 6), 0) << "now it exists";
    EXPECT_EQ(read, (std::array<std::uint8_t, 6>{}));

    // A folder in the place of the value file: it holds no values and no write can replace it.
    fs::remove(ValueFile());
    fs::create_directory(ValueFile());
    EXPECT_EQ(reg_.GetNumber("dwQuality", 8500, &value), 1) << "the result of the write";
    EXPECT_EQ(value, 8500u) << "the default is output before the write";
    read.fill(9);
    EXPECT_EQ(reg_.GetBytes("lpFormat", read.data(), 2), 1);
    EXPECT_EQ(read, (std::array<std::uint8_t, 6>{0, 0, 9, 9, 9, 9}));
}

TEST_F(QcxRegTest, ValueOfTheOtherTypeFailsTheReadAfterCopyingWhatFits) {
    OpenCompossor();
    // Bytes read as a number: up to four go over the start of the output.
    const std::pair<Bytes, std::uint32_t> asNumbers[] = {
        {{0x78, 0x56, 0x34, 0x12}, 0x12345678u}, {{0xAB, 0xCD}, 0xFFFFCDABu}, {{1, 2, 3, 4, 5, 6, 7, 8}, 0xFFFFFFFFu}};
    for (const auto& [stored, expected] : asNumbers) {
        SCOPED_TRACE(stored.size());
        ASSERT_EQ(reg_.SetBytes("cbParms", stored.data(), static_cast<std::uint32_t>(stored.size())), 0);
        std::uint32_t value = 0xFFFFFFFF;
        EXPECT_EQ(reg_.GetNumber("cbParms", 7, &value), 1);
        EXPECT_EQ(value, expected);
    }
    EXPECT_TRUE(FileHas("\"cbParms\"=hex:01,02,03,04,05,06,07,08\n")) << "not replaced by the default";

    // A number read as bytes: its four bytes, when they fit.
    ASSERT_EQ(reg_.SetNumber("lpFormat", 0x11223344), 0);
    std::array<std::uint8_t, 6> read{9, 9, 9, 9, 9, 9};
    EXPECT_EQ(reg_.GetBytes("lpFormat", read.data(), 6), 1);
    EXPECT_EQ(read, (std::array<std::uint8_t, 6>{0x44, 0x33, 0x22, 0x11, 9, 9}));
    std::array<std::uint8_t, 3> small{9, 9, 9};
    EXPECT_EQ(reg_.GetBytes("lpFormat", small.data(), 3), 1);
    EXPECT_EQ(small, (std::array<std::uint8_t, 3>{9, 9, 9})) << "four bytes do not fit into three";
}

// A value file written by hand (as a registry export would hold it) is read
// by its rules, and writes keep its lines in place.
TEST_F(QcxRegTest, HandWrittenValuesAreReadByNameInAnyCaseAndWritesKeepTheirLines) {
    OpenCompossor();
    WriteText(ValueFile(), "Windows Registry Editor Version 5.00\n\n"
                           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantorix\\QCXAPI\\Compossor]\n"
                           "\"fccHandler\"=dword:47504a4d\n\"say \\\"a\\\\b\\\"\"=dword:00000007\n"
                           "\"lpFormat\"=hex:28,00,00,00,ff\n\"lpParms\"=hex:\n");
    std::uint32_t number = 0;
    EXPECT_EQ(reg_.GetNumber("FCCHANDLER", 1, &number), 0);
    EXPECT_EQ(number, 0x47504A4Du);
    EXPECT_EQ(reg_.GetNumber("say \"a\\b\"", 1, &number), 0);
    EXPECT_EQ(number, 7u);
    // Bytes: a buffer shorter than the value gets nothing; a longer one the value.
    for (std::uint32_t length : {5u, 7u, 4u}) {
        Bytes read(length, 0xEE), expected = read;
        if (length >= 5) std::copy_n(Bytes{0x28, 0, 0, 0, 0xFF}.begin(), 5, expected.begin());
        EXPECT_EQ(reg_.GetBytes("LPFORMAT", read.data(), length), length >= 5 ? 0 : 1) << length;
        EXPECT_EQ(read, expected) << length;
    }
    std::array<std::uint8_t, 2> empty{9, 9};
    EXPECT_EQ(reg_.GetBytes("lpParms", nullptr, 0), 0);
    EXPECT_EQ(reg_.GetBytes("lpParms", empty.data(), 2), 0);
    EXPECT_EQ(empty, (std::array<std::uint8_t, 2>{9, 9}));

    // One value whatever the case of its name, kept under its first spelling.
    ASSERT_EQ(reg_.SetNumber("FccHandler", 0x80000000u), 0);
    ASSERT_EQ(reg_.SetBytes("lpparms", nullptr, 0), 0) << "an empty block needs no pointer";
    EXPECT_TRUE(FileHas("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantorix\\QCXAPI\\Compossor]\n"
                        "\"fccHandler\"=dword:80000000\n\"say \\\"a\\\\b\\\"\"=dword:00000007\n"
                        "\"lpFormat\"=hex:28,00,00,00,ff\n\"lpParms\"=hex:\n"));
    // A name that no line can hold is refused; as a missing value its default cannot be stored.
    EXPECT_EQ(reg_.SetNumber("two\nlines", 1), 1);
    EXPECT_EQ(reg_.GetNumber("two\nlines", 3, &number), 1);
    EXPECT_EQ(number, 3u);
}

}  // namespace
}  // namespace qcx
