#include "calibration/straitfile.h"

#include "tests/support/tempdir.h"
#include "util/sysutil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

using namespace StraitNamespace;

namespace {

StraitPoint AwkwardPoint(int i)
{
    StraitPoint p;
    p.offPoint = i % 2 == 0;
    p.fracturePoint = i % 3 == 0;
    p.numSection = static_cast<uint8_t>(250 + i);
    p.tet = 0.1 + 0.2 * i;
    p.Tet = 1.0 / 3.0 + i;
    p.Get = 12.345678901234567 * (i + 1);
    p.Nizm = INT32_MIN + i;
    p.Tizm = 1e-300;
    p.Fizm = -0.0;
    p.Eizm = 123456.789e10 / (i + 3);
    p.N1out = INT32_MAX - i;
    p.T1out = std::nextafter(7.0, 8.0);
    p.N2out = 1001;
    p.T2out = 9.87654321;
    p.F2out = i % 2 == 0 ? HUGE_VAL : -HUGE_VAL; // output 2 by volume keeps it
    p.GradSigRaito = -2.5e-7;
    return p;
}

struct FileFixture : testing::Test {
    void SetUp() override
    {
        packet.SetMode(PacketMode{0, 0, 2, 1});
        packet.SetName("Пакет <1> & \"2\"");
        packet.SetImpulseWeight1(0.5);
        packet.SetImpulseWeight2(2.25);
        packet.SetLines({{0.1 / 3, -0.7, 1e5 / 7}, {std::sqrt(2.0), 0, 3e9}});
        packet.SetPoints({AwkwardPoint(0), AwkwardPoint(1), AwkwardPoint(2)});
    }
    StraitPacket packet;
    TempDir dir;
};

} // namespace

