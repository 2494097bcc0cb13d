#include "singular.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "extract_fixtures.h"

namespace mx {
namespace {

// Direction code of the flow 0.5 x turn x angle around (cx, cy): turn +1 a core, -1 a delta.
int SingularFlowCode(double x, double y, double cx, double cy, int turn) {
    double theta = 0.5 * turn * std::atan2(y - cy, x - cx) * 180.0 / std::numbers::pi;
    int code = static_cast<int>(std::lround(theta / 1.5)) % 120;
    return code < 0 ? code + 120 : code;
}

BlockField SingularField(int bw, int bh, double cx, double cy, int turn) {
    BlockField field;
    field.width = bw;
    field.height = bh;
    field.directions.resize(bw * bh);
    field.uncertainty.assign(bw * bh, 0);
    for (int by = 0; by < bh; ++by)
        for (int bx = 0; bx < bw; ++bx)
            field.Direction(bx, by) =
                static_cast<uint8_t>(SingularFlowCode(bx * 16 + 7.5, by * 16 + 7.5, cx, cy, turn));
    return field;
}

Image SingularDirImage(int w, int h, double cx, double cy, int turn) {
    return testing::MakeImage(w, h,
                              [&](int x, int y) { return SingularFlowCode(x, y, cx, cy, turn); });
}

TEST(PoincareIndex, CountsHalfTurns) {
    const int still[8] = {10, 10, 10, 10, 10, 10, 10, 10};
    EXPECT_EQ(PoincareIndex(still, 8), 0);
    const int turning[8] = {0, 15, 30, 45, 60, 75, 90, 105};
    EXPECT_EQ(PoincareIndex(turning, 8), 1);
    const int back[8] = {105, 90, 75, 60, 45, 30, 15, 0};
    EXPECT_EQ(PoincareIndex(back, 8), -1);
}

TEST(PoincareIndex, AmbiguousStepGivesZero) {
    // Each step is exactly a quarter turn of the orientation: either way round is as likely.
    const int alternating[8] = {0, 60, 0, 60, 0, 60, 0, 60};
    EXPECT_EQ(PoincareIndex(alternating, 8), 0);
}

TEST(FindSingularCandidates, CoreAndDeltaHaveOppositeKinds) {
    const auto cores = FindSingularCandidates(SingularField(17, 20, 136, 160, 1));
    const auto deltas = FindSingularCandidates(SingularField(17, 20, 136, 160, -1));
    ASSERT_GT(cores.count, 0);
    ASSERT_GT(deltas.count, 0);
    for (int i = 0; i < cores.count; ++i) {
        EXPECT_EQ(cores.items[i].kind, 1);
        EXPECT_EQ(cores.items[i].direction, -1);
        EXPECT_LE(std::abs(cores.items[i].bx * 16 + 8 - 136), 16);
        EXPECT_LE(std::abs(cores.items[i].by * 16 + 8 - 160), 16);
    }
    for (int i = 0; i < deltas.count; ++i) EXPECT_EQ(deltas.items[i].kind, -1);
}

TEST(FindSingularCandidates, BlocksNearTheGridEdgeAreNeverCandidates) {
    // The core sits in block column 1: its ring would turn, but the block is not examined.
    const auto list = FindSingularCandidates(SingularField(17, 20, 24, 160, 1));
    for (int i = 0; i < list.count; ++i) EXPECT_GE(list.items[i].bx, 2);
    for (int i = 0; i < list.count; ++i) EXPECT_NE(list.items[i].bx, 1);
}

TEST(FindSingularCandidates, MaskedBlockInTheOuterRingSkipsTheBlock) {
    BlockField field = SingularField(17, 20, 136, 160, 1);
    const auto before = FindSingularCandidates(field);
    ASSERT_GT(before.count, 0);
    const SingularCandidate first = before.items[0];
    field.Direction(first.bx + 2, first.by) = MaskedCode;
    const auto after = FindSingularCandidates(field);
    for (int i = 0; i < after.count; ++i)
        EXPECT_FALSE(after.items[i].bx == first.bx && after.items[i].by == first.by);
}

// A lattice of alternating cores and deltas three blocks apart: far more turning blocks than
// the candidate list holds.
BlockField LatticeField(int bw, int bh) {
    BlockField field;
    field.width = bw;
    field.height = bh;
    field.directions.resize(bw * bh);
    field.uncertainty.assign(bw * bh, 0);
    for (int by = 0; by < bh; ++by)
        for (int bx = 0; bx < bw; ++bx) {
            double t = 0;
            for (int gy = -1; gy < 12; ++gy)
                for (int gx = -1; gx < 9; ++gx)
                    t += ((gx + gy) % 2 ? 1 : -1) *
                         std::atan2(by - (gy * 3 + 0.5), bx - (gx * 3 + 0.5));
            int v = static_cast<int>(std::lround(0.5 * t * 180 / std::numbers::pi / 1.5)) % 120;
            field.Direction(bx, by) = static_cast<uint8_t>(v < 0 ? v + 120 : v);
        }
    return field;
}

TEST(FindSingularCandidates, MoreThanTheListHoldsKeepsTheFirstInScanOrder) {
    const BlockField field = LatticeField(22, 31);
    const auto list = FindSingularCandidates(field);
    EXPECT_EQ(list.count, 100);
    for (int i = 1; i < list.count; ++i)
        EXPECT_TRUE(
            list.items[i].by > list.items[i - 1].by ||
            (list.items[i].by == list.items[i - 1].by && list.items[i].bx > list.items[i - 1].bx));

    // The top part of the same lattice on its own gives the same leading candidates.
    BlockField top = field;
    top.height = list.items[99].by - 1;
    top.directions.resize(top.width * top.height);
    top.uncertainty.resize(top.width * top.height);
    const auto head = FindSingularCandidates(top);
    ASSERT_LT(head.count, 100);
    for (int i = 0; i < head.count; ++i) {
        EXPECT_EQ(head.items[i].bx, list.items[i].bx);
        EXPECT_EQ(head.items[i].by, list.items[i].by);
    }
}

SingularCandidates Candidates(std::initializer_list<SingularCandidate> items) {
    SingularCandidates list;
    for (const auto& c : items) list.items[list.count++] = c;
    return list;
}

TEST(RefineSingularPoints, AdjacentCandidatesOfOneKindGiveOnePoint) {
    const Image dir = SingularDirImage(280, 320, 140, 150, 1);
    auto list = Candidates({{8, 9, -1, 1}, {9, 9, -1, 1}, {8, 10, -1, 1}});
    RawFeatures raw;
    RefineSingularPoints(dir, list, raw);
    ASSERT_EQ(raw.SingularCount, 1);
    EXPECT_EQ(raw.SingularKind[0], 1);
    EXPECT_LE(std::abs(raw.SingularX[0] - 140), 3);
    EXPECT_LE(std::abs(raw.SingularY[0] - 150), 3);
    EXPECT_GE(raw.SingularDirection[0], 0);
    EXPECT_LT(raw.SingularDirection[0], 360);
}

TEST(RefineSingularPoints, TouchingCoreAndDeltaGiveNothing) {
    const Image dir = SingularDirImage(280, 320, 140, 150, 1);
    auto list = Candidates({{8, 9, -1, 1}, {9, 10, -1, -1}, {4, 4, -1, -1}});
    RawFeatures raw;
    RefineSingularPoints(dir, list, raw);
    ASSERT_EQ(raw.SingularCount, 1);  // only the separate delta block
    EXPECT_EQ(raw.SingularKind[0], -1);
}

}  // namespace
}  // namespace mx
