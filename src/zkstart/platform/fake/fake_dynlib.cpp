#include "platform/fake/fake_dynlib.h"

#include <cctype>
#include <stdexcept>

#include "platform/fake/fake_files.h"

namespace zk::platform {

namespace {
std::string Fold(const std::string& s) {
    std::string out;
    for (char c : s) out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}
}  // namespace

void FakeDynLib::Add(const std::string& name, std::map<std::string, void*> entries) {
    libraries_[Fold(name)] = std::move(entries);
}

void FakeDynLib::Remove(const std::string& name) { libraries_.erase(Fold(name)); }

LibHandle FakeDynLib::Load(const std::string& name) {
    loads.push_back(name);
    loadErrorModes.push_back(files_.errorMode);
    if (throwOnLoad) throw std::runtime_error("library start-up failed");
    std::string key = Fold(name);
    if (!libraries_.count(key)) return 0;
    LibHandle h = next_;
    next_ += 0x10;
    open_[h] = key;
    return h;
}

void* FakeDynLib::Symbol(LibHandle lib, const std::string& name) {
    lookups.push_back(name);
    auto it = open_.find(lib);
    if (it == open_.end()) return nullptr;
    auto lit = libraries_.find(it->second);
    if (lit == libraries_.end()) return nullptr;
    // Entry points are found by their exact name, as GetProcAddress does.
    auto e = lit->second.find(name);
    return e == lit->second.end() ? nullptr : e->second;
}

bool FakeDynLib::Free(LibHandle lib) {
    ++frees;
    return open_.erase(lib) != 0;
}

std::string FakeDynLib::NameOf(LibHandle lib) const {
    auto it = open_.find(lib);
    return it == open_.end() ? std::string() : it->second;
}

}  // namespace zk::platform
