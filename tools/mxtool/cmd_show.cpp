// mxtool show FILE: a template's header, records and direction grid in words.
#include <cstdio>
#include <memory>
#include <string>

#include "commands.h"
#include "features.h"
#include "template.h"
#include "template_file.h"

namespace {

int RunShow(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mxtool show FILE\n");
        return 2;
    }
    mxtool::TemplateFile file;
    std::string error;
    if (!mxtool::ReadTemplateFile(argv[1], file, error)) {
        std::fprintf(stderr, "mxtool show: %s\n", error.c_str());
        return 1;
    }
    const uint8_t* t = file.bytes.data();
    const int headerLength = t[0] >> 3, recordLength = t[0] & 7;
    const int length = mx::HeaderTemplateSize(t);
    const char* format = recordLength == 4 ? "D" : recordLength == 5 ? "E" : "unknown";
    std::printf("file: %s (%s)\n", argv[1],
                file.form == mxtool::TemplateForm::Raw ? "384 raw bytes" : "768-character text");
    std::printf("format tag: 0x%02X, format %s: %d-byte header, %d-byte records\n", t[0], format,
                headerLength, recordLength);
    std::printf("minutiae: %d\n", t[1]);
    std::printf("grid: %d x %d blocks\n", t[2], t[3]);
    std::printf("ridge density: %d\n", t[4]);
    std::printf("version: %d (%d.%d)\n", t[5], t[5] / 8, t[5] % 8);
    std::printf("code: %c%c\n", t[6] >= 32 && t[6] < 127 ? t[6] : '?',
                t[7] >= 32 && t[7] < 127 ? t[7] : '?');
    std::printf("length: %d bytes%s\n", length,
                length >= 1 && length <= mx::MaxTemplateSize ? "" : " (damaged: not 1..384)");

    auto set = std::make_unique<mx::MinutiaSet>();
    uint8_t density = 0;
    mx::UnpackTemplate(*set, density, t);
    if (recordLength == 4 || recordLength == 5) {
        if (set->Count != t[1])
            std::printf("only %d records lie inside the 384 bytes\n", set->Count);
        for (int i = 0; i < set->Count; ++i) {
            std::printf("minutia %3d: x %3d y %3d angle %3d %s quality %3d\n", i, set->X[i],
                        set->Y[i], set->Angle[i],
                        set->Type[i] == mx::RidgeEnding   ? "ending     "
                        : set->Type[i] == mx::Bifurcation ? "bifurcation"
                                                          : "type ?     ",
                        set->Quality[i]);
        }
    } else {
        std::printf("records: not decoded (record length %d)\n", recordLength);
    }

    std::printf("direction grid (codes in 1.5-degree units, . = none or outside):\n");
    for (int r = 0; r < set->GridHeight; ++r) {
        std::string line = "  ";
        for (int c = 0; c < set->GridWidth; ++c) {
            const int cell = set->Grid[r][c];
            char text[8];
            std::snprintf(text, sizeof text, "%4s", cell == mx::MaskedCode ? "." : "");
            if (cell != mx::MaskedCode) std::snprintf(text, sizeof text, "%4d", cell);
            line += text;
        }
        std::printf("%s\n", line.c_str());
    }
    return 0;
}

mxtool::RegisterCommand reg("show", "show FILE", &RunShow);

}  // namespace
