#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace pelan::test {

// A fresh user device folder inside its own temporary parent, removed with everything in it afterwards.
class MacroTestFolder {
public:
    MacroTestFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/pelan-macro-XXXXXX";
        parent_ = ::mkdtemp(pattern.data());
        folder_ = parent_ + "/mouse/";
        std::filesystem::create_directories(folder_);
    }
    ~MacroTestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(parent_, ignored);
    }
    MacroTestFolder(const MacroTestFolder&) = delete;
    MacroTestFolder& operator=(const MacroTestFolder&) = delete;

    const std::string& path() const { return folder_; }
    const std::string& parent() const { return parent_; }

    void write(const std::string& name, const std::string& text) const {
        std::ofstream(folder_ + name, std::ios::binary) << text;
    }
    std::string read(const std::string& name) const { return readFile(folder_ + name); }
    bool exists(const std::string& name) const { return std::filesystem::exists(folder_ + name); }

    static std::string readFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

private:
    std::string parent_;
    std::string folder_;
};

} // namespace pelan::test
