// The configuration file through the pages: the workspace's load and save
// of the four sections against the simulated meter's workspace, and the
// main window's file commands with their log lines and current file name.

#include "app/mainframe.h"
#include "pages/calibrationframe.h"
#include "pages/configuration.h"
#include "pages/identificationframe.h"
#include "tests/calibration/tempdir.h"
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
    TGoodTable* Koef(bool reverse) { return f.workspace->PageOf<TCalibrationSetup>(pgCalibration)->KoefTable(reverse); }

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
    dir.Write("id.xml", Fixture("<Identification SerialNumber='00000042' Du='80' Type='7' \xD0\xA1lass='2'/>"));
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
