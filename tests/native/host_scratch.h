// A fresh folder below the host's temporary folder, removed afterwards.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace zk::test {

// Our strings are UTF-8; a plain narrow path would be the ANSI code page on Windows.
inline std::filesystem::path U8(const std::string& s) { return std::filesystem::u8path(s); }

inline std::string Slurp(const std::string& path) {
    std::ifstream in(U8(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class HostScratch {
public:
    explicit HostScratch(const std::string& prefix) {
        std::mt19937 rng{std::random_device{}()};
        std::filesystem::path p;
        do p = std::filesystem::temp_directory_path() / (prefix + "-" + std::to_string(rng()));
        while (!std::filesystem::create_directory(p));
        root_ = p.generic_u8string();
    }
    ~HostScratch() { std::error_code ec; std::filesystem::remove_all(U8(root_), ec); }

    const std::string& Root() const { return root_; }
    std::string Path(const std::string& rel) const { return root_ + "/" + rel; }
    void Write(const std::string& rel, const std::string& content) const {
        std::filesystem::create_directories(U8(Path(rel)).parent_path());
        std::ofstream(U8(Path(rel)), std::ios::binary | std::ios::trunc) << content;
    }
    void MakeDir(const std::string& rel) const { std::filesystem::create_directories(U8(Path(rel))); }
    std::string Read(const std::string& rel) const { return Slurp(Path(rel)); }
    bool Exists(const std::string& rel) const { return std::filesystem::exists(U8(Path(rel))); }
    // Every file below the root, relative, sorted.
    std::vector<std::string> Files() const {
        std::vector<std::string> out;
        for (auto& e : std::filesystem::recursive_directory_iterator(U8(root_)))
            if (e.is_regular_file()) out.push_back(std::filesystem::relative(e.path(), U8(root_)).generic_u8string());
        std::sort(out.begin(), out.end());
        return out;
    }

    static bool Have(const std::string& tool) {
        return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
    }
    // Shell commands in the folder, UTF-8 locale; a failure shows their output (kept in .log).
    void Sh(const std::string& command) const {
        const std::string log = Path(".log");
        int rc = std::system(("cd '" + root_ + "' && (export LC_ALL=C.UTF-8; " + command + ") </dev/null >'" + log +
                              "' 2>&1").c_str());
        ASSERT_EQ(rc, 0) << command << "\n" << Slurp(log);
    }

protected:
    std::string root_;
};

}  // namespace zk::test
