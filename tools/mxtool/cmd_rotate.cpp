// mxtool rotate IN OUT: the 180-degree rotation of MX_RotateTemplate on a 384-byte buffer.
#include <cstdio>
#include <string>

#include "commands.h"
#include "minutix.h"
#include "template_file.h"

namespace {

int RunRotate(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: mxtool rotate IN OUT\n");
        return 2;
    }
    mxtool::TemplateFile file;
    std::string error;
    if (!mxtool::ReadTemplateFile(argv[1], file, error)) {
        std::fprintf(stderr, "mxtool rotate: %s\n", error.c_str());
        return 1;
    }
    MX_RotateTemplate(file.bytes.data());
    if (!mxtool::WriteTemplateFile(argv[2], file, error)) {
        std::fprintf(stderr, "mxtool rotate: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

mxtool::RegisterCommand reg("rotate", "rotate IN OUT", &RunRotate);

}  // namespace
