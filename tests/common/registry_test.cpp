// The registry kept in files (key folders, the value file's text, damaged
// files, atomic replacement, concurrent writers, the root folder) and CQCXReg
// over it: its keys, values and fall-back rules. Each test keeps the store in
// a folder of its own, named by QCX_REGISTRY_ROOT.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "camera/common/qcx_reg.h"
#include "camera/platform/registry_backing.h"
#include "support/temp_folder.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::string>;
using Result = RegistryQuery::Result;
namespace fs = std::filesystem;

constexpr char kCompossorPath[] = "SOFTWARE\\Vantorix\\QCXAPI\\Compossor";
const std::string kHeader =
    "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantorix\\QCXAPI\\Compossor]\n";

class RegistryRootTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("QCX_REGISTRY_ROOT", root_.c_str(), 1); }
    void TearDown() override { setenv("QCX_REGISTRY_ROOT", process_.c_str(), 1); }
    fs::path KeyFolder(const std::string& subkey = "Compossor") const {
        return root_ / "SOFTWARE" / "Vantorix" / "QCXAPI" / subkey;
    }
    fs::path ValueFile(const std::string& subkey = "Compossor") const { return KeyFolder(subkey) / "values.reg"; }
    static void WriteText(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    }
    const std::string process_ = std::getenv("QCX_REGISTRY_ROOT");  // the common main's
    test::TempFolder folder_;
    const fs::path root_{folder_.Path()};
};

using FileRegistryTest = RegistryRootTest;

std::unique_ptr<RegistryKey> OpenCompossor() { return CreateRegistryKey(kCompossorPath, nullptr); }

TEST_F(FileRegistryTest, KeysAreFoldersMadeOnlyWhereTheyCanBe) {
    const std::string_view refused[] = {"", "\\", "A\\\\B", "\\A", "A\\", "A\\.\\B", "A\\..", "..", "A/B\\C", "/etc",
                                        std::string_view("A\0B", 3)};
    for (std::string_view path : refused)
        EXPECT_EQ(CreateRegistryKey(path, nullptr), nullptr) << '"' << std::string(path) << '"';
    EXPECT_TRUE(test::FilesIn(root_).empty()) << "nothing was created";

    // A missing root folder is made.
    const fs::path nested = root_ / "not" / "yet";
    setenv("QCX_REGISTRY_ROOT", nested.c_str(), 1);
    KeyDisposition disposition = KeyDisposition::kOpened;
    ASSERT_NE(CreateRegistryKey("Key", &disposition), nullptr);
    EXPECT_EQ(disposition, KeyDisposition::kCreated);
    EXPECT_TRUE(fs::is_directory(nested / "Key"));

    // A file where the root folder belongs.
    setenv("QCX_REGISTRY_ROOT", (nested / "Key" / "file" / "root").c_str(), 1);
    WriteText(nested / "Key" / "file", "not a folder");
    EXPECT_EQ(CreateRegistryKey("Key", nullptr), nullptr);
}

TEST_F(FileRegistryTest, ValuesAreWrittenAsARegistryExport) {
    // Parents that exist in another spelling are used, and the key line spells them so.
    ASSERT_NE(CreateRegistryKey("Software\\VANTORIX", nullptr), nullptr);
    auto key = OpenCompossor();
    const std::uint8_t format[] = {0x01, 0x02, 0xFF};
    // A value set again keeps its place and the other values.
    ASSERT_TRUE(key->SetNumber("fccType", 0x73646976) && key->SetNumber("lpFormat", 1) &&
                key->SetBytes("lpParms", nullptr, 0) && key->SetNumber("say \"a\\b\"", 0xABCDEF) &&
                key->SetNumber("", 0) && key->SetBytes("lpFormat", format, 3));
    EXPECT_EQ(test::ReadFile(root_ / "Software" / "VANTORIX" / "QCXAPI" / "Compossor" / "values.reg"),
              "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\VANTORIX\\QCXAPI\\Compossor]\n"
              "\"fccType\"=dword:73646976\n\"lpFormat\"=hex:01,02,ff\n\"lpParms\"=hex:\n"
              "\"say \\\"a\\\\b\\\"\"=dword:00abcdef\n@=dword:00000000\n");
    EXPECT_FALSE(fs::exists(root_ / "SOFTWARE"));
}

