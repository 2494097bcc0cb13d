// mxtool match A B: compares two templates with the library's matcher.
#include <cstdio>
#include <memory>
#include <string>

#include "commands.h"
#include "match.h"
#include "template.h"
#include "template_file.h"

namespace {

int RunMatch(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: mxtool match A B\n");
        return 2;
    }
    auto setA = std::make_unique<mx::MinutiaSet>();
    auto setB = std::make_unique<mx::MinutiaSet>();
    mx::MinutiaSet* sets[2] = {setA.get(), setB.get()};
    for (int k = 0; k < 2; ++k) {
        mxtool::TemplateFile file;
        std::string error;
        if (!mxtool::ReadTemplateFile(argv[1 + k], file, error)) {
            std::fprintf(stderr, "mxtool match: %s\n", error.c_str());
            return 1;
        }
        const int length = mx::HeaderTemplateSize(file.bytes.data());
        if (length < 1 || length > mx::MaxTemplateSize) {
            std::fprintf(stderr, "mxtool match: %s: damaged template (header claims %d bytes)\n",
                         argv[1 + k], length);
            return 1;
        }
        uint8_t density = 0;
        mx::UnpackTemplate(*sets[k], density, file.bytes.data());
    }
    auto result = std::make_unique<mx::MatchResult>();
    const int score = mx::MatchSets(*setA, *setB, mx::MatchParams{}, *result);
    int pairs = 0;
    for (int i = 0; i < setA->Count; ++i)
        if (result->Pair[i] != -1) ++pairs;
    std::printf("score %d rotation %d shift %d %d pairs %d\n", score, result->Rotation,
                result->ShiftX, result->ShiftY, pairs);
    return 0;
}

mxtool::RegisterCommand reg("match", "match A B", &RunMatch);

}  // namespace
