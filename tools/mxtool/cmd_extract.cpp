// mxtool extract IMAGE OUT [--stages DIR]: runs the library's extraction on an image file as
// MX_Enroll does without the core check, writes the template's 768-character text to OUT and
// prints the verdict, the minutiae, the singular points and MeanUncertainty. Exit 0 when the
// image is accepted, 3 when it is refused (no template is written then). --stages writes PNGs
// of the intermediate images into DIR.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "extract.h"
#include "imageio.h"
#include "orientation.h"
#include "template.h"
#include "template_file.h"

namespace {

constexpr int FrameWidth = 280;
constexpr int FrameHeight = 320;

imageio::GreyImage ToGrey(mx::ImageView view) {
    imageio::GreyImage image;
    image.width = view.width;
    image.height = view.height;
    image.pixels.resize(static_cast<size_t>(view.width) * view.height);
    for (int y = 0; y < view.height; ++y) std::memcpy(image.row(y), view[y], view.width);
    return image;
}

// Keeps copies of the intermediate images and the validated minutiae for the stage files.
class StageRecorder : public mx::StageHook {
  public:
    void OnImage(const char* name, mx::ImageView image) override { images[name] = ToGrey(image); }
    void OnRawFeatures(const mx::RawFeatures& features) override {
        raw = std::make_unique<mx::RawFeatures>(features);
    }

    std::map<std::string, imageio::GreyImage> images;
    std::unique_ptr<mx::RawFeatures> raw;
};

// Direction codes as grey levels (0 black = code 0 .. 236 = code 118), white outside the print
// and where there is no direction.
imageio::GreyImage OrientationPicture(const imageio::GreyImage& dir) {
    imageio::GreyImage out = dir;
    for (auto& v : out.pixels) {
        const int code = v & mx::DirectionBits;
        v = (v & mx::BackgroundBit) || code >= 120 ? 255 : static_cast<uint8_t>(2 * code);
    }
    return out;
}

imageio::GreyImage ForegroundPicture(const imageio::GreyImage& dir) {
    imageio::GreyImage out = dir;
    for (auto& v : out.pixels) v = (v & mx::BackgroundBit) ? 255 : 0;
    return out;
}

// The skeleton in grey with endings marked red and bifurcations blue.
imageio::RgbImage SkeletonPicture(const imageio::GreyImage& skeleton, const mx::RawFeatures* raw) {
    imageio::RgbImage out;
    out.width = skeleton.width;
    out.height = skeleton.height;
    out.pixels.resize(static_cast<size_t>(out.width) * out.height * 3);
    for (size_t i = 0; i < skeleton.pixels.size(); ++i) {
        const uint8_t v = skeleton.pixels[i] == 0 ? 96 : 255;
        out.pixels[3 * i] = out.pixels[3 * i + 1] = out.pixels[3 * i + 2] = v;
    }
    if (!raw) return out;
    for (int m = 0; m < raw->MinutiaCount; ++m) {
        const bool ending = raw->Type[m] == mx::RidgeEnding;
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                if (std::abs(dx) != 2 && std::abs(dy) != 2) continue;  // a hollow square
                const int x = raw->X[m] + dx;
                const int y = raw->Y[m] + dy;
                if (x < 0 || y < 0 || x >= out.width || y >= out.height) continue;
                uint8_t* p = &out.pixels[(static_cast<size_t>(y) * out.width + x) * 3];
                p[0] = ending ? 220 : 0;
                p[1] = 0;
                p[2] = ending ? 0 : 220;
            }
    }
    return out;
}

bool WriteStages(const std::string& dir, const StageRecorder& stages) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "mxtool extract: cannot create %s: %s\n", dir.c_str(),
                     ec.message().c_str());
        return false;
    }
    auto image = [&](const char* name) -> const imageio::GreyImage& {
        return stages.images.at(name);
    };
    std::string error;
    const std::vector<std::pair<std::string, imageio::GreyImage>> pictures = {
        {"normalised.png", image("normalised")},
        {"orientation.png", OrientationPicture(image("directions"))},
        {"foreground.png", ForegroundPicture(image("directions"))},
        {"enhanced.png", image("enhanced")},
        {"binary.png", image("binary")},
    };
    for (const auto& [file, picture] : pictures)
        if (!imageio::WritePng(dir + "/" + file, picture, &error)) {
            std::fprintf(stderr, "mxtool extract: %s\n", error.c_str());
            return false;
        }
    if (!imageio::WritePng(dir + "/skeleton.png",
                           SkeletonPicture(image("skeleton"), stages.raw.get()), &error)) {
        std::fprintf(stderr, "mxtool extract: %s\n", error.c_str());
        return false;
    }
    return true;
}

int RunExtract(int argc, char** argv) {
    std::string stagesDir;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--stages") == 0 && i + 1 < argc)
            stagesDir = argv[++i];
        else
            files.push_back(argv[i]);
    }
    if (files.size() != 2) {
        std::fprintf(stderr, "usage: mxtool extract IMAGE OUT [--stages DIR]\n");
        return 2;
    }

    imageio::GreyImage image;
    std::string error;
    if (!imageio::ReadGrey(files[0], image, &error)) {
        std::fprintf(stderr, "mxtool extract: %s\n", error.c_str());
        return 1;
    }
    if (image.width != FrameWidth || image.height != FrameHeight) {
        std::printf("image %d x %d fitted to %d x %d\n", image.width, image.height, FrameWidth,
                    FrameHeight);
        image = imageio::FitToFrame(image, FrameWidth, FrameHeight);
    }

    std::vector<uint8_t*> rows(image.height);
    for (int y = 0; y < image.height; ++y) rows[y] = image.row(y);
    auto set = std::make_unique<mx::MinutiaSet>();
    mx::SingularSet singular;
    mx::ExtractionReport report;
    StageRecorder stages;
    const int accepted =
        mx::ExtractFeatures(rows.data(), image.width, image.height, *set, singular,
                            mx::MaxTemplateSize, &report, stagesDir.empty() ? nullptr : &stages);

    std::printf("verdict: %s\n", accepted ? "accepted" : "refused");
    std::printf("MeanUncertainty: %d\n", report.meanUncertainty);
    std::printf("minutiae: %d (detected %d, valid %d)\n", set->Count, report.detectedMinutiae,
                report.validMinutiae);
    std::printf("ridge density: %d\n", singular.RidgeDensity);
    std::printf("singular points: %d\n", singular.Count);
    for (int i = 0; i < singular.Count; ++i)
        std::printf("  %-5s x %3d y %3d direction %3d\n",
                    singular.Kind[i] == 1    ? "core"
                    : singular.Kind[i] == -1 ? "delta"
                                             : "whorl",
                    singular.X[i], singular.Y[i], singular.Direction[i]);

    if (!stagesDir.empty() && !WriteStages(stagesDir, stages)) return 1;
    if (!accepted) {
        std::printf("no template written\n");
        return 3;
    }
    mxtool::TemplateFile out;
    mx::PackTemplate(*set, singular.RidgeDensity, out.bytes.data());
    out.form = mxtool::TemplateForm::Text;
    if (!mxtool::WriteTemplateFile(files[1], out, error)) {
        std::fprintf(stderr, "mxtool extract: %s\n", error.c_str());
        return 1;
    }
    std::printf("template: %d bytes, written to %s\n", mx::SetTemplateSize(set.get()),
                files[1].c_str());
    return 0;
}

mxtool::RegisterCommand reg("extract", "extract IMAGE OUT [--stages DIR]", &RunExtract);

}  // namespace