TEST_F(FileRegistryTest, HandWrittenFileIsRead) {
    auto key = OpenCompossor();
    // Line ends of another system, capital hex digits, no header lines, and a
    // name given twice, which keeps its first place and its last value.
    WriteText(ValueFile(), "\"n\"=dword:DEADBEEF\r\n\"b\"=hex:0A,Ff\r\n\"m\"=dword:00000001\n\"M\"=hex:\n");
    const auto read = [&](const char* name) {
        RegistryQuery query = key->Query(name);
        return std::tuple(query.result, query.type, query.content);
    };
    EXPECT_EQ(read("n"), std::tuple(Result::kFound, RegistryValueType::kNumber, Bytes{0xEF, 0xBE, 0xAD, 0xDE}));
    EXPECT_EQ(read("B"), std::tuple(Result::kFound, RegistryValueType::kBytes, Bytes{0x0A, 0xFF}));
    EXPECT_EQ(read("m"), std::tuple(Result::kFound, RegistryValueType::kBytes, Bytes{}));
    ASSERT_TRUE(key->SetNumber("b", 3));
    EXPECT_EQ(test::ReadFile(ValueFile()), kHeader + "\"n\"=dword:deadbeef\n\"b\"=dword:00000003\n\"m\"=hex:\n");
}

TEST_F(FileRegistryTest, DamagedLinesAreMissingAndTheNextWriteDropsThem) {
    // Bytes that are no text at all, and names and data with a NUL inside.
    constexpr char kBinaryJunk[] = "\xff\xfe\x00\x01\n\"z\x00\"=dword:00000001\n\"y\"=hex:\x00\n\x80\x81\x82";
    const std::pair<std::string, Names> damaged[] = {
        {"hello world\n=dword:00000001\n\"\n\"x\" = dword:00000001\n", {"x", ""}},
        {"\"n\"=dword:7364", {"n"}},  // the last line cut short
        {"\"a\"=hex:0g,01\n\"b\"=hex:1,02\n\"c\"=hex:01,,02\n\"d\"=hex:01,02,\n\"e\"=hex:010\n\"f\"=hex: 01\n"
         "\"g\"=hex:01 ,02\n", {"a", "b", "c", "d", "e", "f", "g"}},
        {"\"a\"=dword:123\n\"b\"=dword:123456789\n\"c\"=dword:1234567z\n\"d\"=dword:\n\"e\"=dword:-0000001\n"
         "\"f\"=dword:0x000001\n", {"a", "b", "c", "d", "e", "f"}},
        {"\"s\"=\"text\"\n\"x\"=hex(2):00\n\"q\"=qword:0000000000000001\n", {"s", "x", "q"}},
        {"\"a\\x\"=dword:00000001\nb=dword:00000001\n\"c\"\"=dword:00000001\n", {"a\\x", "ax", "b", "c"}},
        {std::string(kBinaryJunk, sizeof kBinaryJunk - 1), {"z", "y"}},
    };
    auto key = OpenCompossor();
    for (std::size_t i = 0; i < std::size(damaged); ++i) {
        SCOPED_TRACE(i);
        WriteText(ValueFile(), kHeader + "\"good\"=dword:00000007\n" + damaged[i].first);
        for (const std::string& name : damaged[i].second)
            EXPECT_EQ(key->Query(name).result, Result::kMissing) << name;
        EXPECT_EQ(key->Query("good").content, (Bytes{7, 0, 0, 0})) << "good lines still read";
        ASSERT_TRUE(key->SetNumber("new", 1));
        EXPECT_EQ(test::ReadFile(ValueFile()), kHeader + "\"good\"=dword:00000007\n\"new\"=dword:00000001\n");
    }
}

TEST_F(FileRegistryTest, EmptyOrUnreadableValueFileHasNoValues) {
    auto key = OpenCompossor();
    WriteText(ValueFile(), "");
    EXPECT_EQ(key->Query("fccType").result, Result::kMissing);
    fs::remove(ValueFile());
    // A folder and a pipe in the file's place: neither is read (the pipe must not stall the reader).
    fs::create_directory(ValueFile());
    EXPECT_EQ(key->Query("fccType").result, Result::kMissing);
    EXPECT_FALSE(key->SetNumber("fccType", 1)) << "a folder cannot be replaced by a file";
    EXPECT_EQ(test::FilesIn(KeyFolder()), Names{"values.reg"}) << "a failed write leaves no temporary file";
    fs::remove(ValueFile());
    ASSERT_EQ(::mkfifo(ValueFile().c_str(), 0600), 0);
    EXPECT_EQ(key->Query("fccType").result, Result::kMissing);
    ASSERT_TRUE(key->SetNumber("fccType", 1));
    EXPECT_EQ(test::ReadFile(ValueFile()), kHeader + "\"fccType\"=dword:00000001\n");
}

