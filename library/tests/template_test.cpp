#include "template.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "minutix.h"

namespace mx {
namespace {

// A set with a fully valid grid of the given size and `n` minutiae on a regular lattice.
std::unique_ptr<MinutiaSet> MakeSet(int n, int gw, int gh) {
    auto set = std::make_unique<MinutiaSet>();
    std::memset(set->Grid, MaskedCode, sizeof set->Grid);
    set->GridWidth = static_cast<uint8_t>(gw);
    set->GridHeight = static_cast<uint8_t>(gh);
    for (int r = 0; r < gh; ++r)
        for (int c = 0; c < gw; ++c) set->Grid[r][c] = static_cast<uint8_t>(8 * ((r + c) % 15));
    set->Count = n;
    for (int i = 0; i < n; ++i) {
        set->X[i] = static_cast<int16_t>(20 + 2 * (i % 10) * 12);
        set->Y[i] = static_cast<int16_t>(20 + 2 * (i / 10) * 12);
        set->Angle[i] = static_cast<int16_t>((i * 37) % 360);
        set->Quality[i] = static_cast<uint8_t>(i % 128);
        set->Type[i] = static_cast<uint8_t>(i % 2);
    }
    return set;
}

std::vector<uint8_t> Pack(const MinutiaSet& set, uint8_t density = 0) {
    std::vector<uint8_t> out(MaxTemplateSize, 0xAA);
    PackTemplate(set, density, out.data());
    return out;
}

TEST(TemplateSize, EmptyAndFullSets) {
    auto empty = MakeSet(0, 17, 20);
    EXPECT_EQ(SetTemplateSize(empty.get()), 178);
    EXPECT_EQ(SetTemplateSize(nullptr), 0);
    auto t = Pack(*empty, 77);
    const uint8_t header[8] = {0x44, 0, 17, 20, 77, 34, 'c', 'v'};
    EXPECT_EQ(0, std::memcmp(t.data(), header, 8));
    EXPECT_EQ(HeaderTemplateSize(t.data()), 178);
    EXPECT_EQ(t[178], 0xAA) << "packing wrote past the template's length";

    auto full = MakeSet(51, 17, 20);
    EXPECT_EQ(SetTemplateSize(full.get()), 382);
    EXPECT_EQ(HeaderTemplateSize(Pack(*full).data()), 382);
}

TEST(TemplateSize, PackingLimitsTheCountToTheBuffer) {
    auto set = MakeSet(60, 17, 20);
    auto t = Pack(*set);
    EXPECT_EQ(t[1], 51);
    EXPECT_LE(HeaderTemplateSize(t.data()), MaxTemplateSize);
}

TEST(TemplateRecords, DRecordHalvesCoordinates) {
    auto set = MakeSet(1, 1, 1);
    set->X[0] = 101;
    set->Y[0] = 57;
    set->Angle[0] = 90;
    set->Type[0] = Bifurcation;
    set->Quality[0] = 200;
    auto t = Pack(*set);
    EXPECT_EQ(t[8], 50);
    EXPECT_EQ(t[9], 28);
    EXPECT_EQ(t[11], 0x80 | 127);
    MinutiaSet back;
    uint8_t density = 0;
    UnpackTemplate(back, density, t.data());
    EXPECT_EQ(back.X[0], 100);
    EXPECT_EQ(back.Y[0], 56);
    EXPECT_EQ(back.Type[0], Bifurcation);
    EXPECT_EQ(back.Quality[0], 127);
}

TEST(TemplateRecords, AngleBytes) {
    struct Row {
        const char* name;
        int angle;
        int byte;
        int decoded;
    } rows[] = {
        {"359 packs to 254", 359, 254, 359},
        {"360 packs to 255", 360, 255, 360},
        {"byte 1 is 1 degree", 1, 1, 1},
        {"byte 2 is 3 degrees", 3, 2, 3},
        {"0 stays 0", 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto set = MakeSet(1, 1, 1);
        set->Angle[0] = static_cast<int16_t>(row.angle);
        auto t = Pack(*set);
        EXPECT_EQ(t[10], row.byte);
        MinutiaSet back;
        uint8_t density;
        UnpackTemplate(back, density, t.data());
        EXPECT_EQ(back.Angle[0], row.decoded);
    }
    // Re-encoding a decoded angle gives the same byte for every byte value.
    for (int b = 0; b < 256; ++b) {
        uint8_t t[MaxTemplateSize] = {
            0x44, 1, 0, 0, 0, 34, 'c', 'v', 0, 0, static_cast<uint8_t>(b)};
        MinutiaSet set;
        uint8_t density;
        UnpackTemplate(set, density, t);
        EXPECT_EQ(Pack(set)[10], b) << "byte " << b;
    }
}

TEST(TemplateRecords, ERecordsDecode) {
    // x 301, y 517, bifurcation, angle 359, quality 100 in the 5-byte layout.
    uint8_t t[MaxTemplateSize] = {0x45, 1, 1, 1, 9, 34, 'c', 'v', 75, 96, 81, 179, 228, 0x30};
    MinutiaSet set;
    uint8_t density = 0;
    UnpackTemplate(set, density, t);
    EXPECT_EQ(density, 9);
    ASSERT_EQ(set.Count, 1);
    EXPECT_EQ(set.X[0], 301);
    EXPECT_EQ(set.Y[0], 517);
    EXPECT_EQ(set.Type[0], 1);
    EXPECT_EQ(set.Angle[0], 359);
    EXPECT_EQ(set.Quality[0], 100);
    EXPECT_EQ(set.Grid[0][0], 24);
    // Repacking writes the record format in force.
    EXPECT_EQ(Pack(set)[0], 0x44);
}

TEST(TemplateRecords, UnknownRecordLengthKeepsTheArrays) {
    auto set = MakeSet(5, 2, 1);
    uint8_t t[MaxTemplateSize] = {0x43, 3, 2, 1, 0, 34, 'c', 'v', 0x2F};
    uint8_t density;
    UnpackTemplate(*set, density, t);
    EXPECT_EQ(set->Count, 3);
    EXPECT_EQ(set->X[0], 20);  // untouched
    EXPECT_EQ(set->Grid[0][0], 16);
    EXPECT_EQ(set->Grid[0][1], MaskedCode);
}

TEST(TemplateGrid, NibbleRules) {
    struct Row {
        const char* name;
        uint8_t code;
        uint8_t nibble;
        uint8_t decoded;
    } rows[] = {
        {"code 116 wraps to 0", 116, 0, 0},
        {"code 119 wraps to 0", 119, 0, 0},
        {"code 115 rounds to 14", 115, 14, 112},
        {"code 4 rounds up", 4, 1, 8},
        {"no direction", NoDirection, 15, MaskedCode},
        {"masked", MaskedCode, 15, MaskedCode},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto set = MakeSet(0, 1, 1);
        set->Grid[0][0] = row.code;
        auto t = Pack(*set);
        EXPECT_EQ(t[8], row.nibble << 4);
        MinutiaSet back;
        uint8_t density;
        UnpackTemplate(back, density, t.data());
        EXPECT_EQ(back.Grid[0][0], row.decoded);
    }
}

TEST(TemplateGrid, OddCellCountLeavesTheLastLowNibbleZero) {
    auto set = MakeSet(0, 17, 19);
    for (auto& row : set->Grid)
        for (auto& cell : row)
            if (cell != MaskedCode) cell = 8;
    auto t = Pack(*set);
    EXPECT_EQ(HeaderTemplateSize(t.data()), 8 + 162);
    EXPECT_EQ(t[8 + 160], 0x11);
    EXPECT_EQ(t[8 + 161], 0x10);
}

TEST(TemplateRoundTrip, ValidTemplatesSurviveUnchanged) {
    auto set = MakeSet(40, 17, 20);
    set->Grid[3][4] = NoDirection;
    auto t = Pack(*set, 201);
    MinutiaSet back;
    uint8_t density = 0;
    UnpackTemplate(back, density, t.data());
    EXPECT_EQ(density, 201);
    EXPECT_EQ(back.Count, 40);
    EXPECT_EQ(back.GridWidth, 17);
    EXPECT_EQ(back.GridHeight, 20);
    EXPECT_EQ(Pack(back, density), t);
}

TEST(Rotation, TwiceOnASet) {
    auto set = MakeSet(4, 17, 20);
    set->Angle[0] = 0;
    set->Angle[1] = 180;
    set->Angle[2] = 181;
    set->Angle[3] = 360;
    set->Grid[0][0] = 40;
    MinutiaSet once, twice;
    RotateSet180(once, *set);
    EXPECT_EQ(once.X[0], 272 - set->X[3]);
    EXPECT_EQ(once.Y[0], 320 - set->Y[3]);
    EXPECT_EQ(once.Angle[3], 180);
    EXPECT_EQ(once.Angle[2], 360);
    EXPECT_EQ(once.Angle[1], 1);
    EXPECT_EQ(once.Angle[0], 180);
    EXPECT_EQ(once.Grid[19][16], 40);
    RotateSet180(twice, once);
    const int16_t expectedAngles[] = {360, 180, 181, 360};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(twice.X[i], set->X[i]);
        EXPECT_EQ(twice.Y[i], set->Y[i]);
        EXPECT_EQ(twice.Type[i], set->Type[i]);
        EXPECT_EQ(twice.Quality[i], set->Quality[i]);
        EXPECT_EQ(twice.Angle[i], expectedAngles[i]);
    }
    EXPECT_EQ(0, std::memcmp(twice.Grid, set->Grid, sizeof set->Grid));
}

TEST(Rotation, TwiceOnATemplateThroughTheExport) {
    auto set = MakeSet(2, 17, 20);
    auto t = Pack(*set);
    t[10] = 0;  // angle byte of the first record
    t[14] = 2;  // ... and of the second
    const auto original = t;
    MX_RotateTemplate(t.data());
    EXPECT_EQ(t[10], 130);  // records reverse: the second comes first
    EXPECT_EQ(t[14], 127);
    MX_RotateTemplate(t.data());
    EXPECT_EQ(t[10], 254);
    EXPECT_EQ(t[14], 3);
    t[10] = original[10];
    t[14] = original[14];
    EXPECT_EQ(t, original) << "positions, order and grid come back";
}

TEST(Fitting, FiftySecondMinutiaCutsOneStrip) {
    auto set = MakeSet(52, 17, 20);
    set->Y[51] = 10;  // the only minutia in the top strip
    set->X[51] = 130;
    for (int r = 0; r < 20; ++r) set->Grid[r][0] = static_cast<uint8_t>(r * 4);
    SingularSet singular;
    singular.Count = 2;
    singular.X[0] = 140, singular.Y[0] = 160, singular.Kind[0] = 1;
    singular.X[1] = 10, singular.Y[1] = 10, singular.Kind[1] = -1;  // a delta does not count
    const MinutiaSet before = *set;
    ASSERT_GT(SetTemplateSize(set.get()), MaxTemplateSize);

    // Centre (128, 160): L 128, R 144, T 160, B 160, so the top strip goes.
    FitToTemplateSize(*set, singular, 280, 320, MaxTemplateSize);
    EXPECT_EQ(set->Count, 51);
    EXPECT_EQ(set->GridWidth, 17);
    EXPECT_EQ(set->GridHeight, 19);
    EXPECT_EQ(SetTemplateSize(set.get()), 374);
    for (int i = 0; i < 51; ++i) {
        EXPECT_EQ(set->X[i], before.X[i]);
        EXPECT_EQ(set->Y[i], before.Y[i] - 16);
        EXPECT_EQ(set->Angle[i], before.Angle[i]);
    }
    for (int r = 0; r < 19; ++r) EXPECT_EQ(set->Grid[r][0], before.Grid[r + 1][0]);
    for (int c = 0; c < GridColumns; ++c) EXPECT_EQ(set->Grid[19][c], MaskedCode);
    EXPECT_EQ(set->Grid[0][17], MaskedCode);
}

TEST(Fitting, EqualDistancesCutLeftThenRightThenTop) {
    struct Row {
        const char* name;
        int limit;
        int gridWidth;
        int gridHeight;
        int firstCellRow;  // old position of the new cell (0, 0)
        int firstCellColumn;
    } rows[] = {
        {"fits already", 136, 16, 16, 0, 0},
        {"one strip from the left", 130, 15, 16, 0, 1},
        {"then the right", 120, 14, 16, 0, 1},
        {"then the top", 113, 14, 15, 1, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto set = MakeSet(0, 16, 16);
        for (int r = 0; r < 16; ++r)
            for (int c = 0; c < 16; ++c) set->Grid[r][c] = static_cast<uint8_t>(r * 16 + c);
        SingularSet none;
        FitToTemplateSize(*set, none, 256, 256, row.limit);  // centre (128, 128)
        EXPECT_EQ(set->GridWidth, row.gridWidth);
        EXPECT_EQ(set->GridHeight, row.gridHeight);
        EXPECT_EQ(set->Grid[0][0], row.firstCellRow * 16 + row.firstCellColumn);
        EXPECT_LE(SetTemplateSize(set.get()), row.limit);
    }
}

TEST(Fitting, DegenerateLimitStillTerminates) {
    auto set = MakeSet(30, 17, 20);
    set->X[0] = 1000;  // outside the image, never cut away by a strip
    SingularSet none;
    FitToTemplateSize(*set, none, 280, 320, 8);
    EXPECT_EQ(set->Count, 0);
    EXPECT_LE(SetTemplateSize(set.get()), 8);
}

// Damaged templates: the decoder must stay inside the 384 bytes and inside the set, and the
// rotation must turn anything into a well-formed template. Buffers are heap blocks of exactly
// their size so that the sanitizer build catches any stray access.
void CheckDamaged(const uint8_t* bytes) {
    auto tmpl = std::make_unique<uint8_t[]>(MaxTemplateSize);
    std::memcpy(tmpl.get(), bytes, MaxTemplateSize);
    auto set = std::make_unique<MinutiaSet>();
    uint8_t density = 0;
    UnpackTemplate(*set, density, tmpl.get());
    ASSERT_LE(set->GridWidth, GridColumns);
    ASSERT_LE(set->GridHeight, GridRows);
    ASSERT_GE(set->Count, 0);
    ASSERT_LE(set->Count, 255);
    const int recordLength = bytes[0] & 7;
    if (recordLength == 4 || recordLength == 5) {
        ASSERT_LE((bytes[0] >> 3) + recordLength * set->Count, MaxTemplateSize);
    }

    MX_RotateTemplate(tmpl.get());
    ASSERT_EQ(tmpl[0], 0x44);
    ASSERT_LE(HeaderTemplateSize(tmpl.get()), MaxTemplateSize);
}

TEST(DamagedTemplates, HeaderExtremes) {
    const uint8_t tags[] = {0x00, 0x04, 0x05, 0x07, 0x44, 0x45, 0xF8, 0xFC, 0xFD, 0xFF};
    const uint8_t counts[] = {0, 1, 94, 255};
    const uint8_t sizes[] = {0, 1, 22, 23, 31, 32, 255};
    std::vector<uint8_t> bytes(MaxTemplateSize);
    for (int fill : {0x00, 0xFF, 0x5A}) {
        std::fill(bytes.begin(), bytes.end(), static_cast<uint8_t>(fill));
        for (uint8_t tag : tags)
            for (uint8_t count : counts)
                for (uint8_t gw : sizes)
                    for (uint8_t gh : sizes) {
                        bytes[0] = tag, bytes[1] = count, bytes[2] = gw, bytes[3] = gh;
                        SCOPED_TRACE(testing::Message()
                                     << "tag " << int(tag) << " count " << int(count) << " grid "
                                     << int(gw) << "x" << int(gh));
                        CheckDamaged(bytes.data());
                        if (HasFatalFailure()) return;
                    }
    }
}

TEST(DamagedTemplates, WhatTheDecoderKeeps) {
    // 255 five-byte records would run to byte 1283: only the 75 that fit are decoded, and the
    // grid that would follow them lies wholly past the buffer, so it comes out masked.
    uint8_t t[MaxTemplateSize] = {0x45, 255, 4, 4};
    MinutiaSet set;
    uint8_t density;
    UnpackTemplate(set, density, t);
    EXPECT_EQ(set.Count, 75);
    EXPECT_EQ(set.Grid[3][3], MaskedCode);

    // A 31-column grid keeps its first 22 columns, read at the template's own row pitch.
    uint8_t wide[MaxTemplateSize] = {0x44, 0, 31, 2};
    for (int i = 8; i < 8 + 31; ++i) wide[i] = 0x12;  // cells 0..61 alternate 1, 2
    MinutiaSet w;
    UnpackTemplate(w, density, wide);
    EXPECT_EQ(w.GridWidth, 22);
    EXPECT_EQ(w.GridHeight, 2);
    EXPECT_EQ(w.Grid[0][21], 16);
    EXPECT_EQ(w.Grid[1][0], 16);  // cell 31 is a low nibble: 2
}

TEST(DamagedTemplates, RandomBytes) {
    std::mt19937 rng(20240611);
    std::vector<uint8_t> bytes(MaxTemplateSize);
    for (int round = 0; round < 5000; ++round) {
        for (auto& b : bytes) b = static_cast<uint8_t>(rng());
        CheckDamaged(bytes.data());
        if (HasFatalFailure()) return;
    }
}

}  // namespace
}  // namespace mx
