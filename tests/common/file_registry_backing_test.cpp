// The registry kept in files: the key folders, the text of the value file,
// damaged value files, atomic replacement, concurrent writers and the choice
// of the root folder.
#include <fcntl.h>
#include <sys/stat.h>

#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "camera/platform/registry_backing.h"
#include "common/registry_root_fixture.h"

namespace qcx {
namespace {

using test::RegistryRootTest;

constexpr char kCompossorPath[] = "SOFTWARE\\Vantorix\\QCXAPI\\Compossor";
constexpr char kHeader[] =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantorix\\QCXAPI\\Compossor]\n";

class FileRegistryTest : public RegistryRootTest {
protected:
    std::unique_ptr<RegistryKey> OpenCompossor(KeyDisposition* disposition = nullptr) {
        auto key = CreateRegistryKey(kCompossorPath, disposition);
        EXPECT_NE(key, nullptr);
        return key;
    }

    static RegistryQuery::Result Lookup(const RegistryKey& key, std::string_view name) {
        return key.Query(name).result;
    }
};

// ---- Keys ----------------------------------------------------------------------

using FileRegistryKeyTest = FileRegistryTest;

TEST_F(FileRegistryKeyTest, KeyIsAFolderPerPartCreatedOnceThenOpened) {
    KeyDisposition disposition = KeyDisposition::kOpened;
    ASSERT_NE(OpenCompossor(&disposition), nullptr);
    EXPECT_EQ(disposition, KeyDisposition::kCreated);
    EXPECT_TRUE(std::filesystem::is_directory(KeyFolder()));
    EXPECT_FALSE(std::filesystem::exists(ValueFile())) << "a key without values has no value file";

    ASSERT_NE(OpenCompossor(&disposition), nullptr);
    EXPECT_EQ(disposition, KeyDisposition::kOpened);
}

TEST_F(FileRegistryKeyTest, MissingRootFolderIsCreated) {
    const auto nested = root_ / "not" / "yet";
    setenv("QCX_REGISTRY_ROOT", nested.c_str(), 1);
    ASSERT_NE(CreateRegistryKey("Key", nullptr), nullptr);
    EXPECT_TRUE(std::filesystem::is_directory(nested / "Key"));
}

TEST_F(FileRegistryKeyTest, PartsThatNameNoOrdinaryFolderAreRefused) {
    const std::string_view refused[] = {"",         "\\",       "A\\\\B", "\\A",         "A\\",
                                        "A\\.\\B",  "A\\..",    "..",     "A/B\\C",      "/etc",
                                        std::string_view("A\0B", 3)};
    for (std::string_view path : refused)
        EXPECT_EQ(CreateRegistryKey(path, nullptr), nullptr) << '"' << std::string(path) << '"';
    EXPECT_TRUE(FileNames(root_).empty()) << "nothing was created";
}

TEST_F(FileRegistryKeyTest, FileInThePlaceOfAKeyFolderFailsTheOpen) {
    ASSERT_NE(CreateRegistryKey("SOFTWARE", nullptr), nullptr);
    WriteText(root_ / "SOFTWARE" / "Vantorix", "not a folder");
    EXPECT_EQ(CreateRegistryKey(kCompossorPath, nullptr), nullptr);
}

TEST_F(FileRegistryKeyTest, KeyLineSpellsTheFoldersThatExist) {
    ASSERT_NE(CreateRegistryKey("Software\\VANTORIX", nullptr), nullptr);
    auto key = OpenCompossor();
    ASSERT_TRUE(key->SetNumber("x", 1));
    const auto file = root_ / "Software" / "VANTORIX" / "QCXAPI" / "Compossor" / "values.reg";
    EXPECT_EQ(ReadText(file),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_LOCAL_MACHINE\\Software\\VANTORIX\\QCXAPI\\Compossor]\n"
              "\"x\"=dword:00000001\n");
}

// ---- The value file ---------------------------------------------------------------

using FileRegistryFormatTest = FileRegistryTest;

