// Synthetic fingerprints after the SFinGe method (Cappelli, Maio, Maltoni): a finger outline, an
// orientation field from the zero-pole model of cores and deltas with the Vizcaya-Gerhardt
// correction, a ridge-period map, a master ridge pattern grown by iterated Gabor filtering from
// random seeds, and impressions of the master under displacement, rotation, elastic skin
// distortion, dry or wet skin, noise, blur and a sensor background.
//
// Coordinates: pixels of the 280 x 320 frame at 500 dpi, x to the right, y downward; the master
// is drawn on a larger canvas that reaches CanvasMargin pixels beyond every side of the frame,
// and master coordinates are given in the frame's system (so they may be negative).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imageio.h"

namespace fpgen {

constexpr int FrameWidth = 280;
constexpr int FrameHeight = 320;
constexpr int CanvasMargin = 64;
constexpr int CanvasWidth = FrameWidth + 2 * CanvasMargin;
constexpr int CanvasHeight = FrameHeight + 2 * CanvasMargin;

enum class FingerClass { Arch, TentedArch, LeftLoop, RightLoop, Whorl };
const char* ClassName(FingerClass c);

struct Point {
    double x = 0;
    double y = 0;
};

enum class SingularKind { Core, Delta };

struct Singular {
    SingularKind kind = SingularKind::Core;
    Point at;
};

struct Minutia {
    bool bifurcation = false;
    double x = 0;
    double y = 0;
    // Degrees 0..359, counter-clockwise with y up: for an ending, from the ridge out through its
    // end; for a bifurcation, from the single ridge into the fork.
    int angle = 0;
};

// Piecewise-linear angle correction of one singular point (Vizcaya and Gerhardt): the arg of
// z - z_k is replaced by g(arg), g(alpha_i) = alpha_i + eps_i at alpha_i = -pi + 2 pi i / 8.
struct AngleCorrection {
    double eps[9] = {};  // eps[8] == eps[0], so g keeps the point's index
    double Apply(double alpha) const;
};

// The outline of the fingertip: a half ellipse on top of a band with straight sides, cut at the
// bottom by the first joint's crease.
struct Outline {
    Point centre;
    double halfWidth = 120;
    double topHeight = 130;  // from centre up to the tip
    double bottom = 380;     // y of the lower end
    // Signed distance-like value: > 0 inside, in pixels near the border.
    double Inside(double x, double y) const;
};

struct MasterParams {
    FingerClass fingerClass = FingerClass::LeftLoop;
    Outline outline;
    std::vector<Singular> singular;
    std::vector<AngleCorrection> corrections;  // one per singular point
    // Arch field: bend amplitude and the y where the bend fades out.
    double archAmplitude = 1.0;
    double archTop = 40;
    double archFade = 260;
    // Period map: base + gentle waves, clamped to [periodMin, periodMax].
    double periodBase = 9.5;
    double periodMin = 8.0;
    double periodMax = 11.0;
    double waveAmp[3] = {};
    double waveKx[3] = {};
    double waveKy[3] = {};
    double wavePhase[3] = {};
    double periodSlope = 0;  // per pixel down the finger
};

// Draws the parameters of one master print of the given class.
MasterParams DrawMaster(FingerClass c, uint64_t seed);
// The class drawn for a finger when none is forced, in the proportions of real fingers.
FingerClass DrawClass(uint64_t seed);

// Ridge orientation in radians [0, pi), image coordinates (y downward), at a frame point.
double Orientation(const MasterParams& m, double x, double y);
double RidgePeriod(const MasterParams& m, double x, double y);

struct Master {
    MasterParams params;
    // Canvas-sized fields (CanvasWidth x CanvasHeight), row-major.
    std::vector<float> ridge;              // smooth ridge signal, +1 ridge centre, -1 valley centre
    std::vector<uint8_t> inside;           // 1 where the outline holds the finger
    int iterations = 0;                    // Gabor passes until the pattern was stable
    std::vector<Minutia> minutiae;         // frame coordinates
    float At(double cx, double cy) const;  // bilinear, canvas coordinates; -1 outside
    // The clean binary pattern: 0 ridge, 255 valley or outside the finger.
    imageio::GreyImage Binary() const;
};

Master GrowMaster(const MasterParams& params, uint64_t seed);

// Minutiae on a clean binary ridge image (0 ridge): thinning, crossing number, and removal of
// points near the border of `valid` and of pairs closer than a ridge period.
std::vector<Minutia> FindMinutiae(const imageio::GreyImage& binary,
                                  const std::vector<uint8_t>& valid);

// One impression's placement and skin condition.
struct ImpressionParams {
    double rotationDeg = 0;  // of the finger on the sensor, counter-clockwise on the image
    double dx = 0, dy = 0;   // displacement of the finger on the sensor, pixels
    Point contact;           // centre of the area that sticks to the sensor (frame coordinates)
    double stickRadius = 50, slipRadius = 150;
    double slipDx = 0, slipDy = 0, slipRotationDeg = 0;
    double pressure = 1.0;  // scales the contact area
    int skin = 0;           // -1 dry (ridges eroded), 0 normal, +1 wet (ridges dilated)
    double threshold = 0;   // finer ridge-width change
    double blurSigma = 0.8;
    double noiseSigma = 6;
    double ridgeGrey = 40, valleyGrey = 215, backgroundGrey = 235;
    double patchiness = 0.3;
    uint64_t textureSeed = 0;
};

ImpressionParams DrawImpression(const Master& master, uint64_t seed);

// Maps a point of the impression frame to master frame coordinates.
Point ImpressionToMaster(const ImpressionParams& p, Point q);
// The inverse, found by iteration (the mapping is close to rigid).
Point MasterToImpression(const ImpressionParams& p, Point m);

imageio::GreyImage RenderImpression(const Master& master, const ImpressionParams& p);

}  // namespace fpgen
