#include "util/registry.h"
#include "util/sysutil.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Each test gets a registry file of its own in a fresh folder.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("zt-registry-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        file_ = (dir_ / "registry.json").string();
        ::setenv("ZT_REGISTRY", file_.c_str(), 1);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
    std::string file_;
};

const char* kKey = "\\Software\\Selvar\\RAZevedavureva\\ChanelSetup";

}  // namespace

TEST_F(RegistryTest, TypedValuesSurviveANewProcessView)
{
    {
        TRegistry reg;
        ASSERT_FALSE(reg.OpenKey(kKey, false));
        ASSERT_TRUE(reg.OpenKey(kKey, true));
        reg.WriteInteger("Speed", 19200);
        reg.WriteString("Name", "ttyUSB0");
        reg.WriteInteger("Negative", -5);
    }
    // The file is the truth: read it back through a fresh store by copying
    // it to another path.
    const std::string copy = (dir_ / "copy.json").string();
    fs::copy_file(file_, copy);
    ::setenv("ZT_REGISTRY", copy.c_str(), 1);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\software\\selvar\\razevedavureva\\chanelsetup", false));
    EXPECT_EQ(reg.ReadInteger("Speed"), 19200);
    EXPECT_EQ(reg.ReadString("name"), "ttyUSB0");
    EXPECT_EQ(reg.ReadIntegerDef("Negative", 0), -5);
    EXPECT_EQ(reg.GetDataType("Speed"), TRegDataType::rdInteger);
    EXPECT_EQ(reg.GetDataType("Name"), TRegDataType::rdString);
    EXPECT_EQ(reg.GetDataType("Missing"), TRegDataType::rdUnknown);
}

TEST_F(RegistryTest, AValueOfAnotherTypeReadsAsAbsent)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, true));
    reg.WriteString("AutoRequest", "1");
    EXPECT_EQ(reg.ReadIntegerDef("AutoRequest", 7), 7);
    EXPECT_THROW(reg.ReadInteger("AutoRequest"), Exception);
    EXPECT_EQ(reg.ReadStringDef("Absent", "def"), "def");
    reg.WriteInteger("AutoRequest", 1);  // a rewrite changes the type
    EXPECT_EQ(reg.ReadIntegerDef("AutoRequest", 7), 1);
    EXPECT_EQ(reg.ReadStringDef("AutoRequest", "s"), "s");
}

TEST_F(RegistryTest, DeleteValueAndKey)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, true));
    reg.WriteInteger("A", 1);
    EXPECT_TRUE(reg.DeleteValue("A"));
    EXPECT_FALSE(reg.DeleteValue("A"));
    EXPECT_TRUE(reg.DeleteKey("\\Software\\Selvar"));
    EXPECT_FALSE(reg.KeyExists(kKey));
}

TEST_F(RegistryTest, ACorruptFileReadsEmptyAndIsKeptAside)
{
    {
        std::ofstream out(file_);
        out << "{ this is not json";
    }
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey(kKey, false));
    ASSERT_TRUE(reg.OpenKey(kKey, true));
    reg.WriteInteger("Speed", 9600);
    int aside = 0;
    for (const auto& entry : fs::directory_iterator(dir_))
        if (entry.path().filename().string().find("registry.json.corrupt-") == 0) {
            ++aside;
            std::ifstream in(entry.path());
            std::string content((std::istreambuf_iterator<char>(in)), {});
            EXPECT_EQ(content, "{ this is not json");
        }
    EXPECT_EQ(aside, 1);
    EXPECT_NE(TRegistry::LoadProblem().find("registry.json.corrupt-"), std::string::npos);
}