TEST_F(FileRegistryFormatTest, SmallKeyIsWrittenAsARegistryExport) {
    auto key = OpenCompossor();
    const std::uint8_t format[] = {0x01, 0x02, 0xFF};
    ASSERT_TRUE(key->SetNumber("fccType", 0x73646976));
    ASSERT_TRUE(key->SetBytes("lpFormat", format, 3));
    ASSERT_TRUE(key->SetBytes("lpParms", nullptr, 0));
    ASSERT_TRUE(key->SetNumber("say \"a\\b\"", 0xABCDEF));
    ASSERT_TRUE(key->SetNumber("", 0));
    EXPECT_EQ(ReadText(ValueFile()), std::string(kHeader) +
                                         "\"fccType\"=dword:73646976\n"
                                         "\"lpFormat\"=hex:01,02,ff\n"
                                         "\"lpParms\"=hex:\n"
                                         "\"say \\\"a\\\\b\\\"\"=dword:00abcdef\n"
                                         "@=dword:00000000\n");
}

TEST_F(FileRegistryFormatTest, RewritingAValueKeepsItsPlaceAndTheOthers) {
    auto key = OpenCompossor();
    ASSERT_TRUE(key->SetNumber("a", 1));
    ASSERT_TRUE(key->SetNumber("b", 2));
    ASSERT_TRUE(key->SetNumber("c", 3));
    const std::uint8_t bytes[] = {0x10};
    ASSERT_TRUE(key->SetBytes("b", bytes, 1));
    EXPECT_EQ(ReadText(ValueFile()), std::string(kHeader) +
                                         "\"a\"=dword:00000001\n"
                                         "\"b\"=hex:10\n"
                                         "\"c\"=dword:00000003\n");
}

TEST_F(FileRegistryFormatTest, HandWrittenFileIsRead) {
    auto key = OpenCompossor();
    // Line ends of another system, capital hex digits, no header lines.
    WriteText(ValueFile(), "\"n\"=dword:DEADBEEF\r\n\"b\"=hex:0A,Ff\r\n");
    RegistryQuery number = key->Query("n");
    ASSERT_EQ(number.result, RegistryQuery::Result::kFound);
    EXPECT_EQ(number.content, (std::vector<std::uint8_t>{0xEF, 0xBE, 0xAD, 0xDE}));
    RegistryQuery bytes = key->Query("B");
    ASSERT_EQ(bytes.result, RegistryQuery::Result::kFound);
    EXPECT_EQ(bytes.type, RegistryValueType::kBytes);
    EXPECT_EQ(bytes.content, (std::vector<std::uint8_t>{0x0A, 0xFF}));
}

TEST_F(FileRegistryFormatTest, NameGivenTwiceTakesItsLastValue) {
    auto key = OpenCompossor();
    WriteText(ValueFile(), std::string(kHeader) + "\"n\"=dword:00000001\n\"m\"=hex:\n\"N\"=dword:00000002\n");
    EXPECT_EQ(key->Query("n").content, (std::vector<std::uint8_t>{2, 0, 0, 0}));
    ASSERT_TRUE(key->SetNumber("m", 3));
    EXPECT_EQ(ReadText(ValueFile()), std::string(kHeader) + "\"n\"=dword:00000002\n\"m\"=dword:00000003\n");
}

// ---- Damaged value files ---------------------------------------------------------

// Bytes that are no text at all, and names and data with a NUL inside.
constexpr char kBinaryJunk[] = "\xff\xfe\x00\x01\n\"z\x00\"=dword:00000001\n\"y\"=hex:\x00\n\x80\x81\x82";

struct DamagedFile {
    const char* what;
    std::string text;
    std::vector<std::string> missing;  // names whose lines do not parse
};

class FileRegistryDamageTest : public FileRegistryTest, public ::testing::WithParamInterface<DamagedFile> {};

TEST_P(FileRegistryDamageTest, DamagedLinesAreMissingAndTheNextWriteDropsThem) {
    const DamagedFile& damaged = GetParam();
    auto key = OpenCompossor();
    WriteText(ValueFile(), std::string(kHeader) + "\"good\"=dword:00000007\n" + damaged.text);
    for (const std::string& name : damaged.missing)
        EXPECT_EQ(Lookup(*key, name), RegistryQuery::Result::kMissing) << name;
    EXPECT_EQ(key->Query("good").content, (std::vector<std::uint8_t>{7, 0, 0, 0})) << "good lines still read";

    ASSERT_TRUE(key->SetNumber("new", 1));
    EXPECT_EQ(ReadText(ValueFile()), std::string(kHeader) + "\"good\"=dword:00000007\n\"new\"=dword:00000001\n");
}

