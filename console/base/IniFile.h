// INI settings files with the semantics the program relies on: a missing file, section or key
// gives the caller's default, a value that is not an integer gives the integer default, sections
// and keys match case-insensitively (ASCII), and every write goes to the file at once while the
// file's other lines and comments stay as they were. Files are UTF-8 (a leading BOM is ignored).
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

class IniFile {
public:
    IniFile() = default;
    explicit IniFile(std::string path) : path_(std::move(path)) {}

    const std::string& path() const { return path_; }
    void setPath(std::string path);

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    int32_t ReadInteger(const std::string& section, const std::string& key,
                        int32_t defaultValue) const;
    bool KeyExists(const std::string& section, const std::string& key) const;
    // Keys of a section in file order (empty when the section is missing).
    std::vector<std::string> ReadSection(const std::string& section) const;

    // Write-through; returns false when the file cannot be written (nothing else changes then).
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);
    bool WriteInteger(const std::string& section, const std::string& key, int32_t value);

private:
    struct Line {
        std::string text;     // the line as it stands in the file, without its line break
        std::string section;  // section this line belongs to (for key lines)
        std::string key;      // empty for anything that is not a key line
        std::string value;
    };

    void reloadIfChanged() const;
    const Line* find(const std::string& section, const std::string& key) const;

    std::string path_;
    mutable std::vector<Line> lines_;
    mutable bool loaded_ = false;
    mutable std::time_t mtime_ = 0;
    mutable long long mtimeNsec_ = 0;
    mutable long long size_ = -1;
    mutable long long inode_ = -1;
    mutable std::string lineBreak_ = "\n";
};
