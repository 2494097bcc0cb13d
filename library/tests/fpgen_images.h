// fpgen impressions for the tests that drive the simulated sensor: two fingers with two
// impressions each (seed 5), made once per build tree and shared by the test processes.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace minutix_test {

// The folder with 1_1.pgm ... 2_2.pgm, or an empty path when fpgen is not built.
inline std::filesystem::path FpgenImages() {
    namespace fs = std::filesystem;
    const fs::path bin = fs::path(MINUTIX_SO).parent_path();
    const fs::path images = bin.parent_path() / "test-data" / "minutix-api-fpgen-seed5";
    if (fs::exists(images / "2_2.pgm")) return images;
    if (!fs::exists(bin / "fpgen")) return {};
    const fs::path scratch = images.string() + ".tmp" + std::to_string(::getpid());
    const std::string command = (bin / "fpgen").string() + " --out " + scratch.string() +
                                " --fingers 2 --impressions 2 --seed 5 --no-png > /dev/null";
    if (std::system(command.c_str()) == 0) {
        std::error_code ec;
        fs::create_directories(images.parent_path(), ec);
        fs::rename(scratch, images, ec);  // another test process may have been first
    }
    fs::remove_all(scratch);
    return fs::exists(images / "2_2.pgm") ? images : fs::path();
}

}  // namespace minutix_test