INSTANTIATE_TEST_SUITE_P(
    Damage, FileRegistryDamageTest,
    ::testing::Values(
        DamagedFile{"Garbage", "hello world\n=dword:00000001\n\"\n\"x\" = dword:00000001\n", {"x", ""}},
        DamagedFile{"TruncatedNumber", "\"n\"=dword:7364", {"n"}},
        DamagedFile{"TruncatedBytes", "\"b\"=hex:01,02", {"b"}},
        DamagedFile{"TruncatedName", "\"lpForm", {"lpForm"}},
        DamagedFile{"BadHex",
                    "\"a\"=hex:0g,01\n\"b\"=hex:1,02\n\"c\"=hex:01,,02\n\"d\"=hex:01,02,\n\"e\"=hex:010\n"
                    "\"f\"=hex: 01\n\"g\"=hex:01 ,02\n",
                    {"a", "b", "c", "d", "e", "f", "g"}},
        DamagedFile{"NumberNotEightDigits",
                    "\"a\"=dword:123\n\"b\"=dword:123456789\n\"c\"=dword:1234567z\n\"d\"=dword:\n"
                    "\"e\"=dword:-0000001\n\"f\"=dword:0x000001\n",
                    {"a", "b", "c", "d", "e", "f"}},
        DamagedFile{"OtherTypes", "\"s\"=\"text\"\n\"x\"=hex(2):00\n\"q\"=qword:0000000000000001\n", {"s", "x", "q"}},
        DamagedFile{"BadNames", "\"a\\x\"=dword:00000001\nb=dword:00000001\n\"c\"\"=dword:00000001\n",
                    {"a\\x", "ax", "b", "c"}},
        DamagedFile{"BinaryJunk",
                    std::string(kBinaryJunk, sizeof kBinaryJunk - 1),
                    {"z", "y"}}),
    [](const ::testing::TestParamInfo<DamagedFile>& info) { return std::string(info.param.what); });

TEST_F(FileRegistryDamageTest, EmptyOrUnreadableValueFileHasNoValues) {
    auto key = OpenCompossor();
    WriteText(ValueFile(), "");
    EXPECT_EQ(Lookup(*key, "fccType"), RegistryQuery::Result::kMissing);
    std::filesystem::remove(ValueFile());

    // A folder and a pipe in the file's place: neither is read (the pipe must not stall the reader).
    std::filesystem::create_directory(ValueFile());
    EXPECT_EQ(Lookup(*key, "fccType"), RegistryQuery::Result::kMissing);
    EXPECT_FALSE(key->SetNumber("fccType", 1)) << "a folder cannot be replaced by a file";
    std::filesystem::remove(ValueFile());

    ASSERT_EQ(::mkfifo(ValueFile().c_str(), 0600), 0);
    EXPECT_EQ(Lookup(*key, "fccType"), RegistryQuery::Result::kMissing);
    ASSERT_TRUE(key->SetNumber("fccType", 1));
    EXPECT_EQ(ReadText(ValueFile()), std::string(kHeader) + "\"fccType\"=dword:00000001\n");
}

// ---- Replacement and concurrency ---------------------------------------------------

using FileRegistryWriteTest = FileRegistryTest;

TEST_F(FileRegistryWriteTest, WritesLeaveNoTemporaryFilesBehind) {
    auto key = OpenCompossor();
    std::vector<std::uint8_t> block(1000, 0x5A);
    for (std::uint32_t i = 0; i < 20; ++i) {
        ASSERT_TRUE(key->SetNumber("n" + std::to_string(i % 5), i));
        ASSERT_TRUE(key->SetBytes("b", block.data(), block.size() - i));
    }
    EXPECT_EQ(FileNames(KeyFolder()), (std::set<std::string>{"values.reg"}));

    std::filesystem::remove(ValueFile());
    std::filesystem::create_directory(ValueFile());  // a rename over it fails
    EXPECT_FALSE(key->SetNumber("n0", 1));
    EXPECT_EQ(FileNames(KeyFolder()), (std::set<std::string>{"values.reg"})) << "a failed write cleans up";
}

TEST_F(FileRegistryWriteTest, DeletedKeyFailsReadsAndWritesWithoutComingBack) {
    auto key = OpenCompossor();
    ASSERT_TRUE(key->SetNumber("n", 1));
    std::filesystem::remove_all(KeyFolder());
    EXPECT_EQ(Lookup(*key, "n"), RegistryQuery::Result::kFailed);
    EXPECT_FALSE(key->SetNumber("n", 2));
    EXPECT_FALSE(std::filesystem::exists(KeyFolder()));
}

