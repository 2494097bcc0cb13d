#include "IniFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "TextOps.h"

namespace {

std::string trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
}

// Parses one line: a section header sets `section`, a key line fills key and value.
void parseLine(const std::string& text, std::string& section, std::string& key,
               std::string& value) {
    key.clear();
    value.clear();
    std::string t = trim(text);
    if (t.empty() || t[0] == ';' || t[0] == '#') return;
    if (t[0] == '[') {
        size_t close = t.find(']');
        section = trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
        return;
    }
    size_t eq = t.find('=');
    if (eq == std::string::npos) return;
    key = trim(t.substr(0, eq));
    value = trim(t.substr(eq + 1));
    // Values written as "text" keep their inner blanks, as the Windows profile functions do.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
}

}  // namespace

void IniFile::setPath(std::string path) {
    path_ = std::move(path);
    loaded_ = false;
    lines_.clear();
}

void IniFile::reloadIfChanged() const {
    struct stat st {};
    if (path_.empty() || ::stat(path_.c_str(), &st) != 0) {
        lines_.clear();
        loaded_ = true;
        size_ = -1;
        return;
    }
    if (loaded_ && st.st_mtim.tv_sec == mtime_ && st.st_mtim.tv_nsec == mtimeNsec_ &&
        st.st_size == size_ && static_cast<long long>(st.st_ino) == inode_)
        return;
    lines_.clear();
    std::ifstream in(path_, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string content = buffer.str();
    if (content.compare(0, 3, "\xEF\xBB\xBF") == 0) content.erase(0, 3);
    lineBreak_ = content.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    std::string section;
    size_t pos = 0;
    while (pos < content.size()) {
        size_t nl = content.find('\n', pos);
        std::string text = content.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        if (!text.empty() && text.back() == '\r') text.pop_back();
        Line line;
        line.text = text;
        parseLine(text, section, line.key, line.value);
        line.section = section;
        lines_.push_back(std::move(line));
        if (nl == std::string::npos) break;
        pos = nl + 1;
    }
    loaded_ = true;
    mtime_ = st.st_mtim.tv_sec;
    mtimeNsec_ = st.st_mtim.tv_nsec;
    size_ = st.st_size;
    inode_ = static_cast<long long>(st.st_ino);
}

const IniFile::Line* IniFile::find(const std::string& section, const std::string& key) const {
    reloadIfChanged();
    for (const Line& line : lines_)
        if (!line.key.empty() && SameText(line.section, section) && SameText(line.key, key))
            return &line;
    return nullptr;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
    const Line* line = find(section, key);
    return line ? line->value : defaultValue;
}

int32_t IniFile::ReadInteger(const std::string& section, const std::string& key,
                             int32_t defaultValue) const {
    const Line* line = find(section, key);
    if (!line) return defaultValue;
    int32_t value = 0;
    if (!ParseInt32(line->value, value)) return defaultValue;
    return value;
}

bool IniFile::KeyExists(const std::string& section, const std::string& key) const {
    return find(section, key) != nullptr;
}

std::vector<std::string> IniFile::ReadSection(const std::string& section) const {
    reloadIfChanged();
    std::vector<std::string> keys;
    for (const Line& line : lines_)
        if (!line.key.empty() && SameText(line.section, section)) keys.push_back(line.key);
    return keys;
}

bool IniFile::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
    reloadIfChanged();
    std::vector<Line> lines = lines_;
    std::string newText = key + "=" + value;
    bool done = false;
    for (Line& line : lines) {
        if (!line.key.empty() && SameText(line.section, section) && SameText(line.key, key)) {
            line.text = newText;
            done = true;
            break;
        }
    }
    if (!done) {
        // After the last line of the section (its last non-blank line), or a new section at the end.
        std::string current;
        bool seen = false;
        size_t insertAt = 0;
        for (size_t i = 0; i < lines.size(); ++i) {
            std::string t = trim(lines[i].text);
            bool header = !t.empty() && t[0] == '[';
            if (header) {
                std::string dummyKey, dummyValue;
                parseLine(t, current, dummyKey, dummyValue);
            }
            if (SameText(current, section) && (header || !lines[i].key.empty())) {
                seen = true;
                insertAt = i + 1;
            }
        }
        Line line;
        line.text = newText;
        if (seen) {
            lines.insert(lines.begin() + static_cast<long>(insertAt), line);
        } else {
            if (!lines.empty() && !trim(lines.back().text).empty()) lines.push_back(Line{});
            Line header;
            header.text = "[" + section + "]";
            lines.push_back(header);
            lines.push_back(line);
        }
    }
    std::string content;
    for (size_t i = 0; i < lines.size(); ++i) {
        content += lines[i].text;
        content += lineBreak_;
    }
    std::string tmp = path_ + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out << content;
        out.flush();
        if (!out) {
            std::remove(tmp.c_str());
            return false;
        }
    }
    // Replace in one step, so a failed write never leaves half a settings file.
    if (std::rename(tmp.c_str(), path_.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    loaded_ = false;
    reloadIfChanged();
    return true;
}

bool IniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
    return WriteString(section, key, std::to_string(value));
}
