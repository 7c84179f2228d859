// A scratch folder on the host where the common zip tools run, as the
// independent checkers of what our code writes or reads.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace zk::test {

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class HostScratch {
public:
    explicit HostScratch(const std::string& prefix) {
        std::string pattern = "/tmp/" + prefix + "-XXXXXX";
        root_ = mkdtemp(pattern.data());
    }
    ~HostScratch() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    HostScratch(const HostScratch&) = delete;
    HostScratch& operator=(const HostScratch&) = delete;

    static bool Have(const std::string& tool) {
        return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
    }
    // Runs a shell command in the folder with a UTF-8 locale; a failure
    // shows the command and what it printed.
    void Sh(const std::string& command) const {
        std::string log = root_ + "/.log";
        int rc = std::system(("cd '" + root_ + "' && (export LC_ALL=C.UTF-8; " + command + ") </dev/null >'" + log +
                              "' 2>&1").c_str());
        ASSERT_EQ(rc, 0) << command << "\n" << Slurp(log);
    }
    void Write(const std::string& rel, const std::string& content) const {
        std::filesystem::path p = std::filesystem::path(root_) / rel;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << content;
    }
    std::string Read(const std::string& rel) const { return Slurp(root_ + "/" + rel); }

protected:
    std::string root_;
};

}  // namespace zk::test