TEST_F(FileRegistryTest, WritersInOneProcessLoseNoValueAndLeaveNoTemporaryFiles) {
    constexpr int kThreads = 4, kValuesEach = 25;
    auto name = [](int t, int i) { return "t" + std::to_string(t) + "v" + std::to_string(i); };
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t)
        writers.emplace_back([t, name] {
            auto key = CreateRegistryKey(kCompossorPath, nullptr);
            const Bytes block(1000 - t, 0x5A);
            for (int i = 0; key && i < kValuesEach; ++i) {
                key->SetNumber(name(t, i), static_cast<std::uint32_t>(i));
                key->SetNumber("shared", static_cast<std::uint32_t>(t));
                key->SetBytes("block", block.data(), block.size());
            }
        });
    // A reader meanwhile always finds a whole file: every value read is well formed.
    auto reader = OpenCompossor();
    for (int i = 0; i < 200; ++i) {
        const RegistryQuery query = reader->Query("shared");
        ASSERT_TRUE(query.result != Result::kFound || (query.content.size() == 4 && query.content[0] < kThreads));
    }
    for (auto& writer : writers) writer.join();
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kValuesEach; ++i)
            EXPECT_EQ(reader->Query(name(t, i)).content, Bytes({static_cast<std::uint8_t>(i), 0, 0, 0})) << name(t, i);
    EXPECT_EQ(reader->Query("shared").result, Result::kFound);
    EXPECT_EQ(test::FilesIn(KeyFolder()), Names{"values.reg"});
}

TEST_F(FileRegistryTest, RootIsTheExplicitOneThenTheMachineStoreThenThePerUserStore) {
    EXPECT_EQ(ChooseRegistryRoot({"/explicit/root", root_.string(), "/xdg", "/home/user"}), "/explicit/root");
    const fs::path machine = root_ / "etc" / "qcxapi" / "registry";
    EXPECT_EQ(ChooseRegistryRoot({"", machine.string(), "/xdg", "/home/user"}), machine.string());
    EXPECT_TRUE(fs::is_directory(machine)) << "made when missing";

    // A machine store below a plain file cannot be made, whoever asks.
    WriteText(root_ / "file", "not a folder");
    const std::string blocked = (root_ / "file" / "registry").string();
    EXPECT_EQ(ChooseRegistryRoot({"", blocked, "/cfg", "/home/user"}), "/cfg/qcxapi/registry");
    EXPECT_EQ(ChooseRegistryRoot({"", blocked, "", "/home/user"}), "/home/user/.config/qcxapi/registry");
    EXPECT_EQ(ChooseRegistryRoot({"", blocked, "relative/cfg", "/home/user"}), "/home/user/.config/qcxapi/registry")
        << "a relative XDG_CONFIG_HOME is ignored";
    EXPECT_EQ(ChooseRegistryRoot({"", blocked, "", ""}), "");
}

class QcxRegTest : public RegistryRootTest {
protected:
    void OpenCompossor() { ASSERT_NE(reg_.Open("Compossor"), 1); }
    bool FileHas(const std::string& text) const { return test::ReadFile(ValueFile()).find(text) != std::string::npos; }
    CQCXReg reg_;
};

TEST_F(QcxRegTest, OpenCreatesThenOpensKeysBelowTheLibraryKeyAndRefusesBadSubkeys) {
    EXPECT_EQ(reg_.Open("Compossor"), 0);
    EXPECT_TRUE(fs::is_directory(KeyFolder()));
    for (const char* spelling : {"Compossor", "COMPOSSOR"}) EXPECT_EQ(CQCXReg().Open(spelling), 2) << spelling;
    EXPECT_EQ(test::FilesIn(KeyFolder().parent_path()), std::vector<std::string>{"Compossor"});
    // A second open replaces the key of the first; subkeys may nest.
    ASSERT_EQ(reg_.Open("Recording\\Last"), 0);
    ASSERT_EQ(reg_.SetNumber("dwFlags", 3), 0);
    EXPECT_TRUE(fs::exists(KeyFolder("Recording") / "Last" / "values.reg"));
    // "SOFTWARE\Vantorix\QCXAPI\" takes 25 of the 255 characters. A key that
    // failed to open, or was never opened, takes no values.
    EXPECT_EQ(CQCXReg().Open(std::string(230, 'k').c_str()), 0);
    const std::string subkeys[] = {std::string(231, 'k'), "", "a\\..\\..", "../escape"};
    for (const std::string& subkey : subkeys) {
        CQCXReg bad;
        EXPECT_EQ(bad.Open(subkey.c_str()), 1) << subkey;
        EXPECT_EQ(bad.SetNumber("fccType", 1), 1) << subkey;
    }
    EXPECT_EQ(CQCXReg().SetNumber("fccType", 1), 1);
    EXPECT_FALSE(fs::exists(KeyFolder("a")) || fs::exists(root_.parent_path() / "escape"));
}

