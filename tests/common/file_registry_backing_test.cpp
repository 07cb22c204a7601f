// The registry kept in files: key folders, the text of the value file,
// damaged value files, atomic replacement, concurrent writers and the choice
// of the root folder.
#include <sys/stat.h>

#include <iterator>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "camera/platform/registry_backing.h"
#include "common/registry_root_fixture.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::string>;
using Result = RegistryQuery::Result;
namespace fs = std::filesystem;

constexpr char kCompossorPath[] = "SOFTWARE\\Vantorix\\QCXAPI\\Compossor";
const std::string kHeader =
    "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantorix\\QCXAPI\\Compossor]\n";

class FileRegistryTest : public test::RegistryRootTest {
protected:
    std::unique_ptr<RegistryKey> OpenCompossor() {
        auto key = CreateRegistryKey(kCompossorPath, nullptr);
        EXPECT_NE(key, nullptr);
        return key;
    }
};

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
    ASSERT_TRUE(key->SetNumber("fccType", 0x73646976));
    ASSERT_TRUE(key->SetNumber("lpFormat", 1));
    ASSERT_TRUE(key->SetBytes("lpParms", nullptr, 0));
    ASSERT_TRUE(key->SetNumber("say \"a\\b\"", 0xABCDEF));
    ASSERT_TRUE(key->SetNumber("", 0));
    ASSERT_TRUE(key->SetBytes("lpFormat", format, 3));  // keeps its place and the other values
    EXPECT_EQ(test::ReadFile(root_ / "Software" / "VANTORIX" / "QCXAPI" / "Compossor" / "values.reg"),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_LOCAL_MACHINE\\Software\\VANTORIX\\QCXAPI\\Compossor]\n"
              "\"fccType\"=dword:73646976\n"
              "\"lpFormat\"=hex:01,02,ff\n"
              "\"lpParms\"=hex:\n"
              "\"say \\\"a\\\\b\\\"\"=dword:00abcdef\n"
              "@=dword:00000000\n");
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
         "\"g\"=hex:01 ,02\n",
         {"a", "b", "c", "d", "e", "f", "g"}},
        {"\"a\"=dword:123\n\"b\"=dword:123456789\n\"c\"=dword:1234567z\n\"d\"=dword:\n\"e\"=dword:-0000001\n"
         "\"f\"=dword:0x000001\n",
         {"a", "b", "c", "d", "e", "f"}},
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
    constexpr int kThreads = 4;
    constexpr int kValuesEach = 25;
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([t] {
            auto key = CreateRegistryKey(kCompossorPath, nullptr);
            const Bytes block(1000 - t, 0x5A);
            for (int i = 0; key && i < kValuesEach; ++i) {
                key->SetNumber("t" + std::to_string(t) + "v" + std::to_string(i), static_cast<std::uint32_t>(i));
                key->SetNumber("shared", static_cast<std::uint32_t>(t));
                key->SetBytes("block", block.data(), block.size());
            }
        });
    }
    // A reader meanwhile always finds a whole file: every value read is well formed.
    auto reader = OpenCompossor();
    for (int i = 0; i < 200; ++i) {
        RegistryQuery query = reader->Query("shared");
        if (query.result == Result::kFound) {
            ASSERT_EQ(query.content.size(), 4u);
            ASSERT_LT(query.content[0], kThreads);
        }
    }
    for (auto& writer : writers) writer.join();
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kValuesEach; ++i) {
            RegistryQuery query = reader->Query("t" + std::to_string(t) + "v" + std::to_string(i));
            ASSERT_EQ(query.result, Result::kFound) << t << ' ' << i;
            EXPECT_EQ(query.content[0], i);
        }
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
    if (RunningAsRoot()) return;  // root writes through any permission
    ASSERT_EQ(::chmod(machine.c_str(), 0500), 0);
    EXPECT_EQ(ChooseRegistryRoot({"", machine.string(), "/cfg", ""}), "/cfg/qcxapi/registry");
}

TEST_F(FileRegistryTest, WithoutAnExplicitRootAUserTakesTheXdgStore) {
    // Only where the machine store is out of reach: elsewhere the choice would write below /etc.
    if (RunningAsRoot() || ::access("/etc", W_OK) == 0 || ::access("/etc/qcxapi", W_OK) == 0 ||
        ::access("/etc/qcxapi/registry", W_OK) == 0)
        GTEST_SKIP() << "this process may write the machine store";
    test::SavedEnvironment xdg("XDG_CONFIG_HOME");
    test::SavedEnvironment home("HOME");
    unsetenv("QCX_REGISTRY_ROOT");
    setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
    setenv("HOME", (root_ / "home").c_str(), 1);
    EXPECT_EQ(RegistryRoot(), (root_ / "config" / "qcxapi" / "registry").string());
    setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(RegistryRoot(), (root_ / "home" / ".config" / "qcxapi" / "registry").string());
}

}  // namespace
}  // namespace qcx