TEST_F(FileRegistryWriteTest, ConcurrentWritersInOneProcessLoseNoValue) {
    constexpr int kThreads = 4;
    constexpr int kValuesEach = 25;
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([t] {
            auto key = CreateRegistryKey(kCompossorPath, nullptr);
            if (!key) return;
            for (int i = 0; i < kValuesEach; ++i) {
                key->SetNumber("t" + std::to_string(t) + "v" + std::to_string(i), static_cast<std::uint32_t>(i));
                key->SetNumber("shared", static_cast<std::uint32_t>(t));
            }
        });
    }
    // A reader meanwhile always finds a whole file: every value read is well formed.
    auto reader = OpenCompossor();
    for (int i = 0; i < 200; ++i) {
        RegistryQuery query = reader->Query("shared");
        if (query.result == RegistryQuery::Result::kFound) {
            ASSERT_EQ(query.content.size(), 4u);
            ASSERT_LT(query.content[0], kThreads);
        }
    }
    for (auto& writer : writers) writer.join();

    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kValuesEach; ++i) {
            RegistryQuery query = reader->Query("t" + std::to_string(t) + "v" + std::to_string(i));
            ASSERT_EQ(query.result, RegistryQuery::Result::kFound) << t << ' ' << i;
            EXPECT_EQ(query.content[0], i);
        }
    EXPECT_EQ(Lookup(*reader, "shared"), RegistryQuery::Result::kFound);
    EXPECT_EQ(FileNames(KeyFolder()), (std::set<std::string>{"values.reg"}));
}

// ---- The root folder --------------------------------------------------------------

using RegistryRootChoiceTest = RegistryRootTest;

TEST_F(RegistryRootChoiceTest, ExplicitRootComesFirst) {
    RegistryRootCandidates candidates{"/explicit/root", root_.string(), "/xdg", "/home/user"};
    EXPECT_EQ(ChooseRegistryRoot(candidates), "/explicit/root");
}

TEST_F(RegistryRootChoiceTest, WritableMachineRootIsUsedAndCreatedWhenMissing) {
    const auto machine = root_ / "etc" / "qcxapi" / "registry";
    RegistryRootCandidates candidates{"", machine.string(), "/xdg", "/home/user"};
    EXPECT_EQ(ChooseRegistryRoot(candidates), machine.string());
    EXPECT_TRUE(std::filesystem::is_directory(machine));
}

TEST_F(RegistryRootChoiceTest, MachineRootThatCannotBeWrittenGivesThePerUserStore) {
    // A folder below a plain file cannot be made, whoever asks.
    WriteText(root_ / "etc", "a file, not a folder");
    const std::string machine = (root_ / "etc" / "qcxapi" / "registry").string();
    EXPECT_EQ(ChooseRegistryRoot({"", machine, "/cfg", "/home/user"}), "/cfg/qcxapi/registry");
    EXPECT_EQ(ChooseRegistryRoot({"", machine, "", "/home/user"}), "/home/user/.config/qcxapi/registry");
    EXPECT_EQ(ChooseRegistryRoot({"", machine, "relative/cfg", "/home/user"}), "/home/user/.config/qcxapi/registry")
        << "a relative XDG_CONFIG_HOME is ignored";
    EXPECT_EQ(ChooseRegistryRoot({"", machine, "", ""}), "");
}

TEST_F(RegistryRootChoiceTest, ReadOnlyMachineRootGivesThePerUserStore) {
    if (RunningAsRoot()) GTEST_SKIP() << "root writes through any permission";
    const auto machine = root_ / "machine";
    std::filesystem::create_directory(machine);
    ASSERT_EQ(::chmod(machine.c_str(), 0500), 0);
    EXPECT_EQ(ChooseRegistryRoot({"", machine.string(), "/cfg", ""}), "/cfg/qcxapi/registry");
}

TEST_F(RegistryRootChoiceTest, WithoutAnExplicitRootAUserTakesTheXdgStore) {
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

    KeyDisposition disposition = KeyDisposition::kOpened;
    EXPECT_NE(CreateRegistryKey(kCompossorPath, &disposition), nullptr);
    EXPECT_EQ(disposition, KeyDisposition::kCreated);
    EXPECT_TRUE(std::filesystem::is_directory(root_ / "home" / ".config" / "qcxapi" / "registry" / "SOFTWARE"));
}

}  // namespace
}  // namespace qcx
