#include "calibration/straitpacket.h"

#include <gtest/gtest.h>

#include <map>

using namespace StraitNamespace;

namespace {

// A packet in the reference method with output 1 checked by volume, the
// way the workbench hands one over after creation.
struct PacketFixture : testing::Test {
    void SetUp() override
    {
        packet.SetMode(PacketMode{0, 0, 1, 0});
        packet.SetModified(false);
    }
    // Types texts into the current row like the table does.
    bool Edit(size_t row, const std::map<int, std::string>& typed)
    {
        return packet.EditPoint(row, [&](int column) {
            auto it = typed.find(column);
            return it != typed.end() ? it->second : packet.CellText(row, column);
        });
    }
    StraitPacket packet;
};

} // namespace

TEST_F(PacketFixture, NewPacketIsEmptyAndUnmodified)
{
    StraitPacket fresh;
    EXPECT_EQ(fresh.GetName(), "");
    EXPECT_EQ(fresh.GetMode(), PacketMode{});
    EXPECT_EQ(fresh.GetVisibleColumns(), 0u);
    EXPECT_EQ(fresh.GetEditableColumns(), 0u);
    EXPECT_FALSE(fresh.IsModified());
    EXPECT_EQ(packet.GetVisibleColumns(), VisibleColumns(PacketMode{0, 0, 1, 0}));
    EXPECT_EQ(packet.GetEditableColumns(), EditableColumns(PacketMode{0, 0, 1, 0}));
}

TEST_F(PacketFixture, AddedPointTakesTheLastTemperature)
{
    StraitPoint first;
    first.tet = 20.5;
    first.Get = 7;
    packet.AddPoint(first);
    packet.AddPoint(StraitPoint{});
    ASSERT_EQ(packet.PointCount(), 2u);
    EXPECT_EQ(packet.Point(1).tet, 20.5);
    EXPECT_EQ(packet.Point(1).Get, 0);
    StraitPoint own;
    own.tet = 15;
    packet.AddPoint(own);
    EXPECT_EQ(packet.Point(2).tet, 15);
    EXPECT_TRUE(packet.IsModified());

    StraitPacket empty;
    empty.AddPoint(StraitPoint{});
    EXPECT_EQ(empty.Point(0).tet, 0);
}

TEST_F(PacketFixture, EditedRowIsReadBackAndRecomputed)
{
    packet.AddPoint(StraitPoint{});
    packet.SetModified(false);
    size_t changedRow = 99;
    packet.OnRowChange = [&](size_t row) { changedRow = row; };
    ASSERT_TRUE(Edit(0, {{scGet, "3,6"}, {scTetTime, "100"}, {scVet, "55"}, {scN1out, "10"}}));
    EXPECT_EQ(changedRow, 0u);
    EXPECT_TRUE(packet.IsModified());
    EXPECT_DOUBLE_EQ(packet.Point(0).Get, 3.6);
    EXPECT_EQ(packet.CellText(0, scVet), "100.0000"); // computed, the typed text is not read
    EXPECT_EQ(packet.Point(0).N1out, 10);

    // Unchecking "Выкл." changes that flag only.
    ASSERT_TRUE(Edit(0, {{scOffPoint, "1"}}));
    const StraitPoint before = packet.Point(0);
    ASSERT_TRUE(Edit(0, {{scOffPoint, ""}}));
    StraitPoint expected = before;
    expected.offPoint = false;
    EXPECT_EQ(packet.Point(0), expected);

    EXPECT_FALSE(Edit(1, {{scGet, "1"}}));
}

TEST_F(PacketFixture, HiddenOrReadOnlyColumnsAreNotReadBack)
{
    StraitPoint p;
    p.numSection = 3;
    p.Nizm = 77;
    packet.AddPoint(p);
    packet.SetMode(PacketMode{1, 0, 0, 0});
    ASSERT_TRUE(packet.EditPoint(0, [](int) { return std::string("5"); }));
    EXPECT_EQ(packet.Point(0).numSection, 3); // not visible in verification
    EXPECT_EQ(packet.Point(0).Nizm, 77);      // never visible
    EXPECT_EQ(packet.Point(0).N1out, 0);      // output 1 is off
    EXPECT_EQ(packet.Point(0).Get, 5);
    EXPECT_EQ(packet.Point(0).Eizm, 5);
}

TEST_F(PacketFixture, WeightChangeRecomputesEveryRow)
{
    StraitPoint p;
    p.N1out = 100;
    packet.SetPoints({p, p});
    packet.SetImpulseWeight1(0.5);
    EXPECT_EQ(packet.Point(0).Vout1, 50);
    EXPECT_EQ(packet.Point(1).Vout1, 50);
    EXPECT_EQ(packet.Point(1).dVout1, 100);
}

TEST_F(PacketFixture, ClearKeepsSettingsAndLeavesThePacketUnmodified)
{
    packet.SetName("Пакет 1");
    packet.SetImpulseWeight2(2);
    packet.SetLines({{1, 2, 3}});
    packet.AddPoint(StraitPoint{});
    packet.Clear();
    EXPECT_EQ(packet.PointCount(), 0u);
    EXPECT_FALSE(packet.IsModified());
    EXPECT_EQ(packet.GetLines(), (LineList{{1, 2, 3}}));
    EXPECT_EQ(packet.GetImpulseWeight2(), 2);
    EXPECT_EQ(packet.GetName(), "Пакет 1");
    EXPECT_EQ(packet.GetMode(), (PacketMode{0, 0, 1, 0}));
}

TEST_F(PacketFixture, DeleteMovesTheFollowingPointsUp)
{
    StraitPointList points(3);
    for (size_t i = 0; i < points.size(); ++i)
        points[i].Eizm = static_cast<double>(i);
    packet.SetPoints(points);
    EXPECT_FALSE(packet.DeletePoint(3));
    EXPECT_TRUE(packet.DeletePoint(1));
    ASSERT_EQ(packet.PointCount(), 2u);
    EXPECT_EQ(packet.Point(1).Eizm, 2);
}

TEST_F(PacketFixture, EveryChangeNotifiesTheView)
{
    int refreshes = 0, columns = 0;
    std::string caption;
    packet.OnRefresh = [&] { ++refreshes; };
    packet.OnColumns = [&] { ++columns; };
    packet.OnNameChange = [&](const std::string& name) { caption = name; };
    packet.SetPoints({StraitPoint{}});
    packet.SetLines({});
    packet.SetImpulseWeight1(1);
    packet.SetMode(PacketMode{1, 0, 0, 0});
    packet.SetName("Проба");
    EXPECT_EQ(refreshes, 4);
    EXPECT_EQ(columns, 1);
    EXPECT_EQ(caption, "Проба");
}
