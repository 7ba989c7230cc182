// The configuration file without windows: the document wrappers, the
// sections' layout and load defaults over small files, the real form in
// any locale, and the files that must never be overwritten.

#include "pages/configuration.h"
#include "tests/support/tempdir.h"
#include "util/sysutil.h"

#include <gtest/gtest.h>

#include <clocale>
#include <csignal>
#include <limits>
#include <sys/resource.h>

using namespace ZT_Pages;

namespace {

const char kDecl[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

std::string Fixture(const std::string& body)
{
    return kDecl + std::string("<ZT_Configuration>") + body + "</ZT_Configuration>\n";
}

TEST(ConfigurationFile, EmptyRoot_GivesTheLoadDefaults)
{
    TempDir dir;
    dir.Write("empty.xml", std::string(kDecl) + "<ZT_Configuration/>\n");
    TRootConfiguration root(dir.File("empty.xml"), kConfigurationRoot);

    const TIdentificationSectionStruct id =
        ReadIdentificationSection(root.ChildNodeByName(kIdentificationSection));
    EXPECT_EQ(id, TIdentificationSectionStruct{});
    const TCalibrationSectionStruct cal = ReadCalibrationSection(root.ChildNodeByName(kCalibrationSection));
    // No Line at all: five zeroed sections, not the 1.0 of a Line without A.
    EXPECT_EQ(cal, TCalibrationSectionStruct{});
    const TConfiguration outputs = root.ChildNodeByName(kOutputSetupSection);
    EXPECT_EQ(ReadOutputSection(outputs.ChildNodeByName("Out2")), TOutputSectionStruct{});
    const TWorkSetupSectionStruct work = ReadWorkSetupSection(root.ChildNodeByName(kWorkSetupSection));
    EXPECT_EQ(work.IntervalArchivePeriod, 60);
    EXPECT_EQ(work.NoiseRel, 10);
    EXPECT_EQ(work.NoiseAbs, 10);
    EXPECT_EQ(work.WaterResistance, 1000);
    EXPECT_EQ(work.DropVoltage, 2000);
    EXPECT_EQ(work.UartSpeed, 4);
    EXPECT_EQ(work.Plugin2NetAddress, 1);
    EXPECT_EQ(work.StartStopMode, 1);
    EXPECT_EQ(work.ThresholdFilter, 2);
    EXPECT_EQ(work.TypeSensor, 7);
    EXPECT_EQ(work.SensorCurrent, 1);
    // Reading never writes the file, though it added the missing children.
    EXPECT_EQ(dir.Read("empty.xml"), std::string(kDecl) + "<ZT_Configuration/>\n");
}

TEST(ConfigurationFile, KoefLines_ReadAsTheTableSays)
{
    struct Case {
        const char* name;
        const char* lines;
        TKoefSections expected;
    };
    const Case cases[] = {
        {"seven lines, five used",
         "<Line A='1' B='2' Stop='10'/><Line A='3' B='4' Stop='20'/><Line A='5' B='6' Stop='30'/>"
         "<Line A='7' B='8' Stop='40'/><Line A='9' B='10' Stop='50'/><Line A='11' B='12'/><Line A='13' "
         "B='14'/>",
         {{{1, 2, 10}, {3, 4, 20}, {5, 6, 30}, {7, 8, 40}, {9, 10, 0}}}},
        {"missing A and B are 1", "<Line Stop='5'/><Line A='2'/>", {{{1, 1, 5}, {2, 1, 0}, {}, {}, {}}}},
        {"other children skipped",
         "<Note/><Line A='2' B='3' Stop='7'/><!-- c --><Lines/><Line B='4'/>",
         {{{2, 3, 7}, {1, 4, 0}, {}, {}, {}}}},
        {"a code boundary above 2^31",
         "<Line A='1' B='1' Stop='4294967295'/>",
         {{{1, 1, 4294967295u}, {}, {}, {}, {}}}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        dir.Write("c.xml", Fixture(std::string("<Calibration><KoefDirect Type='0'><Lines>") + c.lines +
                                   "</Lines></KoefDirect></Calibration>"));
        TRootConfiguration root(dir.File("c.xml"), kConfigurationRoot);
        const TCalibrationSectionStruct cal =
            ReadCalibrationSection(root.ChildNodeByName(kCalibrationSection));
        EXPECT_EQ(cal.Direct, c.expected) << c.name;
        EXPECT_EQ(cal.Reverse, TKoefSections{}) << c.name;
    }
}

TEST(ConfigurationFile, KoefLines_SavingStopsAtTheFirstZeroRowAndWritesFourStops)
{
    TRootConfiguration root(kConfigurationRoot);
    const TConfiguration table = root.AddChild("KoefDirect");
    table.AddChild("Old"); // cleared by the writer
    TKoefSections sections{{{1.5, 2, 100}, {2.5, 3, 200}, {0, 0, 300}, {4, 5, 400}, {6, 7, 0}}};
    WriteKoefTable(table, sections);
    EXPECT_EQ(table.ChildCount(), 1);
    EXPECT_EQ(table.ReadInteger("Type", -1), 0);
    const TConfiguration lines = table.ChildNodeByName("Lines");
    ASSERT_EQ(lines.ChildCount(), 2);
    EXPECT_EQ(lines.ChildNodes(1).ReadInteger("Stop", -1), 200);

    sections = {{{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}, {5, 5, 5}}};
    WriteKoefTable(table, sections);
    const TConfiguration full = table.ChildNodeByName("Lines");
    ASSERT_EQ(full.ChildCount(), 5);
    EXPECT_EQ(full.ChildNodes(3).ReadString("Stop", "none"), "4");
    EXPECT_EQ(full.ChildNodes(4).ReadString("Stop", "none"), "none");
}

TEST(ConfigurationFile, Reals_ReadBackTheSameDoubleInAnyLocale)
{
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    // A locale with a decimal comma when the system has one installed; the
    // round trip is checked either way.
    if (!std::setlocale(LC_ALL, "ru_RU.UTF-8"))
        std::setlocale(LC_ALL, "de_DE.UTF-8");
    const double values[] = {1.75,
                             0.1,
                             1.0 / 3.0,
                             -2.5e-300,
                             std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::denorm_min(),
                             double(1.2345678f)};
    TempDir dir;
    for (double v : values) {
        {
            TRootConfiguration root(dir.File("r.xml"), kConfigurationRoot);
            root.ChildNodeByName("Threshold").WriteFloat("Q_low", v);
            root.Save();
        }
        EXPECT_EQ(dir.Read("r.xml").find(','), std::string::npos) << v;
        TRootConfiguration again(dir.File("r.xml"), kConfigurationRoot);
        EXPECT_EQ(again.ChildNodeByName("Threshold").ReadFloat("Q_low", 0), v);
    }
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(ConfigurationFile, BadAttributeText_RaisesNamingTheAttribute)
{
    const char* cases[] = {
        "<WorkSetup IntervalArchivePeriod='6o'/>", "<WorkSetup IntervalArchivePeriod='1.5'/>",
        "<WorkSetup IntervalArchivePeriod='99999999999'/>",
        "<WorkSetup><Threshold Q_low='1.7.5'/></WorkSetup>", "<WorkSetup><Threshold Q_low=''/></WorkSetup>"};
    for (const char* body : cases) {
        TempDir dir;
        dir.Write("b.xml", Fixture(body));
        TRootConfiguration root(dir.File("b.xml"), kConfigurationRoot);
        try {
            ReadWorkSetupSection(root.ChildNodeByName(kWorkSetupSection));
            ADD_FAILURE() << body;
        } catch (const Exception& e) {
            EXPECT_NE(std::string(e.what()).find("Некорректное значение атрибута"), std::string::npos)
                << body;
        }
    }
}

TEST(ConfigurationFile, CyrillicEsNames_AreTheOnesWrittenAndRead)
{
    TempDir dir;
    dir.Write("l.xml",
              Fixture("<Identification Class='3' \xD0\xA1lass='2' Type='7'/>"
                      "<WorkSetup><Filter CurentExpense='5' \xD0\xA1urentExpense='1'/></WorkSetup>"));
    TRootConfiguration root(dir.File("l.xml"), kConfigurationRoot);
    const TIdentificationSectionStruct id =
        ReadIdentificationSection(root.ChildNodeByName(kIdentificationSection));
    EXPECT_EQ(id.Class, 2);
    EXPECT_EQ(id.Type, 7); // the page decides what an index beyond its list means
    EXPECT_EQ(ReadWorkSetupSection(root.ChildNodeByName(kWorkSetupSection)).CurentExpense, 1);

    TRootConfiguration fresh(kConfigurationRoot);
    WriteIdentificationSection(fresh.ChildNodeByName(kIdentificationSection), {"00000123", "50", 1, 4});
    WriteWorkSetupSection(fresh.ChildNodeByName(kWorkSetupSection), {});
    const std::string text = fresh.Text();
    EXPECT_NE(text.find("\xD0\xA1lass=\"4\""), std::string::npos);
    EXPECT_NE(text.find("\xD0\xA1urentExpense=\"0\""), std::string::npos);
    EXPECT_EQ(text.find(" Class="), std::string::npos);
}

TEST(ConfigurationFile, Sections_RoundTripThroughTheFile)
{
    TCalibrationSectionStruct cal;
    cal.Direct = {{{1.25, -0.5, 1000}, {0.75, 2, 5000}, {}, {}, {}}};
    cal.Reverse = {{{1, 1, 10}, {2, 2, 20}, {3, 3, 30}, {4, 4, 40}, {5, 5, 0}}};
    cal.Qmin = 0.1;
    cal.Qmax = 250;
    cal.Zero = -1e-5;
    cal.Flags = 3;
    const TOutputSectionStruct out1{1, 2, 0.001, 12.5, 7, 3, 2};
    const TOutputSectionStruct out2{-1, 0, 0, 0, 0, 0, 0};
    TWorkSetupSectionStruct work;
    work.Q_low = 1.75;
    work.Q_hi = 100.5;
    work.P_low = 1234;
    work.P_hi = 25000;
    work.StartStopMode = 3;
    const TIdentificationSectionStruct id{"00001234", "80", 2, 3};

    TempDir dir;
    {
        TRootConfiguration root(dir.File("s.xml"), kConfigurationRoot);
        WriteIdentificationSection(root.ChildNodeByName(kIdentificationSection), id);
        WriteCalibrationSection(root.ChildNodeByName(kCalibrationSection), cal);
        const TConfiguration outputs = root.ChildNodeByName(kOutputSetupSection);
        WriteOutputSection(outputs.ChildNodeByName("Out1"), out1);
        WriteOutputSection(outputs.ChildNodeByName("Out2"), out2);
        WriteWorkSetupSection(root.ChildNodeByName(kWorkSetupSection), work);
        root.Save();
    }
    TRootConfiguration root(dir.File("s.xml"), kConfigurationRoot);
    EXPECT_EQ(root.ChildNodes(0).NodeName(), kIdentificationSection);
    EXPECT_EQ(root.ChildNodes(3).NodeName(), kWorkSetupSection);
    EXPECT_EQ(ReadIdentificationSection(root.ChildNodeByName(kIdentificationSection)), id);
    EXPECT_EQ(ReadCalibrationSection(root.ChildNodeByName(kCalibrationSection)), cal);
    const TConfiguration outputs = root.ChildNodeByName(kOutputSetupSection);
    EXPECT_EQ(ReadOutputSection(outputs.ChildNodeByName("Out1")), out1);
    EXPECT_EQ(ReadOutputSection(outputs.ChildNodeByName("Out2")), out2);
    EXPECT_EQ(ReadWorkSetupSection(root.ChildNodeByName(kWorkSetupSection)), work);
}

TEST(ConfigurationFile, Save_KeepsWhatTheProgramDoesNotWrite)
{
    TempDir dir;
    dir.Write("k.xml",
              Fixture("<Extra Note='kept'><Inner/></Extra><Identification Du='65' Comment='mine'/>"));
    {
        TRootConfiguration root(dir.File("k.xml"), kConfigurationRoot);
        WriteIdentificationSection(root.ChildNodeByName(kIdentificationSection), {"1", "50", 0, 0});
        root.Save();
    }
    TRootConfiguration root(dir.File("k.xml"), kConfigurationRoot);
    EXPECT_EQ(root.ChildNodes(0).NodeName(), "Extra");
    EXPECT_EQ(root.ChildNodes(0).ReadString("Note", ""), "kept");
    EXPECT_EQ(root.ChildNodes(0).ChildCount(), 1);
    EXPECT_EQ(root.ChildNodeByName(kIdentificationSection).ReadString("Comment", ""), "mine");
    EXPECT_EQ(root.ChildNodeByName(kIdentificationSection).ReadString("Du", ""), "50");
}

TEST(ConfigurationFile, UnusableFiles_AreRefusedAndLeftByteForByte)
{
    struct Case {
        const char* name;
        const char* text;
    };
    const Case cases[] = {
        {"malformed", "<?xml version=\"1.0\"?>\n<ZT_Configuration><Identification></ZT_Configuration>"},
        {"foreign root", "<?xml version=\"1.0\"?>\n<STRAIT Name=\"packet\"/>\n"},
        {"not XML", "\x01\x02 binary"},
        {"text without an element", "<?xml version=\"1.0\"?>\nhello"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        dir.Write("u.xml", c.text);
        EXPECT_THROW(TRootConfiguration(dir.File("u.xml"), kConfigurationRoot), Exception) << c.name;
        EXPECT_EQ(dir.Read("u.xml"), c.text) << c.name;
        EXPECT_EQ(dir.Count(), 1u) << c.name;
    }
}

TEST(ConfigurationFile, MissingFile_IsCreatedWithTheDeclarationOnly)
{
    TempDir dir;
    {
        TRootConfiguration created(dir.File("new.xml"), kConfigurationRoot);
        EXPECT_EQ(dir.Read("new.xml"), std::string(kDecl));
    }
    // Opened again, the declaration alone is an empty configuration.
    TRootConfiguration root(dir.File("new.xml"), kConfigurationRoot);
    EXPECT_EQ(root.ChildCount(), 0);
    root.ChildNodeByName(kWorkSetupSection).WriteInteger("IntervalArchivePeriod", 30);
    root.Save();
    const std::string text = dir.Read("new.xml");
    EXPECT_EQ(text.rfind(kDecl, 0), 0u);
    EXPECT_NE(text.find("<ZT_Configuration>\n  <WorkSetup IntervalArchivePeriod=\"30\" />"),
              std::string::npos)
        << text;
}

TEST(ConfigurationFile, FailedSave_LeavesTheOldFileWhole)
{
    TempDir dir;
    const std::string old = Fixture("<Identification SerialNumber='00000001'/>");
    dir.Write("f.xml", old);
    TRootConfiguration root(dir.File("f.xml"), kConfigurationRoot);
    for (int i = 0; i < 200; ++i)
        root.AddChild("Padding").WriteString("Text", std::string(100, 'x'));

    // A file size limit makes the write fail part of the way, as a full
    // disk would.
    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    try {
        root.Save();
    } catch (const Exception& e) {
        message = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, handler);

    EXPECT_EQ(message, "Ошибка сохранения XML файла: " + dir.File("f.xml"));
    EXPECT_EQ(dir.Read("f.xml"), old);
    EXPECT_EQ(dir.Count(), 1u);
}

TEST(ConfigurationFile, WorkSetup_GoesToAndFromTheDeviceModel)
{
    ZT_Helper device;
    TWorkSetupSectionStruct s;
    s.IntervalArchivePeriod = 600;
    s.Plugin1Speed = 6;
    s.Plugin2NetAddress = 17;
    s.NoiseCancel = 40;
    s.CurentExpense = 3;
    s.Q_low = 1.75;
    s.Q_hi = 3.5;
    s.P_low = 100;
    s.P_hi = 24000;
    s.DropVoltage = 1800;
    {
        TDeviceHelperLocker lock(device);
        SetWorkSetupSection(device, s);
        EXPECT_EQ(device.Get(ZT_namespace::ZT_Fields::Plugin_2.NetAddress), 17);
        EXPECT_EQ(device.Get(ZT_namespace::ZT_Fields::Q_low), 1.75f);
        EXPECT_EQ(GetWorkSetupSection(device), s);
    }
}

} // namespace
