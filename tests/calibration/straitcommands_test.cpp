#include "calibration/straitcommands.h"

#include <gtest/gtest.h>

using namespace StraitNamespace;

namespace {

StraitPoint TestRun(double code, double flow, int section = 0, bool fracture = false)
{
    StraitPoint p;
    p.Eizm = code;
    p.Get = flow;
    p.Tet = 10;
    p.numSection = static_cast<uint8_t>(section);
    p.fracturePoint = fracture;
    return p;
}

struct CommandFixture : testing::Test {
    void SetUp() override
    {
        settings.Selectors = PacketSelectors{0, 0, -1, -1};
        packet.SetMode(PacketMode{});
    }
    void Load(const StraitPointList& points, const LineList& lines = {})
    {
        packet.SetPoints(points);
        packet.SetLines(lines);
        packet.SetModified(false);
        before = packet.GetPoints();
        beforeLines = packet.GetLines();
    }
    void ExpectUnchanged()
    {
        EXPECT_EQ(packet.GetPoints(), before);
        EXPECT_EQ(packet.GetLines(), beforeLines);
        EXPECT_FALSE(packet.IsModified());
    }
    StraitLog Logger()
    {
        return [this](const std::string& text) { log.push_back(text); };
    }

    StraitPacket packet;
    WorkbenchSettings settings;
    std::vector<std::string> log;
    StraitPointList before;
    LineList beforeLines;
};

} // namespace

TEST_F(CommandFixture, BothCommandsWithoutPacketOrPointsStop)
{
    EXPECT_FALSE(BoundariesCommand(nullptr, settings, {}, Logger()));
    EXPECT_FALSE(ApproximationCommand(nullptr, settings, Logger()));
    EXPECT_TRUE(log.empty());
    Load({});
    EXPECT_FALSE(BoundariesCommand(&packet, settings, {}, Logger()));
    EXPECT_FALSE(ApproximationCommand(&packet, settings, Logger()));
    EXPECT_EQ(log, (std::vector<std::string>{"Нет точек в пакете", "Нет точек в пакете"}));
    ExpectUnchanged();
}

TEST_F(CommandFixture, BoundariesTakesOverTheOperatorsMarksAndExclusions)
{
    // Flows in four sections: 10 | 20, 20.5 | 40 | 80.
    Load({TestRun(800, 80, 0, true), TestRun(205, 20.5), TestRun(100, 10), TestRun(400, 40), TestRun(200, 20)});
    StraitPointList seen;
    const SectionSelect select = [&](StraitPointList& copy) {
        seen = copy;
        copy[0].fracturePoint = true; // section 1: dropped
        copy[1].fracturePoint = true; // section 2: taken
        copy[2].fracturePoint = true; // section 2 again: dropped
        copy[2].offPoint = true;
        copy[3].fracturePoint = true; // section 3: taken
        copy[4].fracturePoint = true; // last section: dropped
        copy[4].offPoint = true;
        return true;
    };
    settings.ImpulseWeight1 = "0,5";
    ASSERT_TRUE(BoundariesCommand(&packet, settings, select, Logger()));
    EXPECT_TRUE(log.empty());

    ASSERT_EQ(seen.size(), 5u);
    for (const StraitPoint& p : seen) {
        EXPECT_FALSE(p.fracturePoint);
        EXPECT_NEAR(p.dGizm, 0, 1e-9) << "the copy carries the errors of the overall segment";
    }
    const StraitPointList points = packet.GetPoints();
    std::vector<double> flows;
    std::vector<int> sections, marks, offs;
    for (const StraitPoint& p : points) {
        flows.push_back(p.Get);
        sections.push_back(p.numSection);
        marks.push_back(p.fracturePoint);
        offs.push_back(p.offPoint);
    }
    EXPECT_EQ(flows, (std::vector<double>{10, 20, 20.5, 40, 80}));
    EXPECT_EQ(sections, (std::vector<int>{1, 2, 2, 3, 4}));
    EXPECT_EQ(marks, (std::vector<int>{0, 1, 0, 1, 0}));
    EXPECT_EQ(offs, (std::vector<int>{0, 0, 1, 0, 1}));
    const LineList lines = packet.GetLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NEAR(lines[0].A, 0.1, 1e-12);
    EXPECT_NEAR(lines[0].B, 0, 1e-9);
    EXPECT_TRUE(packet.IsModified());
}

TEST_F(CommandFixture, BoundariesFailuresLeaveThePacketAsItWas)
{
    Load({TestRun(100, 10), TestRun(0, 0), TestRun(300, 30)});
    EXPECT_FALSE(BoundariesCommand(
        &packet, settings, [](StraitPointList&) { return true; }, Logger()));
    EXPECT_EQ(log, std::vector<std::string>{"Не возможно выполнить линейную аппроксимацию"});
    ExpectUnchanged();

    Load({TestRun(300, 30, 0, true), TestRun(100, 10)});
    bool asked = false;
    EXPECT_FALSE(BoundariesCommand(
        &packet, settings,
        [&](StraitPointList& q) {
            asked = true;
            q[0].offPoint = true;
            return false;
        },
        Logger()));
    EXPECT_TRUE(asked);
    ExpectUnchanged();
}

TEST_F(CommandFixture, ApproximationBuildsSegmentsFromTheTypedSections)
{
    Load({TestRun(100, 10, 1), TestRun(200, 20, 2, true), TestRun(400, 50, 3), TestRun(600, 90, 4)});
    ASSERT_TRUE(ApproximationCommand(&packet, settings, Logger()));
    EXPECT_EQ(log, std::vector<std::string>{"Аппроксимация выполнена"});
    const LineList lines = packet.GetLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NEAR(lines[0].A, 0.1, 1e-12);
    EXPECT_DOUBLE_EQ(lines[0].Stop, 200);
    EXPECT_DOUBLE_EQ(lines[1].Stop, 1200);
    EXPECT_NEAR(packet.Point(0).Gizm, 10, 1e-9);
    EXPECT_TRUE(packet.IsModified());
}

TEST_F(CommandFixture, ApproximationRefusals)
{
    struct Case {
        StraitPointList points;
        const char* message;
    };
    StraitPointList seven;
    for (int s = 1; s <= 7; ++s)
        seven.push_back(TestRun(s * 100.0, s * 10.0 + 1, s, s >= 2 && s <= 6));
    const Case cases[] = {
        {{TestRun(1, 1), TestRun(2, 2)},
         "Не выполнено распределения по сечениям или не достаточно сечений для аппроксимации"},
        {{TestRun(1, 0, 1), TestRun(2, 2, 2)}, "Не возможно выполнить линейную аппроксимацию"},
        {seven, "Превышено количесто отрезков аппроксимации"},
    };
    for (const Case& c : cases) {
        log.clear();
        Load(c.points, {{9, 9, 9}});
        EXPECT_FALSE(ApproximationCommand(&packet, settings, Logger()));
        EXPECT_EQ(log, std::vector<std::string>{c.message});
        ExpectUnchanged();
    }
}

TEST_F(CommandFixture, OneSectionGivesAnEmptyApproximation)
{
    Load({TestRun(100, 10, 1), TestRun(110, 10.2, 1)}, {{1, 1, 1}});
    ASSERT_TRUE(ApproximationCommand(&packet, settings, Logger()));
    EXPECT_EQ(log, std::vector<std::string>{"Аппроксимация выполнена"});
    EXPECT_TRUE(packet.GetLines().empty());
}
