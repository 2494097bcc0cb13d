// mxtool capture OUT [--png FILE]: one enrolment from the sensor as the console's enrolment
// window runs it, through libminutix.so loaded by name. Prints each call with its result and
// writes the rotated template's 768-character text to OUT.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands.h"
#include "minutix.h"
#include "template_file.h"

#if __has_include("imageio.h")
#include "imageio.h"
#define MXTOOL_HAVE_IMAGEIO 1
#endif

namespace {

constexpr int PanelWidth = 140;
constexpr int PanelHeight = 154;

// The library next to this program first, then the normal search.
void* LoadMinutix() {
    char exe[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n > 0) {
        exe[n] = '\0';
        std::string path(exe);
        path = path.substr(0, path.rfind('/') + 1) + "libminutix.so";
        if (void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) return lib;
    }
    return dlopen("libminutix.so", RTLD_NOW | RTLD_LOCAL);
}

struct Minutix {
    int32_t (*Initialize)();
    void (*Uninitialize)();
    int32_t (*Clear)();
    int32_t (*Capture)();
    int32_t (*Enroll)(uint8_t*, int32_t*, int32_t);
    void (*Draw)(void*, int32_t, int32_t, int32_t, int32_t, int32_t);
    void (*RotateTemplate)(uint8_t*);

    bool Bind(void* lib) {
        return Get(lib, "MX_Initialize", Initialize) && Get(lib, "MX_Uninitialize", Uninitialize) &&
               Get(lib, "MX_Clear", Clear) && Get(lib, "MX_Capture", Capture) &&
               Get(lib, "MX_Enroll", Enroll) && Get(lib, "MX_Draw", Draw) &&
               Get(lib, "MX_RotateTemplate", RotateTemplate);
    }
    template <typename F>
    static bool Get(void* lib, const char* name, F& f) {
        f = reinterpret_cast<F>(dlsym(lib, name));
        if (f == nullptr) std::fprintf(stderr, "mxtool capture: %s not found\n", name);
        return f != nullptr;
    }
};

bool SavePanel(const std::string& path, const std::vector<uint32_t>& pixels) {
#ifdef MXTOOL_HAVE_IMAGEIO
    imageio::RgbImage image;
    image.width = PanelWidth;
    image.height = PanelHeight;
    image.pixels.reserve(pixels.size() * 3);
    for (uint32_t p : pixels) {
        image.pixels.push_back(static_cast<uint8_t>(p >> 16));
        image.pixels.push_back(static_cast<uint8_t>(p >> 8));
        image.pixels.push_back(static_cast<uint8_t>(p));
    }
    std::string error;
    if (!imageio::WritePng(path, image, &error)) {
        std::fprintf(stderr, "mxtool capture: %s\n", error.c_str());
        return false;
    }
    return true;
#else
    // Without the image library the panel is written as a binary PPM.
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "P6\n%d %d\n255\n", PanelWidth, PanelHeight);
    for (uint32_t p : pixels) {
        const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16),
                                      static_cast<unsigned char>(p >> 8),
                                      static_cast<unsigned char>(p)};
        std::fwrite(rgb, 1, 3, f);
    }
    return std::fclose(f) == 0;
#endif
}

int RunCapture(int argc, char** argv) {
    std::string out, png;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc) {
            png = argv[++i];
        } else if (out.empty() && argv[i][0] != '-') {
            out = argv[i];
        } else {
            out.clear();
            break;
        }
    }
    if (out.empty()) {
        std::fprintf(stderr, "usage: mxtool capture OUT [--png FILE]\n");
        return 2;
    }
    void* lib = LoadMinutix();
    if (lib == nullptr) {
        std::fprintf(stderr, "mxtool capture: cannot load libminutix.so: %s\n", dlerror());
        return 1;
    }
    Minutix mx{};
    if (!mx.Bind(lib)) return 1;

    int status = 0;
    const int32_t initialised = mx.Initialize();
    std::printf("MX_Initialize %d\n", initialised);
    if (initialised != 1) {
        std::printf("scanner not connected\n");
        status = 1;
    } else {
        std::printf("MX_Clear %d\n", mx.Clear());
        const int32_t captured = mx.Capture();
        std::printf("MX_Capture %d\n", captured);
        if (captured != 1) {
            std::printf("no finger: capture timed out\n");
            status = 1;
        } else {
            uint8_t tmpl[MX_TEMPLATE_BUFFER_SIZE] = {};
            const int32_t enrolled = mx.Enroll(tmpl, nullptr, 1);
            std::printf("MX_Enroll %d\n", enrolled);
            std::vector<uint32_t> pixels(PanelWidth * PanelHeight, 0);
            MX_Surface surface{pixels.data(), PanelWidth, PanelHeight, PanelWidth * 4};
            mx.Draw(&surface, 0, 0, PanelWidth, PanelHeight, 1);
            std::printf("MX_Draw\n");
            if (!png.empty() && !SavePanel(png, pixels)) status = 1;
            if (enrolled != MX_ENROLL_OK) {
                std::printf(enrolled == MX_ENROLL_BAD_IMAGE ? "poor finger\n"
                                                            : "enrolment failed\n");
                status = 1;
            } else {
                mx.RotateTemplate(tmpl);
                std::printf("MX_RotateTemplate\n");
                mxtool::TemplateFile file;
                std::memcpy(file.bytes.data(), tmpl, sizeof tmpl);
                std::string error;
                if (!mxtool::WriteTemplateFile(out, file, error)) {
                    std::fprintf(stderr, "mxtool capture: %s\n", error.c_str());
                    status = 1;
                }
                std::printf("%s\n", mxtool::TemplateText(tmpl).c_str());
            }
        }
    }
    mx.Uninitialize();
    std::printf("MX_Uninitialize\n");
    dlclose(lib);
    return status;
}

mxtool::RegisterCommand reg("capture", "capture OUT [--png FILE]", &RunCapture);

}  // namespace
