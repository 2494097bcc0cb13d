// The template byte format. It is what the serial readers store, so every byte is fixed; the
// decoder additionally never trusts the header to stay inside the buffer or the set.
#include "template.h"

#include <algorithm>
#include <cstring>

namespace mx {

namespace {

constexpr int HeaderLength = 8;
constexpr uint8_t FormatTag = HeaderLength * 8 + RecordLength;  // 0x44 "D" or 0x45 "E"
constexpr uint8_t VersionMajor = 4;
constexpr uint8_t VersionMinor = 2;
constexpr uint8_t Version = VersionMajor * 8 + VersionMinor;  // 34
constexpr uint8_t CodeFirst = 'c';
constexpr uint8_t CodeSecond = 'v';
constexpr uint8_t NoDirectionNibble = 15;

int GridBytes(int gw, int gh) {
    return (gw * gh + 1) / 2;
}

uint8_t AngleToByte(int angle) {
    const int b = (70833 * angle + 50000) / 100000;
    return static_cast<uint8_t>(std::clamp(b, 0, 255));
}

int ByteToAngle(uint8_t b) {
    return (100000 * b + 35416) / 70833;
}

uint8_t CellToNibble(uint8_t cell) {
    if ((cell & 127) == NoDirection) return NoDirectionNibble;
    const int nibble = (cell + 4) / 8;
    // Codes 116..119 round up to 180 degrees, which is the orientation of code 0.
    return nibble >= NoDirectionNibble ? 0 : static_cast<uint8_t>(nibble);
}

uint8_t NibbleToCell(uint8_t nibble) {
    return nibble == NoDirectionNibble ? MaskedCode : static_cast<uint8_t>(8 * nibble);
}

void EncodeRecordD(const MinutiaSet& set, int i, uint8_t* r) {
    r[0] = static_cast<uint8_t>(set.X[i] / 2);
    r[1] = static_cast<uint8_t>(set.Y[i] / 2);
    r[2] = AngleToByte(set.Angle[i]);
    r[3] = static_cast<uint8_t>((set.Type[i] ? 0x80 : 0) | std::min<int>(set.Quality[i], 127));
}

void EncodeRecordE(const MinutiaSet& set, int i, uint8_t* r) {
    const unsigned x = static_cast<unsigned>(set.X[i]) & 0x3FF;
    const unsigned y = static_cast<unsigned>(set.Y[i]) & 0x3FF;
    const unsigned type = set.Type[i] & 0xF;
    const unsigned angle = static_cast<unsigned>(set.Angle[i]) & 0x1FF;
    const unsigned quality = std::min<unsigned>(set.Quality[i], 127);
    r[0] = static_cast<uint8_t>(x >> 2);
    r[1] = static_cast<uint8_t>(((x & 3) << 6) | (y >> 4));
    r[2] = static_cast<uint8_t>(((y & 0xF) << 4) | type);
    r[3] = static_cast<uint8_t>(angle >> 1);
    r[4] = static_cast<uint8_t>(((angle & 1) << 7) | quality);
}

void DecodeRecordD(const uint8_t* r, MinutiaSet& set, int i) {
    set.X[i] = static_cast<int16_t>(2 * r[0]);
    set.Y[i] = static_cast<int16_t>(2 * r[1]);
    set.Angle[i] = static_cast<int16_t>(ByteToAngle(r[2]));
    set.Type[i] = r[3] >> 7;
    set.Quality[i] = r[3] & 127;
}

void DecodeRecordE(const uint8_t* r, MinutiaSet& set, int i) {
    set.X[i] = static_cast<int16_t>((r[0] << 2) | (r[1] >> 6));
    set.Y[i] = static_cast<int16_t>(((r[1] & 63) << 4) | (r[2] >> 4));
    set.Type[i] = r[2] & 0xF;
    set.Angle[i] = static_cast<int16_t>((r[3] << 1) | (r[4] >> 7));
    set.Quality[i] = r[4] & 127;
}

// A set's grid size as far as its storage goes; a damaged set must not index past Grid.
int ClampedWidth(const MinutiaSet& set) {
    return std::min<int>(set.GridWidth, GridColumns);
}
int ClampedHeight(const MinutiaSet& set) {
    return std::min<int>(set.GridHeight, GridRows);
}

}  // namespace

int SetTemplateSize(const MinutiaSet* set) {
    if (set == nullptr) return 0;
    return HeaderLength + RecordLength * set->Count + GridBytes(set->GridWidth, set->GridHeight);
}

int HeaderTemplateSize(const uint8_t* tmpl) {
    const unsigned b0 = tmpl[0], b1 = tmpl[1], b2 = tmpl[2], b3 = tmpl[3];
    return static_cast<int>((b3 * b2 + 1) / 2 + b1 * (b0 & 7) + b0 / 8);
}

void PackTemplate(const MinutiaSet& set, uint8_t density, uint8_t* out) {
    const int gw = ClampedWidth(set);
    const int gh = ClampedHeight(set);
    const int gridBytes = GridBytes(gw, gh);
    const int room = (MaxTemplateSize - gridBytes - HeaderLength) / RecordLength;
    const int n = std::clamp(std::min<int>(set.Count, room), 0, std::min(MaxMinutiae, 255));

    std::memset(out, 0, HeaderLength + n * RecordLength + gridBytes);
    out[0] = FormatTag;
    out[1] = static_cast<uint8_t>(n);
    out[2] = static_cast<uint8_t>(gw);
    out[3] = static_cast<uint8_t>(gh);
    out[4] = density;
    out[5] = Version;
    out[6] = CodeFirst;
    out[7] = CodeSecond;

    uint8_t* p = out + HeaderLength;
    for (int i = 0; i < n; ++i, p += RecordLength) {
        if (RecordLength == 4) {
            EncodeRecordD(set, i, p);
        } else {
            EncodeRecordE(set, i, p);
        }
    }

    int cell = 0;
    for (int r = 0; r < gh; ++r) {
        for (int c = 0; c < gw; ++c, ++cell) {
            const uint8_t nibble = CellToNibble(set.Grid[r][c]);
            if (cell % 2 == 0) {
                p[cell / 2] = static_cast<uint8_t>(nibble << 4);
            } else {
                p[cell / 2] |= nibble;
            }
        }
    }
}

// Bytes 0..3 of a damaged template may claim more than the buffer or the set can hold.
// Records are decoded only while they lie wholly inside the MaxTemplateSize bytes, and Count
// becomes the number actually decoded. GridWidth is capped at the 22 columns of Grid; the
// nibble stream is still walked with the template's own width so that a valid layout is read
// unchanged, and cells whose nibble would lie past the buffer are stored as MaskedCode.
void UnpackTemplate(MinutiaSet& set, uint8_t& density, const uint8_t* tmpl) {
    const int count = tmpl[1];
    const int gw = tmpl[2] & 31;
    const int gh = tmpl[3] & 31;
    density = tmpl[4];

    const int headerLength = tmpl[0] >> 3;
    const int recordLength = tmpl[0] & 7;
    set.Count = count;
    set.GridWidth = static_cast<uint8_t>(std::min(gw, GridColumns));
    set.GridHeight = static_cast<uint8_t>(std::min(gh, GridRows));

    int offset = headerLength;
    if (recordLength == 4 || recordLength == 5) {
        int decoded = 0;
        while (decoded < count && offset + recordLength <= MaxTemplateSize) {
            if (recordLength == 4) {
                DecodeRecordD(tmpl + offset, set, decoded);
            } else {
                DecodeRecordE(tmpl + offset, set, decoded);
            }
            offset += recordLength;
            ++decoded;
        }
        set.Count = decoded;
    }

    for (int r = 0; r < gh; ++r) {
        for (int c = 0; c < gw; ++c) {
            const int cell = r * gw + c;
            const int byteAt = offset + cell / 2;
            uint8_t value = MaskedCode;
            if (byteAt < MaxTemplateSize) {
                const uint8_t b = tmpl[byteAt];
                value = NibbleToCell(cell % 2 == 0 ? b >> 4 : b & 0xF);
            }
            if (r < GridRows && c < GridColumns) set.Grid[r][c] = value;
        }
    }
}

void RotateSet180(MinutiaSet& dst, const MinutiaSet& src) {
    const int count = std::clamp<int>(src.Count, 0, MaxMinutiae);
    const int16_t w = static_cast<int16_t>(BlockSize * src.GridWidth);
    const int16_t h = static_cast<int16_t>(BlockSize * src.GridHeight);
    dst.Count = src.Count;
    for (int i = 0; i < count; ++i) {
        const int j = count - 1 - i;
        dst.X[i] = static_cast<int16_t>(w - src.X[j]);
        dst.Y[i] = static_cast<int16_t>(h - src.Y[j]);
        dst.Quality[i] = src.Quality[j];
        dst.Type[i] = src.Type[j];
        const int a = src.Angle[j];
        dst.Angle[i] = static_cast<int16_t>(a <= 180 ? a + 180 : a - 180);
    }

    const int gw = ClampedWidth(src);
    const int gh = ClampedHeight(src);
    dst.GridWidth = src.GridWidth;
    dst.GridHeight = src.GridHeight;
    std::memset(dst.Grid, MaskedCode, sizeof dst.Grid);
    for (int r = 0; r < gh; ++r) {
        for (int c = 0; c < gw; ++c) dst.Grid[r][c] = src.Grid[gh - 1 - r][gw - 1 - c];
    }
}

void FitToTemplateSize(MinutiaSet& set, const SingularSet& singular, int imageWidth,
                       int imageHeight, int sizeLimit) {
    int count = std::clamp<int>(set.Count, 0, MaxMinutiae);

    // Centre: the mean core, else the mean minutia, else the image centre.
    long sumX = 0, sumY = 0, cores = 0;
    for (int i = 0; i < std::clamp<int>(singular.Count, 0, MaxSingular); ++i) {
        if (singular.Kind[i] != 1) continue;
        sumX += singular.X[i];
        sumY += singular.Y[i];
        ++cores;
    }
    int cx = imageWidth / 2, cy = imageHeight / 2;
    if (cores > 0) {
        cx = static_cast<int>(sumX / cores);
        cy = static_cast<int>(sumY / cores);
    } else if (count > 0) {
        sumX = sumY = 0;
        for (int i = 0; i < count; ++i) {
            sumX += set.X[i];
            sumY += set.Y[i];
        }
        cx = static_cast<int>(sumX / count);
        cy = static_cast<int>(sumY / count);
    }
    cx = cx / BlockSize * BlockSize;
    cy = cy / BlockSize * BlockSize;

    int left = 0, top = 0;
    int right = imageWidth / BlockSize * BlockSize;
    int bottom = imageHeight / BlockSize * BlockSize;
    int distLeft = cx - left, distRight = right - cx, distTop = cy - top, distBottom = bottom - cy;

    // Marks minutiae outside the rectangle; survivors are compacted once at the end.
    bool removed[MaxMinutiae] = {};
    int remaining = count;
    auto size = [&] {
        return HeaderLength + RecordLength * remaining +
               GridBytes((right - left) / BlockSize, (bottom - top) / BlockSize);
    };
    auto drop = [&](auto outside) {
        for (int i = 0; i < count; ++i) {
            if (!removed[i] && outside(set.X[i], set.Y[i])) {
                removed[i] = true;
                --remaining;
            }
        }
    };

    while (size() > sizeLimit && right > left && bottom > top) {
        if (distLeft >= distRight && distLeft >= distTop && distLeft >= distBottom) {
            left += BlockSize;
            distLeft -= BlockSize;
            drop([&](int x, int) { return x < left; });
        } else if (distRight >= distTop && distRight >= distBottom) {
            right -= BlockSize;
            distRight -= BlockSize;
            drop([&](int x, int) { return x >= right; });
        } else if (distTop >= distBottom) {
            top += BlockSize;
            distTop -= BlockSize;
            drop([&](int, int y) { return y < top; });
        } else {
            bottom -= BlockSize;
            distBottom -= BlockSize;
            drop([&](int, int y) { return y >= bottom; });
        }
    }

    int kept = 0;
    for (int i = 0; i < count; ++i) {
        if (removed[i]) continue;
        set.X[kept] = static_cast<int16_t>(set.X[i] - left);
        set.Y[kept] = static_cast<int16_t>(set.Y[i] - top);
        set.Angle[kept] = set.Angle[i];
        set.Quality[kept] = set.Quality[i];
        set.Type[kept] = set.Type[i];
        ++kept;
    }
    // Only a set with minutiae outside the image can still be too large once the rectangle
    // is empty; dropping its tail keeps the template within the limit all the same.
    if (right <= left || bottom <= top) {
        right = std::max(right, left);
        bottom = std::max(bottom, top);
        kept = std::min(kept, std::max(0, (sizeLimit - HeaderLength) / RecordLength));
    }
    set.Count = kept;

    const int colOffset = left / BlockSize, rowOffset = top / BlockSize;
    const int gw = std::min(right / BlockSize - colOffset, GridColumns);
    const int gh = std::min(bottom / BlockSize - rowOffset, GridRows);
    set.GridWidth = static_cast<uint8_t>(std::max(gw, 0));
    set.GridHeight = static_cast<uint8_t>(std::max(gh, 0));
    for (int r = 0; r < GridRows; ++r) {
        for (int c = 0; c < GridColumns; ++c) {
            const int sr = r + rowOffset, sc = c + colOffset;
            const bool inside =
                r < set.GridHeight && c < set.GridWidth && sr < GridRows && sc < GridColumns;
            set.Grid[r][c] = inside ? set.Grid[sr][sc] : MaskedCode;
        }
    }
}

}  // namespace mx
