// The configuration file through the pages: the workspace's load and save
// of the four sections against the simulated meter's workspace, and the
// main window's file commands with their log lines and current file name.

#include "app/mainframe.h"
#include "pages/calibrationframe.h"
#include "pages/configuration.h"
#include "pages/identificationframe.h"
#include "tests/support/tempdir.h"
#include "tests/support/clirunner.h"
#include "tests/support/workspacefixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>

#include "controls/goodtable.h"

#include <gtest/gtest.h>

using namespace ZT_namespace;
using namespace ZT_Pages;

namespace {

const char kDecl[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

std::string Fixture(const std::string& body)
{
    return kDecl + std::string("<ZT_Configuration>") + body + "</ZT_Configuration>\n";
}

class ConfigFileTest : public ::testing::Test {
protected:
    template <class T> T* Find(int32_t page, const char* name)
    {
        T* widget = f.workspace->Page(page)->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString Text(int32_t page, const char* name) { return Find<QLineEdit>(page, name)->text(); }
    void SetText(int32_t page, const char* name, const char* text)
    {
        Find<QLineEdit>(page, name)->setText(QString::fromUtf8(text));
    }
    TGoodTable* Koef(bool reverse)
    {
        return f.workspace->PageOf<TCalibrationSetup>(pgCalibration)->KoefTable(reverse);
    }

    void Load(const std::string& name)
    {
        TRootConfiguration root(dir.File(name), kConfigurationRoot);
        f.workspace->LoadConfiguration(root);
    }
    void Save(const std::string& name)
    {
        TRootConfiguration root(dir.File(name), kConfigurationRoot);
        f.workspace->SaveConfiguration(root);
        root.Save();
    }
    size_t Writes() { return f.Sent(6) + f.Sent(16); }

    TWorkspaceFixture f;
    TempDir dir;
};

TEST_F(ConfigFileTest, Load_EmptyRoot_ShowsTheDefaultsAndSendsNothing)
{
    const size_t writes = Writes();
    dir.Write("empty.xml", Fixture(""));
    Load("empty.xml");
    EXPECT_EQ(Find<QSpinBox>(pgWorkSetup, "IntervalArchivePeriod")->value(), 60);
    EXPECT_EQ(Text(pgWorkSetup, "NoiseRelThreshold"), "10");
    EXPECT_EQ(Text(pgWorkSetup, "NoiseAbsThreshold"), "10");
    EXPECT_EQ(Text(pgWorkSetup, "WaterResistanceThreshold"), "1000");
    EXPECT_EQ(Text(pgWorkSetup, "DropVoltageThreshold"), "2000");
    EXPECT_EQ(Find<QComboBox>(pgWorkSetup, "TypePressureSensor")->currentIndex(), 7);
    for (bool reverse : {false, true})
        for (int row = 0; row < 5; ++row) {
            EXPECT_EQ(Koef(reverse)->Cells(row, 2), "0") << row;
            EXPECT_EQ(Koef(reverse)->Cells(row, 3), "0") << row;
        }
    {
        TDeviceHelperLocker lock(f.workspace->Device());
        EXPECT_EQ(f.workspace->Device().Get(ZT_Fields::DropVoltageThreshold), 2000);
    }
    f.WaitIdle();
    EXPECT_EQ(Writes(), writes);
    EXPECT_EQ(dir.Read("empty.xml"), Fixture(""));
}

TEST_F(ConfigFileTest, Load_IdentificationSelectsOnlyIndicesOfItsLists)
{
    dir.Write("id.xml",
              Fixture("<Identification SerialNumber='00000042' Du='80' Type='7' \xD0\xA1lass='2'/>"));
    Load("id.xml");
    EXPECT_EQ(Text(pgIdentification, "SerialNumber"), "00000042");
    EXPECT_EQ(Find<QComboBox>(pgIdentification, "DuCombo")->currentText(), "80");
    EXPECT_EQ(Find<QComboBox>(pgIdentification, "TypeDevice")->currentIndex(), -1);
    EXPECT_EQ(Find<QComboBox>(pgIdentification, "ClassDevice")->currentIndex(), 2);
    EXPECT_NE(f.title.find("80"), std::string::npos) << f.title;
    EXPECT_NE(f.title.find("00000042"), std::string::npos) << f.title;
}

TEST_F(ConfigFileTest, SaveThenLoad_GivesThePagesBackAndStopsTheTableAtAZeroRow)
{
    dir.Write("base.xml", Fixture(""));
    Load("base.xml"); // valid work settings to collect
    const char* rows[5][3] = {
        {"100", "1.5", "0.5"}, {"200", "2", "1"}, {"300", "0", "0"}, {"400", "4", "4"}, {"", "5", "5"}};
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 3; ++c)
            Koef(false)->SetCells(r, c + 1, rows[r][c]);
    SetText(pgCalibration, "Qmin", "0.5");
    SetText(pgCalibration, "Qmax", "120");
    SetText(pgWorkSetup, "Q_low", "1.75");
    SetText(pgWorkSetup, "Q_hi", "99.5");
    Find<QComboBox>(pgIdentification, "ClassDevice")->setCurrentIndex(3);
    Save("saved.xml");

    {
        TRootConfiguration root(dir.File("saved.xml"), kConfigurationRoot);
        const TConfiguration lines =
            root.ChildNodeByName(kCalibrationSection).ChildNodeByName("KoefDirect").ChildNodeByName("Lines");
        EXPECT_EQ(lines.ChildCount(), 2);
        const char* order[] = {kIdentificationSection, kCalibrationSection, kOutputSetupSection,
                               kWorkSetupSection};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(root.ChildNodes(i).NodeName(), order[i]);
    }

    // Other values on the pages, then the file again.
    Koef(false)->SetCells(0, 2, "9");
    SetText(pgCalibration, "Qmin", "7");
    SetText(pgWorkSetup, "Q_low", "3");
    Find<QComboBox>(pgIdentification, "ClassDevice")->setCurrentIndex(0);
    Load("saved.xml");
    EXPECT_EQ(Koef(false)->Cells(0, 2), "1.5");
    EXPECT_EQ(Koef(false)->Cells(1, 1), "200");
    EXPECT_EQ(Koef(false)->Cells(3, 2), "0"); // beyond the zero row nothing was kept
    EXPECT_EQ(Text(pgCalibration, "Qmin"), "0.5");
    EXPECT_EQ(Text(pgWorkSetup, "Q_low"), "1.75");
    EXPECT_EQ(Find<QComboBox>(pgIdentification, "ClassDevice")->currentIndex(), 3);
    TDeviceHelperLocker lock(f.workspace->Device());
    EXPECT_EQ(f.workspace->Device().Get(ZT_Fields::Q_low), 1.75f);
}

TEST_F(ConfigFileTest, Save_WorkSetupRefusal_KeepsItsSectionAndSavesTheOthers)
{
    dir.Write("base.xml", Fixture(""));
    Load("base.xml");
    const std::string work = "<WorkSetup IntervalArchivePeriod=\"33\"><Extra /></WorkSetup>";
    dir.Write("keep.xml", Fixture(work));
    SetText(pgWorkSetup, "NoiseRelThreshold", "0");
    SetText(pgIdentification, "SerialNumber", "00000777");
    Save("keep.xml");
    EXPECT_TRUE(f.Logged("Не корректное значение пороговых значений"));
    TRootConfiguration root(dir.File("keep.xml"), kConfigurationRoot);
    const TConfiguration ws = root.ChildNodeByName(kWorkSetupSection);
    EXPECT_EQ(ws.ReadInteger("IntervalArchivePeriod", 0), 33);
    EXPECT_EQ(ws.ChildCount(), 1);
    EXPECT_EQ(root.ChildNodeByName(kIdentificationSection).ReadString("SerialNumber", ""), "00000777");
    EXPECT_EQ(root.ChildNodeByName(kCalibrationSection).ChildCount(), 2);
}

TEST_F(ConfigFileTest, Load_BadAttributeStopsThereAndKeepsTheSectionsBefore)
{
    dir.Write("bad.xml", Fixture("<Identification SerialNumber='00000001'/><Calibration Qmin='fast'/>"));
    SetText(pgCalibration, "Qmin", "2");
    EXPECT_THROW(Load("bad.xml"), Exception);
    EXPECT_EQ(Text(pgIdentification, "SerialNumber"), "00000001");
    EXPECT_EQ(Text(pgCalibration, "Qmin"), "2");
}

// The program and the command line on the same meter: a file saved by one
// is what the other reads.
class ConfigFileCliTest : public ConfigFileTest {
protected:
    void SetUp() override
    {
        auto& meter = f.sim->Device();
        meter.SetHoldingFloat(40339, 1.75f); // Q_low
        meter.SetHoldingFloat(40233, 0.3f);  // Qmin: a float without a short decimal form
        meter.SetHoldingFloat(40235, 120.0f);
        f.workspace->ReadAllParams();
        ASSERT_TRUE(f.WaitIdle(20000));
        ASSERT_EQ(Text(pgWorkSetup, "Q_low"), "1.75");
        ASSERT_EQ(Text(pgCalibration, "Qmin"), "0.3");
        // The meter serves one connection at a time.
        f.chanel->Close(nullptr);
    }
    CliResult Cli(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--tcp", "127.0.0.1:" + std::to_string(f.sim->Port())});
        return RunCli(args);
    }
};

TEST_F(ConfigFileCliTest, ProgramSave_HasNoDifferenceInCliDiff)
{
    Save("program.xml");
    const CliResult diff = Cli({"config", "diff", dir.File("program.xml")});
    EXPECT_EQ(diff.status, 0) << diff.out << diff.err;
    EXPECT_EQ(diff.out, "");

    // One value changed in the file is reported with both values.
    {
        TRootConfiguration root(dir.File("program.xml"), kConfigurationRoot);
        root.ChildNodeByName(kWorkSetupSection).ChildNodeByName("Threshold").WriteFloat("Q_low", 2.5);
        root.Save();
    }
    const CliResult changed = Cli({"config", "diff", dir.File("program.xml")});
    EXPECT_EQ(changed.status, 1) << changed.err;
    EXPECT_EQ(changed.out, "WorkSetup.Threshold.Q_low\t2.5\t1.75\n");
}

TEST_F(ConfigFileCliTest, CliSave_LoadsAsTheReadAllShowedIt)
{
    Save("program.xml");
    const CliResult save = Cli({"config", "save", dir.File("cli.xml")});
    ASSERT_EQ(save.status, 0) << save.err;
    // Other values on the pages, then the command line's file: saving the
    // pages again gives the program's own file.
    SetText(pgCalibration, "Qmin", "9");
    SetText(pgWorkSetup, "Q_low", "4");
    Koef(true)->SetCells(0, 2, "7");
    Load("cli.xml");
    Save("again.xml");
    EXPECT_EQ(dir.Read("again.xml"), dir.Read("program.xml"));
}

TEST_F(ConfigFileCliTest, CliWrite_ChecksAsksAndWrites)
{
    auto& meter = f.sim->Device();
    ASSERT_EQ(Cli({"config", "save", dir.File("c.xml")}).status, 0);
    {
        TRootConfiguration root(dir.File("c.xml"), kConfigurationRoot);
        root.ChildNodeByName(kWorkSetupSection).ChildNodeByName("Threshold").WriteFloat("Q_low", 2.25);
        root.ChildNodeByName(kIdentificationSection).WriteString("SerialNumber", "00004321");
        root.Save();
    }
    const uint32_t serial = meter.HoldingU32(40027);

    const CliResult dry = Cli({"config", "write", dir.File("c.xml")});
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_NE(dry.out.find("WorkSetup.Threshold.Q_low\t2.25\t1.75"), std::string::npos) << dry.out;
    EXPECT_EQ(meter.HoldingFloat(40339), 1.75f);

    const CliResult done = Cli({"config", "write", dir.File("c.xml"), "--yes"});
    EXPECT_EQ(done.status, 0) << done.err;
    EXPECT_EQ(meter.HoldingFloat(40339), 2.25f);
    EXPECT_FLOAT_EQ(meter.HoldingFloat(40233), 0.3f);
    EXPECT_EQ(meter.HoldingU32(40027), serial); // identification only on request

    const CliResult ident = Cli({"config", "write", dir.File("c.xml"), "--identification", "--yes"});
    EXPECT_EQ(ident.status, 0) << ident.err;
    EXPECT_EQ(meter.HoldingU32(40027), 4321u);

    // A section its page would refuse: the message, and nothing sent.
    {
        TRootConfiguration root(dir.File("c.xml"), kConfigurationRoot);
        root.ChildNodeByName(kWorkSetupSection).ChildNodeByName("Threshold").WriteFloat("Q_low", 3.5);
        root.ChildNodeByName(kCalibrationSection).WriteFloat("Qmax", 0);
        root.Save();
    }
    const CliResult refused = Cli({"config", "write", dir.File("c.xml"), "--yes"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("Не корректное значение Q_min или Q_max"), std::string::npos) << refused.err;
    EXPECT_EQ(meter.HoldingFloat(40339), 2.25f);
}

TEST_F(ConfigFileCliTest, CliRefusesUnusableFilesBeforeTheLine)
{
    const std::string foreign = "<?xml version=\"1.0\"?>\n<STRAIT/>\n";
    dir.Write("foreign.xml", foreign);
    for (const char* action : {"save", "diff", "write"}) {
        const CliResult r = Cli({"config", action, dir.File("foreign.xml")});
        EXPECT_EQ(r.status, 1) << action;
        EXPECT_EQ(dir.Read("foreign.xml"), foreign) << action;
    }
    EXPECT_EQ(Cli({"config", "diff", dir.File("missing.xml")}).status, 1);
    EXPECT_EQ(dir.Count(), 1u);
}

// The main window's commands.
class FileCommandsTest : public ::testing::Test {
protected:
    FileCommandsTest()
    {
        TestApp();
        form = std::make_unique<TMainForm>();
        form->SetFileChooser([this](bool save, const std::string& proposed) {
            asked.push_back((save ? "save " : "open ") + proposed);
            return chosen;
        });
    }
    std::string Log() const
    {
        return form->findChild<QPlainTextEdit*>("ConsoleMemo")->toPlainText().toStdString();
    }

    TQtNotifyDispatcher dispatcher;
    TDispatcherScope scope{&dispatcher};
    std::unique_ptr<TMainForm> form;
    std::vector<std::string> asked;
    std::string chosen;
    TempDir dir;
};

TEST_F(FileCommandsTest, SaveAsOpenSave_LogTheirLinesAndSetTheCurrentFile)
{
    form->FileSaveExecute(); // no current file: nothing at all
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(Log(), "");

    {
        TDeviceHelperLocker lock(form->Workspace()->Device());
        form->Workspace()->Device().Set(ZT_Fields::SerialNumber, 123u);
    }
    chosen = dir.File("a.xml");
    form->FileSaveAsExecute();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], "save ZT-А_00000123");
    EXPECT_EQ(form->CurrentFileName(), dir.File("a.xml"));
    EXPECT_NE(Log().find("Файл " + dir.File("a.xml") + " сохранен"), std::string::npos) << Log();

    chosen.clear();
    form->FileOpenExecute(); // cancelled
    EXPECT_EQ(form->CurrentFileName(), dir.File("a.xml"));

    dir.Write("b.xml", Fixture("<Identification SerialNumber='00000009'/>"));
    form->FileOpenAccept(dir.File("b.xml"));
    EXPECT_NE(Log().find("Файл " + dir.File("b.xml") + " загружен"), std::string::npos) << Log();
    EXPECT_EQ(form->CurrentFileName(), dir.File("b.xml"));
    form->FileSaveExecute();
    EXPECT_NE(Log().find("Файл " + dir.File("b.xml") + " сохранен"), std::string::npos) << Log();
    TRootConfiguration root(dir.File("b.xml"), kConfigurationRoot);
    EXPECT_EQ(root.ChildNodeByName(kIdentificationSection).ReadString("SerialNumber", ""), "00000009");
}

TEST_F(FileCommandsTest, UnusableFiles_AreLoggedLeftAloneAndNotMadeCurrent)
{
    const std::string texts[] = {"<?xml version=\"1.0\"?>\n<ZT_Configuration><Oops></ZT_Configuration>",
                                 "<?xml version=\"1.0\"?>\n<STRAIT Name=\"packet\"/>\n"};
    dir.Write("good.xml", Fixture(""));
    form->FileOpenAccept(dir.File("good.xml"));
    int n = 0;
    for (const std::string& text : texts) {
        const std::string name = "u" + std::to_string(n++) + ".xml";
        dir.Write(name, text);
        const size_t before = Log().size();
        form->FileOpenAccept(dir.File(name));
        form->FileSaveAsAccept(dir.File(name));
        EXPECT_GT(Log().size(), before);
        EXPECT_EQ(Log().find("Файл " + dir.File(name) + " загружен"), std::string::npos) << Log();
        EXPECT_EQ(Log().find("Файл " + dir.File(name) + " сохранен"), std::string::npos) << Log();
        EXPECT_EQ(dir.Read(name), text);
        EXPECT_EQ(form->CurrentFileName(), dir.File("good.xml"));
    }
}

} // namespace
