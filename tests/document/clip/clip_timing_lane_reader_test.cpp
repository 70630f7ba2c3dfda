#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clip_test_support.h"
#include "document/clip/clip_lane_reader.h"
#include "document/clip/clip_timing_reader.h"

namespace fennrow::test {
namespace {

using test::findings;
using test::parse;

struct ElementCase {
    const char* array;
    std::vector<std::string> expected;
};

template <typename Read>
void expectElementFindings(const char* path, Read read, const std::vector<ElementCase>& cases) {
    for (const ElementCase& c : cases) {
        document::DiagnosticList list;
        const auto records = read(parse(c.array), path, list);
        EXPECT_EQ(records.size(), parse(c.array).items().size()) << c.array;
        EXPECT_EQ(findings(list), c.expected) << c.array;
    }
}

TEST(ReadTempo, Findings) {
    expectElementFindings("/tempo", document::readTempo,
                          {
                              {"[]", {}},
                              {R"([{"at":0,"bpm":90.5}])", {}},
                              {R"([{"at":0,"bpm":0}])", {"warning bad-tempo /tempo/0"}},
                              {R"([{"at":0,"bpm":-nan}])", {"warning bad-tempo /tempo/0"}},
                              {R"([{"bpm":90}])", {"warning bad-tempo /tempo/0"}},
                              {R"([{"at":0,"bpm":90},{"at":"x","bpm":"y"}])",
                               {"warning wrong-type /tempo/1/at", "warning wrong-type /tempo/1/bpm",
                                "warning bad-tempo /tempo/1"}},
                              {R"([5,null])", {"warning bad-tempo /tempo/0", "warning bad-tempo /tempo/1"}},
                          });
}

TEST(ReadTempo, KeptPointsHoldDefaults) {
    document::DiagnosticList list;
    const std::vector<document::TempoPoint> points =
        readTempo(parse(R"([{"at":4,"bpm":-1},{"at":8,"bpm":140,"x":1}])"), "/tempo", list);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_TRUE(points[0].keptAsWritten);
    EXPECT_EQ(points[0].at, 0.0);
    EXPECT_EQ(points[0].bpm, 120.0);
    EXPECT_FALSE(points[1].keptAsWritten);
    EXPECT_EQ(points[1].at, 8.0);
    EXPECT_EQ(points[1].bpm, 140.0);
    EXPECT_EQ(points[1].remainder, parse(R"({"x":1})"));
    EXPECT_EQ(list[0].message, "Expected {at, bpm > 0}; kept as written, not used");
}

TEST(ReadMeter, FindingsAndValues) {
    expectElementFindings("/meter", document::readMeter,
                          {
                              {R"([{"at":0,"num":7,"den":8}])", {}},
                              {R"([{"at":0,"num":0.5,"den":4}])", {"warning bad-meter /meter/0"}},
                              {R"([{"at":0,"num":4}])", {"warning bad-meter /meter/0"}},
                              {R"([{"at":0,"num":4,"den":-nan}])", {"warning bad-meter /meter/0"}},
                              {R"([{"den":"4","num":4,"at":0}])",
                               {"warning wrong-type /meter/0/den", "warning bad-meter /meter/0"}},
                          });
    struct Case {
        const char* element;
        int32_t num;
        int32_t den;
    };
    const Case cases[] = {
        {R"({"at":0,"num":3.9,"den":3})", 3, 3},
        {R"({"at":0,"num":7,"den":8})", 7, 8},
        {R"({"at":0,"num":1e10,"den":1e300})", 2147483647, 2147483647},
        {R"({"at":0,"num":2147483648,"den":4.5})", 2147483647, 4},
    };
    for (const Case& c : cases) {
        document::DiagnosticList list;
        const std::vector<document::MeterPoint> points =
            readMeter(parse(std::string("[") + c.element + "]"), "/meter", list);
        ASSERT_EQ(points.size(), 1u);
        EXPECT_TRUE(list.empty()) << c.element;
        EXPECT_EQ(points[0].num, c.num) << c.element;
        EXPECT_EQ(points[0].den, c.den) << c.element;
    }
    document::DiagnosticList list;
    readMeter(parse(R"([1])"), "/meter", list);
    EXPECT_EQ(list[0].message, "Expected {at, num, den}; kept as written, not used");
}

TEST(ReadSwing, FindingsAndValues) {
    expectElementFindings(
        "/swing", document::readSwing,
        {
            {R"([{"bar":1,"amount":0.6}])", {}},
            {R"([{"bar":1,"amount":0.6,"grid":"1/0"}])", {"warning bad-swing /swing/0"}},
            {R"([{"bar":1,"amount":0.6,"grid":16}])", {"warning wrong-type /swing/0/grid"}},
            {R"([{"bar":1}])", {"warning bad-swing /swing/0"}},
            {R"([{"bar":1,"amount":0.6,"voice":1}])", {"warning wrong-type /swing/0/voice"}},
            // An unreadable setting does not look at its voice.
            {R"([{"amount":0.6,"voice":1}])", {"warning bad-swing /swing/0"}},
        });
    struct Case {
        const char* element;
        int32_t bar;
        const char* grid;
        const char* voice;
    };
    const Case cases[] = {
        {R"({"bar":2.5,"amount":0.6})", 2, "1/16", ""},
        {R"({"bar":1,"amount":0.6,"grid":16})", 1, "1/16", ""},
        {R"({"bar":-1e12,"amount":0.6,"grid":"03/8","voice":"v"})", -2147483647 - 1, "03/8", "v"},
        {R"({"bar":1e12,"amount":0.6})", 2147483647, "1/16", ""},
        {R"({"bar":-nan,"amount":0.6})", 0, "1/16", ""},
    };
    for (const Case& c : cases) {
        document::DiagnosticList list;
        const std::vector<document::SwingSetting> settings =
            readSwing(parse(std::string("[") + c.element + "]"), "/swing", list);
        ASSERT_EQ(settings.size(), 1u);
        EXPECT_FALSE(settings[0].keptAsWritten) << c.element;
        EXPECT_EQ(settings[0].bar, c.bar) << c.element;
        EXPECT_EQ(settings[0].grid, c.grid) << c.element;
        EXPECT_EQ(settings[0].voice, c.voice) << c.element;
    }
    document::DiagnosticList list;
    readSwing(parse(R"([1])"), "/swing", list);
    EXPECT_EQ(list[0].message,
              "Expected {bar, grid, amount} with a readable grid; kept as written, not used");
}

TEST(ReadLanes, Findings) {
    expectElementFindings(
        "/lanes", document::readLanes,
        {
            {R"([{"target":"cutoff","points":[{"at":0,"v":null}]}])", {}},
            {R"([{"target":""}])", {"warning bad-lane /lanes/0"}},
            {R"([{"target":5,"id":7}])", {"warning wrong-type /lanes/0/target", "warning bad-lane /lanes/0"}},
            {R"([3])", {"warning bad-lane /lanes/0"}},
            {R"([{"target":"t","id":1,"voice":2,"instance":3,"points":{}}])",
             {"warning wrong-type /lanes/0/id", "warning wrong-type /lanes/0/voice",
              "warning wrong-type /lanes/0/instance", "warning wrong-type /lanes/0/points"}},
            {R"([{"target":"t"},{"target":"t","points":[{"at":0,"v":1},{"at":1},{"v":1},5,{"at":2,"v":2,"curve":"Linear"}]}])",
             {"warning bad-lane-point /lanes/1/points/1", "warning bad-lane-point /lanes/1/points/2",
              "warning bad-lane-point /lanes/1/points/3", "warning unknown-curve /lanes/1/points/4/curve"}},
            {R"([{"target":"t","points":[{"at":"0","v":1,"curve":3},{"at":0,"v":1,"curve":3}]}])",
             {"warning wrong-type /lanes/0/points/0/at", "warning bad-lane-point /lanes/0/points/0",
              "warning wrong-type /lanes/0/points/1/curve"}},
            {R"([{"target":"a/b","points":[{"at":0,"v":1,"curve":"smooth"},{"at":0,"v":1,"curve":"step"},{"at":0,"v":1,"curve":"linear"}]}])",
             {}},
        });
}

TEST(ReadLanes, PointsKeepTheirPlaces) {
    document::DiagnosticList list;
    const std::vector<document::Lane> lanes = readLanes(
        parse(R"([{"id":"l","target":"t","voice":"v","instance":"i","points":[{"at":0,"v":null},{"at":1},)"
              R"({"at":2,"v":[1],"curve":"Linear","q":1}]}])"),
        "/lanes", list);
    ASSERT_EQ(lanes.size(), 1u);
    const document::Lane& lane = lanes[0];
    EXPECT_EQ(lane.id, "l");
    EXPECT_EQ(lane.voice, "v");
    EXPECT_EQ(lane.instance, "i");
    ASSERT_EQ(lane.points.size(), 3u);
    EXPECT_FALSE(lane.points[0].keptAsWritten);
    EXPECT_EQ(lane.points[0].v.type(), document::JsonType::Null);
    EXPECT_TRUE(lane.points[1].keptAsWritten);
    EXPECT_EQ(lane.points[1].asRead, parse(R"({"at":1})"));
    EXPECT_FALSE(lane.points[2].keptAsWritten);
    EXPECT_EQ(lane.points[2].curve, "Linear");
    EXPECT_EQ(lane.points[2].remainder, parse(R"({"q":1})"));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].message, "Expected {at, v}; kept as written, not used");
    EXPECT_EQ(list[1].message, "Unknown curve, played as step; kept");
    document::DiagnosticList laneList;
    readLanes(parse("[1]"), "/lanes", laneList);
    EXPECT_EQ(laneList[0].message, "A lane is an object with a `target`; kept as written, not played");
}

} // namespace
} // namespace fennrow::test