TEST_F(QcxRegTest, MissingValuesAreStoredAsTheDefaultAndValuesOfTheOtherTypeOrTooLongFailTheRead) {
    OpenCompossor();
    std::uint32_t value = 99;
    auto bytes = [&](const char* name, std::uint32_t length) {  // into `length` bytes of 9
        Bytes got(length, 9);
        const int result = reg_.GetBytes(name, got.data(), length);
        return std::pair(result, got);
    };
    // A missing value reads as the default, or as zeros, and is stored so.
    EXPECT_EQ(reg_.GetNumber("dwKeyFrameEvery", 0, &value), 0);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(reg_.GetNumber("dwQuality", 8500, &value), 0);
    EXPECT_EQ(reg_.GetNumber("dwQuality", 1, &value), 0);
    EXPECT_EQ(value, 8500u) << "the stored default wins over a later default";
    EXPECT_EQ(bytes("lpFormat", 6), std::pair(1, Bytes(6, 0)));
    EXPECT_EQ(bytes("lpFormat", 6), std::pair(0, Bytes(6, 0))) << "now it exists";
    EXPECT_TRUE(FileHas("\"dwKeyFrameEvery\"=dword:00000000\n\"dwQuality\"=dword:00002134\n"
                        "\"lpFormat\"=hex:00,00,00,00,00,00\n"));
    // A name that no line can hold is refused; as a missing value its default cannot be stored.
    EXPECT_EQ(reg_.SetNumber("two\nlines", 1), 1);
    EXPECT_EQ(reg_.GetNumber("two\nlines", 3, &value), 1);
    EXPECT_EQ(value, 3u);
    // Bytes read as a number: up to four go over the start of the output, and the default replaces nothing.
    const std::pair<Bytes, std::uint32_t> asNumbers[] = {
        {{0x78, 0x56, 0x34, 0x12}, 0x12345678u}, {{0xAB, 0xCD}, 0xFFFFCDABu}, {{1, 2, 3, 4, 5, 6, 7, 8}, 0xFFFFFFFFu}};
    for (const auto& [stored, expected] : asNumbers) {
        ASSERT_EQ(reg_.SetBytes("cbParms", stored.data(), static_cast<std::uint32_t>(stored.size())), 0);
        value = 0xFFFFFFFF;
        EXPECT_EQ(reg_.GetNumber("CBPARMS", 7, &value), 1);
        EXPECT_EQ(value, expected) << stored.size() << " bytes";
    }
    EXPECT_TRUE(FileHas("\"cbParms\"=hex:01,02,03,04,05,06,07,08\n"));
    // A number read as bytes: its four bytes, when they fit.
    ASSERT_EQ(reg_.SetNumber("lpFormat", 0x11223344), 0);
    EXPECT_EQ(bytes("lpFormat", 6), std::pair(1, Bytes{0x44, 0x33, 0x22, 0x11, 9, 9}));
    EXPECT_EQ(bytes("lpFormat", 3), std::pair(1, Bytes(3, 9)));
    // Bytes: a buffer shorter than the value gets nothing, a longer one the
    // value; an empty block needs no pointer.
    ASSERT_EQ(reg_.SetBytes("lpFormat", Bytes{0x28, 0, 0, 0, 0xFF}.data(), 5), 0);
    EXPECT_EQ(bytes("LPFORMAT", 7), std::pair(0, Bytes{0x28, 0, 0, 0, 0xFF, 9, 9}));
    EXPECT_EQ(bytes("LPFORMAT", 4), std::pair(1, Bytes(4, 9)));
    ASSERT_EQ(reg_.SetBytes("lpParms", nullptr, 0), 0);
    EXPECT_EQ(reg_.GetBytes("lpParms", nullptr, 0), 0);
    EXPECT_EQ(bytes("lpparms", 2), std::pair(0, Bytes(2, 9)));
    // A folder in the place of the value file: it holds no values and no
    // write can replace it; the default is output before the write whose
    // result is returned.
    fs::remove(ValueFile());
    fs::create_directory(ValueFile());
    value = 0;
    EXPECT_EQ(reg_.GetNumber("dwQuality", 8500, &value), 1);
    EXPECT_EQ(value, 8500u);
    EXPECT_EQ(bytes("lpFormat", 2), std::pair(1, Bytes(2, 0)));
}

}  // namespace
}  // namespace qcx
