#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "expect_error.hpp"
#include "scripted_source.hpp"
#include "walk.hpp"

namespace nurlo {
namespace {

using test::ScriptedSource;

// The nodes of 0..nx x 0..ny that stop a walk, as a picture: row y = ny first, '#' for a stop.
std::vector<std::string> stopMap(const WalkDomain& domain) {
    std::vector<std::string> rows;
    for (int y = domain.ny(); y >= 0; --y) {
        std::string row;
        for (int x = 0; x <= domain.nx(); ++x) {
            row += domain.stops({static_cast<Int16>(x), static_cast<Int16>(y)}) ? '#' : '.';
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(BorderTest, SquareStopsOnItsFourSides) {
    EXPECT_EQ(stopMap(WalkDomain::square(3)),
              (std::vector<std::string>{"####", "#..#", "#..#", "####"}));
}

TEST(BorderTest, LShapeAddsTheTwoSegmentsOfTheInnerCorner) {
    // nx = 6, ny = 5, inner corner (2, 3): the block x > 2, y > 3 is cut off.
    EXPECT_EQ(stopMap(WalkDomain::lShaped(6, 5, 2, 3)), (std::vector<std::string>{
                                                            "#######",
                                                            "#.#...#",
                                                            "#.#####",
                                                            "#.....#",
                                                            "#.....#",
                                                            "#######",
                                                        }));
}

TEST(BorderTest, ACornerOnOrPastTheRectangleGivesThePlainRectangle) {
    const auto rectangle = stopMap(WalkDomain::square(4));
    EXPECT_EQ(stopMap(WalkDomain::lShaped(4, 4, 4, 1)), rectangle);
    EXPECT_EQ(stopMap(WalkDomain::lShaped(4, 4, 9, 2)), rectangle);
    EXPECT_EQ(stopMap(WalkDomain::lShaped(4, 4, 1, 4)), rectangle);
    EXPECT_EQ(stopMap(WalkDomain::lShaped(4, 4, 2, 7)), rectangle);
}

TEST(BorderTest, ACornerAtOrBelowZeroCutsAWholeRowOrColumn) {
    // a <= 0: the whole row y = b stops walks; b <= 0: the whole column x = a.
    EXPECT_EQ(stopMap(WalkDomain::lShaped(4, 4, 0, 2)),
              (std::vector<std::string>{"#####", "#...#", "#####", "#...#", "#####"}));
    EXPECT_EQ(stopMap(WalkDomain::lShaped(4, 4, 2, 0)),
              (std::vector<std::string>{"#####", "#.#.#", "#.#.#", "#.#.#", "#####"}));
}

TEST(BorderTest, OuterLinesAreEqualitiesSoNodesOffTheGridStopOnlyOnTheirProlongation) {
    const WalkDomain square = WalkDomain::square(4);
    EXPECT_FALSE(square.stops({-1, 2}));
    EXPECT_FALSE(square.stops({5, 2}));
    EXPECT_TRUE(square.stops({-3, 4}));
    EXPECT_TRUE(square.stops({9, 0}));
}

TEST(Bands, TheFourBandsAndTheirTieBreaks) {
    struct Case {
        double r;
        Step step;
    };
    const std::array<Case, 10> cases = {{
        {0.0, {1, 0}},
        {0.1, {1, 0}},
        {0.25, {1, 0}},
        {0.2500000000000001, {-1, 0}},
        {0.4999999999999999, {-1, 0}},
        {0.5, {0, 1}},
        {0.7499999999999999, {0, 1}},
        {0.75, {0, -1}},
        {0.9999999999999999, {0, -1}},
        {1.0, {0, -1}},
    }};
    for (const Case& c : cases) {
        const Step step = stepFor(c.r);
        EXPECT_EQ(step.dx, c.step.dx) << "r = " << c.r;
        EXPECT_EQ(step.dy, c.step.dy) << "r = " << c.r;
    }
}

TEST(RandomWalk, ScriptedDrawsMovePlusXPlusXPlusYMinusY) {
    // From (1, 2) on the 10 x 10 square: +x, +x, +y, -y bring the walk to (3, 2); a draw of 0.3
    // moves -x to (2, 2), and two of 0.8 move it down to (2, 0) on the border.
    ScriptedSource source({0.0, 0.25, 0.5, 0.75, 0.3, 0.8, 0.8});
    const WalkDomain domain = WalkDomain::square(10);
    const Node end = RandomWalk(domain, {1, 2}).run(source);
    EXPECT_EQ(end, (Node{2, 0}));
    EXPECT_EQ(source.draws(), 7u);
    EXPECT_EQ(source.reseeds(), 7u) << "one reseed before every draw";
}

TEST(RandomWalk, AStartOnTheBorderReturnsAtOnceWithoutADraw) {
    ScriptedSource source({});
    const WalkDomain square = WalkDomain::square(4);
    EXPECT_EQ(RandomWalk(square, {0, 2}).run(source), (Node{0, 2}));
    EXPECT_EQ(RandomWalk(square, {4, 4}).run(source), (Node{4, 4}));
    const WalkDomain ell = WalkDomain::lShaped(6, 6, 2, 3);
    EXPECT_EQ(RandomWalk(ell, {2, 5}).run(source), (Node{2, 5}));
    EXPECT_EQ(RandomWalk(ell, {5, 3}).run(source), (Node{5, 3}));
    EXPECT_EQ(source.draws(), 0u);
    EXPECT_EQ(source.reseeds(), 0u);
}

TEST(RandomWalk, LShapeStopsOnTheBottomLineAtTheCornerAbscissa) {
    // From (2, 1), one step -y reaches (2, 0) on the line y = 0.
    ScriptedSource source({0.9});
    const WalkDomain ell = WalkDomain::lShaped(6, 6, 2, 3);
    EXPECT_EQ(RandomWalk(ell, {2, 1}).run(source), (Node{2, 0}));
}

TEST(RandomWalk, AStartInsideTheRemovedBlockStaysThere) {
    // The block x > 2, y > 3 of 0..6 x 0..6 is closed by x = 2, y = 3, x = 6 and y = 6.
    SeededSource source(11);
    const WalkDomain ell = WalkDomain::lShaped(6, 6, 2, 3);
    for (int walk = 0; walk < 2000; ++walk) {
        const Node end = RandomWalk(ell, {4, 5}).run(source);
        EXPECT_TRUE(end.x == 2 || end.x == 6 || end.y == 3 || end.y == 6);
        EXPECT_GE(end.x, 2);
        EXPECT_GE(end.y, 3);
    }
}

TEST(RandomWalk, AStartOffTheGridEndsOnAProlongedLine) {
    // From (-1, 2) on the 4 x 4 square a +x step reaches the line x = 0.
    ScriptedSource right({0.1});
    EXPECT_EQ(RandomWalk(WalkDomain::square(4), {-1, 2}).run(right), (Node{0, 2}));
    // From (-1, 1), -y reaches (-1, 0): on the line y = 0 but off the grid.
    ScriptedSource down({0.9});
    EXPECT_EQ(RandomWalk(WalkDomain::square(4), {-1, 1}).run(down), (Node{-1, 0}));
}

TEST(RandomWalk, OffsetsAndPositionsAreCheckedSixteenBitValues) {
    // From (32767, 2) on the 4 x 4 square, a +x step makes x0 + dx = 32768.
    ScriptedSource source({0.0});
    EXPECT_RUNTIME_ERROR(RandomWalk(WalkDomain::square(4), {32767, 2}).run(source),
                         ErrorKind::Overflow);
}

TEST(RandomWalk, CornerPastTheRectangleEndsWhereTheRectangleDoes) {
    // The same seed gives the same walk, so the end nodes match one for one.
    SeededSource plain(5);
    SeededSource cut(5);
    const WalkDomain rectangle = WalkDomain::square(8);
    const WalkDomain wideCorner = WalkDomain::lShaped(8, 8, 8, 3);
    const WalkDomain tallCorner = WalkDomain::lShaped(8, 8, 3, 12);
    SeededSource tall(5);
    for (int walk = 0; walk < 500; ++walk) {
        const Node expected = RandomWalk(rectangle, {3, 5}).run(plain);
        EXPECT_EQ(RandomWalk(wideCorner, {3, 5}).run(cut), expected);
        EXPECT_EQ(RandomWalk(tallCorner, {3, 5}).run(tall), expected);
    }
}

TEST(StepFor, TheFourDirectionsGetEqualShares) {
    // Chi-square with 3 degrees of freedom over 400000 steps; 16.27 is its 0.1% critical value.
    SeededSource source(99);
    std::array<long, 4> counts{};
    const int steps = 400000;
    for (int k = 0; k < steps; ++k) {
        source.reseed();
        const Step step = stepFor(source.next());
        const int band = step.dx == 1 ? 0 : step.dx == -1 ? 1 : step.dy == 1 ? 2 : 3;
        ++counts[static_cast<std::size_t>(band)];
    }
    double chiSquare = 0.0;
    for (const long count : counts) {
        const double expected = steps / 4.0;
        chiSquare += (static_cast<double>(count) - expected) *
                     (static_cast<double>(count) - expected) / expected;
    }
    EXPECT_LT(chiSquare, 16.27) << counts[0] << " " << counts[1] << " " << counts[2] << " "
                                << counts[3];
}

}  // namespace
}  // namespace nurlo
