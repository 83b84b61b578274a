#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "support/TempFolder.h"

namespace pelan::test {

// A fresh user device folder inside its own temporary parent, removed with everything in it afterwards.
class MacroTestFolder {
public:
    MacroTestFolder() : parent_(root_.path().substr(0, root_.path().size() - 1)), folder_(root_.file("mouse/")) {
        std::filesystem::create_directories(folder_);
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

    static std::string readFile(const std::string& path) { return testing::readText(path); }

private:
    testing::TempFolder root_;
    std::string parent_;
    std::string folder_;
};

} // namespace pelan::test