TEST_F(RegistryTest, AFileThatCannotBeRead_IsNeverWrittenAndTheProblemIsTold)
{
    const struct {
        const char* Name;
        std::function<void(const std::string&)> Make;
        bool NeedsUnprivileged;
    } cases[] = {
        {"directory", [](const std::string& path) { fs::create_directory(path); }, false},
        {"FIFO", [](const std::string& path) { ::mkfifo(path.c_str(), 0600); }, false},
        {"no read permission",
         [](const std::string& path) {
             std::ofstream(path) << R"({"\\Keep": {"A": {"type": "integer", "value": 1}}})";
             fs::permissions(path, fs::perms::owner_write);
         },
         true},
    };
    int index = 0;
    for (const auto& c : cases) {
        if (c.NeedsUnprivileged && ::geteuid() == 0)
            continue;
        const std::string path = (dir_ / ("case" + std::to_string(index++))).string();
        ::setenv("ZT_REGISTRY", path.c_str(), 1);
        c.Make(path);
        struct stat before {};
        ASSERT_EQ(::lstat(path.c_str(), &before), 0) << c.Name;
        {
            TRegistry reg;
            ASSERT_TRUE(reg.OpenKey(kKey, true)) << c.Name;
            EXPECT_NO_THROW(reg.WriteInteger("Speed", 9600)) << c.Name;
            EXPECT_EQ(reg.ReadIntegerDef("Speed", 0), 9600) << c.Name << ": the session keeps its changes";
        }
        struct stat after {};
        ASSERT_EQ(::lstat(path.c_str(), &after), 0) << c.Name << ": still in place";
        EXPECT_EQ(after.st_ino, before.st_ino) << c.Name;
        EXPECT_EQ(after.st_mtime, before.st_mtime) << c.Name;
        const std::string problem = TRegistry::LoadProblem();
        EXPECT_NE(problem.find(path), std::string::npos) << c.Name << ": " << problem;
        int others = 0;
        for (const auto& entry : fs::directory_iterator(dir_))
            others += entry.path().string().rfind(path, 0) == 0 && entry.path().string() != path;
        EXPECT_EQ(others, 0) << c.Name << ": nothing renamed aside or written beside it";
    }
}

TEST_F(RegistryTest, ValuesOfAnUnknownType_StayInTheFileAcrossASave)
{
    const nlohmann::json original = nlohmann::json::parse(R"({
        "Software\\Selvar\\RAZevedavureva\\ChanelSetup": {
            "Blob": {"type": "binary", "value": "AAEC"},
            "Huge": {"type": "integer", "value": 5000000000},
            "Bare": 5,
            "Speed": {"type": "integer", "value": 19200}
        },
        "Stray": 7
    })");
    std::ofstream(file_) << original.dump();
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kKey, false));
        EXPECT_EQ(reg.ReadIntegerDef("Huge", -1), -1);
        EXPECT_EQ(reg.GetDataType("Blob"), TRegDataType::rdUnknown);
        EXPECT_EQ(reg.ReadInteger("Speed"), 19200);
        reg.WriteInteger("Speed", 9600);
    }
    std::ifstream in(file_);
    const nlohmann::json saved = nlohmann::json::parse(in);
    const auto& key = saved.at("Software\\Selvar\\RAZevedavureva\\ChanelSetup");
    const auto& was = original.at("Software\\Selvar\\RAZevedavureva\\ChanelSetup");
    for (const char* name : {"Blob", "Huge", "Bare"})
        EXPECT_EQ(key.at(name), was.at(name)) << name;
    EXPECT_EQ(key.at("Speed").at("value"), 9600);
    EXPECT_EQ(saved.at("Stray"), 7);
    EXPECT_EQ(TRegistry::LoadProblem(), "");
}

TEST_F(RegistryTest, WritesAreAtomicAndLeaveNoTemporaries)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, true));
    for (int i = 0; i < 20; ++i)
        reg.WriteInteger("N", i);
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_))
        ++files;
    EXPECT_EQ(files, 1);
}

TEST_F(RegistryTest, ConcurrentWritersLoseNothing)
{
    constexpr int kThreads = 4;
    constexpr int kWrites = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            TRegistry reg;
            reg.OpenKey(kKey, true);
            for (int i = 0; i < kWrites; ++i)
                reg.WriteInteger("T" + std::to_string(t) + "_" + std::to_string(i), i);
        });
    for (auto& th : threads)
        th.join();
    const std::string copy = (dir_ / "copy.json").string();
    fs::copy_file(file_, copy);
    ::setenv("ZT_REGISTRY", copy.c_str(), 1);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, false));
    EXPECT_EQ(reg.GetValueNames().size(), static_cast<size_t>(kThreads * kWrites));
}
