#include "util/registry.h"
#include "util/sysutil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
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
