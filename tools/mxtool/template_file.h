// Template files of the tools: either the stored text form (768 hexadecimal characters, two
// per byte, high digit first) or the 384 raw bytes. Output keeps the form of the input.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace mxtool {

constexpr int TemplateBytes = 384;

enum class TemplateForm { Text, Raw };

struct TemplateFile {
    std::array<uint8_t, TemplateBytes> bytes{};
    TemplateForm form = TemplateForm::Text;
};

// False with a readable reason in `error` when the file is neither form.
bool ReadTemplateFile(const std::string& path, TemplateFile& out, std::string& error);
bool WriteTemplateFile(const std::string& path, const TemplateFile& file, std::string& error);

// The 768 upper-case hexadecimal characters of a buffer.
std::string TemplateText(const uint8_t* bytes);

}  // namespace mxtool