TEST_F(FileFixture, SaveAndLoadGiveTheSamePacket)
{
    const PacketSelectors selectors{0, 0, 2, 1};
    const std::string path = dir.File("p.xml");
    SavePacketFile(packet, selectors, path);
    EXPECT_FALSE(packet.IsModified());

    StraitPacket loaded;
    WorkbenchSettings settings;
    EXPECT_TRUE(LoadPacketFile(path, loaded, false, settings));
    EXPECT_EQ(settings.Selectors, selectors);
    EXPECT_EQ(settings.ImpulseWeight1, "0.5");
    EXPECT_EQ(settings.ImpulseWeight2, "2.25");
    EXPECT_EQ(loaded.GetName(), packet.GetName());
    EXPECT_EQ(loaded.GetMode(), packet.GetMode());
    EXPECT_EQ(loaded.GetVisibleColumns(), packet.GetVisibleColumns());
    EXPECT_EQ(loaded.GetImpulseWeight1(), 0.5);
    EXPECT_EQ(loaded.GetImpulseWeight2(), 2.25);
    EXPECT_EQ(loaded.GetLines(), packet.GetLines());
    // Bit-for-bit equality of every field, `Eaprox` recomputed from `Eizm`.
    ASSERT_EQ(loaded.PointCount(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(0, std::memcmp(&loaded.Point(i).Tizm, &packet.Point(i).Tizm, sizeof(double)));
        EXPECT_TRUE(std::signbit(loaded.Point(i).Fizm));
        EXPECT_EQ(loaded.Point(i).Eaprox, loaded.Point(i).Eizm);
        EXPECT_EQ(loaded.Point(i), packet.Point(i)) << i;
    }
}

TEST_F(FileFixture, DocumentHasTheDeclarationIndentationAndAttributeOrder)
{
    packet.SetLines({{1, 0, 10}});
    packet.SetPoints({StraitPoint{}});
    const std::string text = PacketFileText(packet, PacketSelectors{1, -1, 2, -1});
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", 0), 0u) << text;
    EXPECT_NE(text.find("\n<STRAIT Name=\"Пакет &lt;1> &amp; &quot;2&quot;\" PacketType=\"1\" "
                        "OutputCheck1=\"2\" ImpulseWeight1=\"0.5\" ImpulseWeight2=\"2.25\">\n"
                        "    <LineApproximation>\n"
                        "        <Line A=\""),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("    </LineApproximation>\n    <PointArray>\n        <Point offPoint=\"false\" "
                        "fracturePoint=\"false\" numSection=\"0\" tet=\"0\" Met=\"0\" Vet=\"0\" Tet=\"0\" "
                        "Get=\"0\" Nizm=\"0\" Tizm=\"0\" Fizm=\"0\" Eizm=\"0\" N1out=\"0\" T1out=\"0\" "
                        "F1out=\"0\" N2out=\"0\" T2out=\"0\" F2out=\"0\" Gizm=\"0\" dGizm=\"100\" "
                        "Vout1=\"0\" dVout1=\"0\" Gout1=\"0\" dGout1=\"100\" Vout2=\"0\" dVout2=\"100\" "
                        "Gout2=\"0\" dGout2=\"0\" GradSigRaito=\"0\" />\n    </PointArray>\n</STRAIT>\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("Eaprox"), std::string::npos);

    StraitPacket bare;
    const std::string empty = PacketFileText(bare, PacketSelectors{});
    EXPECT_EQ(empty.find("LineApproximation"), std::string::npos);
    EXPECT_EQ(empty.find("PointArray"), std::string::npos);
    EXPECT_NE(empty.find("<STRAIT Name=\"\" ImpulseWeight1=\"0\" ImpulseWeight2=\"0\" />"), std::string::npos)
        << empty;
}

TEST_F(FileFixture, StraitWithoutNameOrOptionalPartsTakesDefaults)
{
    dir.Write("bare.pktdat",
              "<?xml version=\"1.0\"?><STRAIT PacketType=\"1\" PacketMethod=\"7\" "
              "ImpulseWeight1=\"0.123456789\"><LineApproximation><Line A=\"2\"/>"
              "<Other B=\"3\" Stop=\"4\"/></LineApproximation>"
              "<PointArray><Point/><X Get=\"5\" numSection=\"300\" offPoint=\"1\"/></PointArray>"
              "</STRAIT>");
    StraitPacket p;
    p.SetName("old");
    p.SetPoints({AwkwardPoint(5)});
    WorkbenchSettings settings;
    settings.Selectors = PacketSelectors{0, 0, 0, 0};
    EXPECT_TRUE(LoadPacketFile(dir.File("bare.pktdat"), p, false, settings));
    EXPECT_EQ(p.GetName(), "bare.pktdat");
    EXPECT_EQ(settings.Selectors, (PacketSelectors{1, -1, -1, -1}));
    EXPECT_EQ(p.GetMode(), (PacketMode{1, 0, 0, 0}));
    EXPECT_EQ(settings.ImpulseWeight1, "0.123457");
    EXPECT_EQ(settings.ImpulseWeight2, "0");
    EXPECT_EQ(p.GetImpulseWeight1(), 0.123457);
    EXPECT_EQ(p.GetLines(), (LineList{{2, 0, 0}, {0, 3, 4}}));
    ASSERT_EQ(p.PointCount(), 3u);
    EXPECT_EQ(p.Point(0).Eizm, AwkwardPoint(5).Eizm);
    EXPECT_EQ(p.Point(1).Get, 0);
    EXPECT_EQ(p.Point(2).Get, 5);
    EXPECT_EQ(p.Point(2).numSection, 0);
    EXPECT_TRUE(p.Point(2).offPoint);

    dir.Write("empty-name.xml", "<STRAIT Name=\"\"/>");
    EXPECT_FALSE(LoadPacketFile(dir.File("empty-name.xml"), p, false, settings));
    EXPECT_EQ(p.GetName(), "empty-name.xml");
    EXPECT_EQ(p.PointCount(), 3u);
    EXPECT_EQ(p.GetLines().size(), 2u);
}

TEST_F(FileFixture, SecondStraitFileAppendsPointsButKeepsTheFirstSegments)
{
    SavePacketFile(packet, PacketSelectors{0, 0, 2, 1}, dir.File("a.xml"));
    StraitPacket other;
    other.SetLines({{5, 6, 7}});
    other.SetPoints({AwkwardPoint(9)});
    SavePacketFile(other, PacketSelectors{0, 0, 2, 1}, dir.File("b.xml"));

    StraitPacket target;
    WorkbenchSettings settings;
    bool linesLoaded = false;
    linesLoaded = LoadPacketFile(dir.File("a.xml"), target, linesLoaded, settings) || linesLoaded;
    EXPECT_TRUE(linesLoaded);
    EXPECT_FALSE(LoadPacketFile(dir.File("b.xml"), target, linesLoaded, settings));
    EXPECT_EQ(target.GetLines(), packet.GetLines());
    ASSERT_EQ(target.PointCount(), 4u);
    EXPECT_EQ(target.Point(3).Eizm, AwkwardPoint(9).Eizm);
}

TEST_F(FileFixture, FlowPacketDataWithAndWithoutWrapper)
{
    dir.Write("rig.xml",
              "<FlowPacketData><FlowDevice><KoefDirect><Lines><L A=\"1.5\" B=\"-2\" Stop=\"900\"/>"
              "<L A=\"2\" Stop=\"2000\"/></Lines></KoefDirect></FlowDevice>"
              "<FlowMeasurePacket>"
              "<FlowMeasure><ref t=\"21.5\" M=\"1\" V=\"2\" T=\"60\" Gv=\"12.5\"/><prim EF=\"4321\"/>"
              "</FlowMeasure>"
              "<flowMeasure><ref Gv=\"99\"/></flowMeasure>"
              "<FlowMeasure><ref Gv=\"3\"/></FlowMeasure>"
              "<FlowMeasure><prim EF=\"7\"/></FlowMeasure>"
              "</FlowMeasurePacket></FlowPacketData>");
    StraitPacket p;
    p.SetMode(PacketMode{1, 3, 0, 0}); // computes no reference value: the file's stay visible
    p.SetLines({{9, 9, 9}});
    WorkbenchSettings settings;
    settings.ImpulseWeight1 = "keep";
    EXPECT_FALSE(LoadPacketFile(dir.File("rig.xml"), p, true, settings));
    EXPECT_EQ(settings.ImpulseWeight1, "keep");
    EXPECT_EQ(settings.Selectors, PacketSelectors{});
    EXPECT_EQ(p.GetName(), "rig.xml");
    EXPECT_EQ(p.GetLines(), (LineList{{1.5, -2, 900}, {2, 0, 2000}}));
    ASSERT_EQ(p.PointCount(), 3u);
    const StraitPoint& a = p.Point(0);
    EXPECT_EQ(a.tet, 21.5);
    EXPECT_EQ(a.Met, 1);
    EXPECT_EQ(a.Vet, 2);
    EXPECT_EQ(a.Tet, 60);
    EXPECT_EQ(a.Get, 12.5);
    EXPECT_EQ(a.Eizm, 4321);
    EXPECT_EQ(p.Point(1).Get, 3);
    EXPECT_EQ(p.Point(1).Eizm, 0);
    EXPECT_EQ(p.Point(2).Get, 0);
    EXPECT_EQ(p.Point(2).Eizm, 7);

    dir.Write("bare.dat",
              "<FlowMeasurePacket><FlowMeasure><ref Gv=\"1\"/></FlowMeasure></FlowMeasurePacket>");
    EXPECT_FALSE(LoadPacketFile(dir.File("bare.dat"), p, false, settings));
    EXPECT_EQ(p.PointCount(), 4u);
    EXPECT_EQ(p.GetName(), "bare.dat");
    EXPECT_EQ(p.GetLines().size(), 2u);
}

TEST_F(FileFixture, UnreadableOrForeignFilesChangeNothing)
{
    const StraitPointList points = packet.GetPoints();
    const LineList lines = packet.GetLines();
    const std::string name = packet.GetName();
    WorkbenchSettings settings;
    settings.ImpulseWeight1 = "7";
    struct Case {
        const char* file;
        const char* text; // nullptr: no such file
        bool raises;
    };
    const Case cases[] = {
        {"missing.xml", nullptr, true},
        {"broken.xml", "<STRAIT Name=\"x\"><PointArray><Point Get=\"1\"/></STRAIT>", true},
        {"empty.xml", "", true},
        {"text.txt", "1;2;3\n", true},
        {"other.xml", "<ZT_Configuration><STRAIT Name=\"nested\"/></ZT_Configuration>", false},
    };
    for (const Case& c : cases) {
        if (c.text)
            dir.Write(c.file, c.text);
        if (c.raises) {
            try {
                LoadPacketFile(dir.File(c.file), packet, false, settings);
                ADD_FAILURE() << c.file << " loaded";
            } catch (const Exception& e) {
                EXPECT_NE(e.Message().find(dir.File(c.file)), std::string::npos) << e.Message();
            }
        } else {
            EXPECT_FALSE(LoadPacketFile(dir.File(c.file), packet, false, settings));
        }
        EXPECT_EQ(packet.GetPoints(), points) << c.file;
        EXPECT_EQ(packet.GetLines(), lines) << c.file;
        EXPECT_EQ(packet.GetName(), name) << c.file;
        EXPECT_EQ(settings.ImpulseWeight1, "7") << c.file;
    }
}

TEST_F(FileFixture, FailedSaveKeepsThePreviousFile)
{
    const std::string path = dir.File("keep.xml");
    StraitPacket small;
    small.SetName("small");
    SavePacketFile(small, PacketSelectors{}, path);
    const std::string old = dir.Read("keep.xml");

    // A file size limit stands in for a full disk: the write fails half-way.
    StraitPointList many(2000, AwkwardPoint(1));
    packet.SetPoints(many);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    bool raised = false;
    try {
        SavePacketFile(packet, PacketSelectors{}, path);
    } catch (const EOSError& e) {
        raised = true;
        EXPECT_NE(e.Message().find(path), std::string::npos) << e.Message();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_TRUE(raised);
    EXPECT_EQ(dir.Read("keep.xml"), old);
    EXPECT_EQ(dir.Count(), 1u) << "no temporary file is left behind";
    EXPECT_TRUE(packet.IsModified());

    EXPECT_THROW(SavePacketFile(packet, PacketSelectors{}, dir.File("no/such/dir.xml")), EOSError);
    SavePacketFile(packet, PacketSelectors{}, path);
    EXPECT_GT(dir.Read("keep.xml").size(), old.size());
    EXPECT_EQ(dir.Count(), 1u);
}
