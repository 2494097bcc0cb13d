#include "extract.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "extract_fixtures.h"
#include "orientation.h"
#include "template.h"

namespace mx {
namespace {

const std::string kFingers = std::string(CVBIO_SOURCE_DIR) + "/testdata/fingers/";

bool ReadPgm(const std::string& path, Image& image) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, maxValue = 0;
    in >> magic >> w >> h >> maxValue;
    in.get();
    if (magic != "P5" || w <= 0 || h <= 0 || maxValue != 255) return false;
    image = Image(w, h);
    for (int y = 0; y < h; ++y) in.read(reinterpret_cast<char*>(image[y]), w);
    return static_cast<bool>(in);
}

struct TruePoint {
    double x, y;
    int angle;
};

// The minutiae of one impression from F_master.json.
std::vector<TruePoint> TrueMinutiae(int finger, int impression) {
    std::ifstream in(kFingers + std::to_string(finger) + "_master.json");
    std::stringstream text;
    text << in.rdbuf();
    const std::string json = text.str();
    const std::string key = "\"impression\": " + std::to_string(impression);
    const size_t start = json.find(key);
    if (start == std::string::npos) return {};
    size_t end = json.find("\"impression\": ", start + key.size());
    if (end == std::string::npos) end = json.size();
    const std::string part = json.substr(start, end - start);
    const std::regex entry(
        R"re(\{"type": "(ending|bifurcation)", "x": (-?[0-9.]+), "y": (-?[0-9.]+), "angle": ([0-9]+)\})re");
    std::vector<TruePoint> points;
    for (auto it = std::sregex_iterator(part.begin(), part.end(), entry);
         it != std::sregex_iterator(); ++it)
        points.push_back({std::stod((*it)[2]), std::stod((*it)[3]), std::stoi((*it)[4])});
    return points;
}

int Extract(Image& image, MinutiaSet& set, SingularSet& singular, int sizeLimit = MaxTemplateSize,
            ExtractionReport* report = nullptr, StageHook* hook = nullptr) {
    return ExtractFeatures(image.View().rows, image.Width(), image.Height(), set, singular,
                           sizeLimit, report, hook);
}

TEST(ExtractFeatures, BlankImageIsRefused) {
    Image blank(280, 320, 200);
    auto set = std::make_unique<MinutiaSet>();
    SingularSet singular;
    ExtractionReport report;
    EXPECT_EQ(Extract(blank, *set, singular, MaxTemplateSize, &report), 0);
    EXPECT_EQ(report.meanUncertainty, 255);
    EXPECT_EQ(set->Count, 0);
    EXPECT_EQ(set->GridWidth, 17);
    EXPECT_EQ(set->GridHeight, 20);
    for (int r = 0; r < GridRows; ++r)
        for (int c = 0; c < GridColumns; ++c) ASSERT_EQ(set->Grid[r][c], MaskedCode);
    EXPECT_EQ(singular.Count, 0);
    for (int y = 0; y < 320; ++y)
        for (int x = 0; x < 280; ++x) ASSERT_EQ(blank[y][x], 255);  // all background
}

TEST(ExtractFeatures, DegenerateImagesAreRefusedSafely) {
    auto set = std::make_unique<MinutiaSet>();
    SingularSet singular;
    EXPECT_EQ(ExtractFeatures(nullptr, 280, 320, *set, singular), 0);
    for (const auto& [w, h] :
         std::vector<std::pair<int, int>>{{1, 1}, {3, 2}, {15, 40}, {40, 15}, {33, 33}}) {
        Image tiny = testing::RidgeImage(w, h, 20);
        EXPECT_EQ(Extract(tiny, *set, singular), 0) << w << "x" << h;
        EXPECT_EQ(set->Count, 0);
    }
    Image empty;
    EXPECT_EQ(ExtractFeatures(empty.View().rows, 0, 0, *set, singular), 0);
}

TEST(ExtractFeatures, GridOfALargeImageIsCutToTwentyTwoByThirtyOne) {
    std::vector<testing::TrueMinutia> minutiae = testing::LatticeMinutiae(400, 560, 45);
    Image large = testing::SyntheticPrint(400, 560, minutiae);
    auto set = std::make_unique<MinutiaSet>();
    SingularSet singular;
    Extract(large, *set, singular, 0);
    EXPECT_EQ(set->GridWidth, GridColumns);
    EXPECT_EQ(set->GridHeight, GridRows);
    EXPECT_GT(set->Count, 0);
    for (int i = 0; i < set->Count; ++i) {
        EXPECT_LT(set->X[i], 16 * GridColumns);
        EXPECT_LT(set->Y[i], 16 * GridRows);
    }
}

// The grid of a raw record: every block valid.
RawFeatures ValidGrid(int gw, int gh) {
    RawFeatures raw;
    raw.GridWidth = static_cast<uint8_t>(gw);
    raw.GridHeight = static_cast<uint8_t>(gh);
    std::memset(raw.Grid, MaskedCode, sizeof raw.Grid);
    for (int r = 0; r < gh; ++r)
        for (int c = 0; c < gw; ++c) raw.Grid[r][c] = 40;
    return raw;
}

void AddRaw(RawFeatures& raw, int x, int y) {
    const int i = raw.MinutiaCount++;
    raw.X[i] = x;
    raw.Y[i] = y;
    raw.Angle[i] = 90;
    raw.Type[i] = RidgeEnding;
    raw.Quality[i] = 12;
}

struct SelectCase {
    const char* name;
    int x, y;
    bool kept;
};

class SelectMinutiaeTest : public ::testing::TestWithParam<SelectCase> {};

TEST_P(SelectMinutiaeTest, KeepsOnlyMinutiaeWellInsideTheValidBlocks) {
    RawFeatures raw = ValidGrid(17, 20);
    AddRaw(raw, GetParam().x, GetParam().y);
    auto set = std::make_unique<MinutiaSet>();
    SelectMinutiae(raw, *set);
    EXPECT_EQ(set->Count, GetParam().kept ? 1 : 0);
}

// The valid blocks cover pixels 0..271 x 0..319; cells next to the empty frame are eroded.
INSTANTIATE_TEST_SUITE_P(Cells, SelectMinutiaeTest,
                         ::testing::Values(SelectCase{"LeftAtSevenDropped", 7, 100, false},
                                           SelectCase{"LeftAtEightKept", 8, 100, true},
                                           SelectCase{"TopAtSevenDropped", 100, 7, false},
                                           SelectCase{"TopAtEightKept", 100, 8, true},
                                           SelectCase{"LastValidColumnKept", 263, 100, true},
                                           SelectCase{"LastCellColumnDropped", 264, 100, false},
                                           SelectCase{"BeyondTheGridDropped", 275, 100, false},
                                           SelectCase{"LastValidRowKept", 100, 311, true},
                                           SelectCase{"LastCellRowDropped", 100, 312, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SelectMinutiae, MaskedBlockErodesItsNeighbourCells) {
    RawFeatures raw = ValidGrid(17, 20);
    raw.Grid[6][6] = MaskedCode;  // pixels 96..111
    AddRaw(raw, 100, 100);        // inside the masked block
    AddRaw(raw, 115, 100);        // the cell beside it
    AddRaw(raw, 120, 100);        // one cell further
    auto set = std::make_unique<MinutiaSet>();
    SelectMinutiae(raw, *set);
    ASSERT_EQ(set->Count, 1);
    EXPECT_EQ(set->X[0], 120);
}

TEST(SelectMinutiae, ThreeCloseMinutiaeGoTwoStay) {
    RawFeatures three = ValidGrid(17, 20);
    AddRaw(three, 100, 100);
    AddRaw(three, 103, 100);
    AddRaw(three, 100, 104);
    auto set = std::make_unique<MinutiaSet>();
    SelectMinutiae(three, *set);
    EXPECT_EQ(set->Count, 0);

    RawFeatures two = ValidGrid(17, 20);
    AddRaw(two, 100, 100);
    AddRaw(two, 103, 104);
    AddRaw(two, 150, 150);
    SelectMinutiae(two, *set);
    ASSERT_EQ(set->Count, 3);
    EXPECT_EQ(set->X[1], 103);
    EXPECT_EQ(set->Quality[1], 12);
}

TEST(QuantiseFeatures, BringsTheSetToTemplateResolution) {
    auto set = std::make_unique<MinutiaSet>();
    set->Count = 4;
    const int angles[] = {0, 2, 90, 359};
    const int expected[] = {0, 1, 88, 358};
    for (int i = 0; i < 4; ++i) {
        set->X[i] = static_cast<int16_t>(101 + i);
        set->Y[i] = static_cast<int16_t>(57 + i);
        set->Angle[i] = static_cast<int16_t>(angles[i]);
        set->Type[i] = static_cast<uint8_t>(i == 3 ? 3 : i % 2);
        set->Quality[i] = static_cast<uint8_t>(100 + 20 * i);
    }
    set->GridWidth = 3;
    set->GridHeight = 2;
    const uint8_t cells[6] = {NoDirection, MaskedCode, 116, 3, 4, 60};
    const uint8_t quantised[6] = {MaskedCode, MaskedCode, 0, 0, 8, 64};
    for (int i = 0; i < 6; ++i) set->Grid[i / 3][i % 3] = cells[i];
    set->Grid[5][5] = 77;  // outside the grid: untouched
    QuantiseFeatures(*set);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(set->X[i], (101 + i) / 2 * 2);
        EXPECT_EQ(set->Y[i], (57 + i) / 2 * 2);
        EXPECT_EQ(set->Angle[i], expected[i]);
        EXPECT_LE(set->Quality[i], 127);
        EXPECT_LE(set->Type[i], 1);
    }
    EXPECT_EQ(set->Type[3], 1);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(set->Grid[i / 3][i % 3], quantised[i]) << i;
    EXPECT_EQ(set->Grid[5][5], 77);
}

// Records the names of the images it is shown.
class RecordingHook : public StageHook {
  public:
    void OnImage(const char* name, ImageView image) override {
        names.push_back(name);
        EXPECT_GT(image.width, 0);
    }
    void OnRawFeatures(const RawFeatures& raw) override { rawMinutiae = raw.MinutiaCount; }
    std::vector<std::string> names;
    int rawMinutiae = -1;
};

TEST(ExtractFeatures, SyntheticImpressionsAreAccepted) {
    for (int finger = 1; finger <= 5; ++finger)
        for (int impression = 1; impression <= 3; ++impression) {
            const std::string name = std::to_string(finger) + "_" + std::to_string(impression);
            Image image;
            ASSERT_TRUE(ReadPgm(kFingers + name + ".pgm", image)) << name;
            auto set = std::make_unique<MinutiaSet>();
            SingularSet singular;
            ExtractionReport report;
            EXPECT_EQ(Extract(image, *set, singular, MaxTemplateSize, &report), 1) << name;
            EXPECT_LT(report.meanUncertainty, 150) << name;
            EXPECT_GE(set->Count, 10) << name;
            EXPECT_LE(SetTemplateSize(set.get()), MaxTemplateSize) << name;
            for (int i = 0; i < set->Count; ++i) {
                ASSERT_EQ(set->X[i] % 2, 0);
                ASSERT_EQ(set->Y[i] % 2, 0);
                ASSERT_GE(set->Angle[i], 0);
                ASSERT_LT(set->Angle[i], 360);
            }
            // The processed rows hold the binary image.
            for (int y = 0; y < image.Height(); ++y)
                for (int x = 0; x < image.Width(); ++x)
                    ASSERT_TRUE(image[y][x] == 0 || image[y][x] == 255);
        }
}

// Share of found minutiae within `tolerance` pixels of a true one, and of true minutiae found.
struct Agreement {
    int found = 0, foundNearTruth = 0, truth = 0, truthFound = 0;
};

TEST(ExtractFeatures, MinutiaeLieNearTheTrueOnes) {
    constexpr double kTolerance = 10.0;
    Agreement total;
    for (int finger = 1; finger <= 5; ++finger)
        for (int impression = 1; impression <= 3; ++impression) {
            Image image;
            ASSERT_TRUE(ReadPgm(
                kFingers + std::to_string(finger) + "_" + std::to_string(impression) + ".pgm",
                image));
            const auto truth = TrueMinutiae(finger, impression);
            ASSERT_FALSE(truth.empty());
            auto set = std::make_unique<MinutiaSet>();
            SingularSet singular;
            Extract(image, *set, singular, 0);  // no fitting: image coordinates
            auto near = [&](double x, double y, double ox, double oy) {
                return std::hypot(x - ox, y - oy) <= kTolerance;
            };
            for (int i = 0; i < set->Count; ++i) {
                ++total.found;
                for (const auto& t : truth)
                    if (near(set->X[i], set->Y[i], t.x, t.y)) {
                        ++total.foundNearTruth;
                        break;
                    }
            }
            for (const auto& t : truth) {
                ++total.truth;
                for (int i = 0; i < set->Count; ++i)
                    if (near(set->X[i], set->Y[i], t.x, t.y)) {
                        ++total.truthFound;
                        break;
                    }
            }
        }
    const double precision = double(total.foundNearTruth) / total.found;
    const double recall = double(total.truthFound) / total.truth;
    std::printf(
        "minutiae within %.0f px of the truth: %d of %d found (%.0f%%), %d of %d true (%.0f%%)\n",
        kTolerance, total.foundNearTruth, total.found, 100 * precision, total.truthFound,
        total.truth, 100 * recall);
    EXPECT_GE(precision, 0.85);
    EXPECT_GE(recall, 0.75);
}

TEST(ExtractFeatures, VerdictCountsTheMinutiaeLeftAfterFitting) {
    Image original;
    ASSERT_TRUE(ReadPgm(kFingers + "4_1.pgm", original));
    auto set = std::make_unique<MinutiaSet>();
    SingularSet singular;

    Image unlimited = original;
    ASSERT_EQ(Extract(unlimited, *set, singular, 0), 1);
    const int all = set->Count;
    EXPECT_EQ(set->GridWidth, 17);
    EXPECT_EQ(set->GridHeight, 20);

    // A limit that leaves room for a 6 x 6 grid and 8 records.
    Image limited = original;
    const int limit = 8 + 4 * 8 + 18;
    EXPECT_EQ(Extract(limited, *set, singular, limit), 0);
    EXPECT_LE(SetTemplateSize(set.get()), limit);
    EXPECT_LT(set->Count, 10);
    EXPECT_LT(set->Count, all);
    for (int i = 0; i < set->Count; ++i) {
        EXPECT_EQ(set->X[i] % 2, 0);
        EXPECT_LT(set->X[i], 16 * set->GridWidth);
        EXPECT_LT(set->Y[i], 16 * set->GridHeight);
    }
}

TEST(ExtractFeatures, HookSeesTheStagesInOrder) {
    Image image;
    ASSERT_TRUE(ReadPgm(kFingers + "3_1.pgm", image));
    auto set = std::make_unique<MinutiaSet>();
    SingularSet singular;
    RecordingHook hook;
    ExtractionReport report;
    Extract(image, *set, singular, MaxTemplateSize, &report, &hook);
    const std::vector<std::string> expected = {
        "smoothed", "normalised",   "pixel-uncertainty", "directions", "oriented",
        "density",  "first-binary", "enhanced",          "binary",     "skeleton"};
    EXPECT_EQ(hook.names, expected);
    EXPECT_EQ(hook.rawMinutiae, report.validMinutiae);
    EXPECT_GE(report.detectedMinutiae, report.validMinutiae);

    // The same image without a hook gives the same features.
    Image again;
    ASSERT_TRUE(ReadPgm(kFingers + "3_1.pgm", again));
    auto second = std::make_unique<MinutiaSet>();
    SingularSet singular2;
    Extract(again, *second, singular2);
    ASSERT_EQ(second->Count, set->Count);
    for (int i = 0; i < set->Count; ++i) {
        EXPECT_EQ(second->X[i], set->X[i]);
        EXPECT_EQ(second->Angle[i], set->Angle[i]);
    }
    EXPECT_EQ(std::memcmp(second->Grid, set->Grid, sizeof set->Grid), 0);
    EXPECT_EQ(singular2.RidgeDensity, singular.RidgeDensity);
}

}  // namespace
}  // namespace mx
