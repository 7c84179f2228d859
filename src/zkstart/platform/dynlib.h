// Libraries loaded at run time and their entry points, looked up by name.
#pragma once
#include <cstdint>
#include <string>

namespace zk::platform {

// A loaded library; 0 for none.
using LibHandle = uintptr_t;

class DynLib {
public:
    virtual ~DynLib() = default;
    // A path, or a plain name that the platform's search order resolves.
    // 0 when the library cannot be loaded. The caller keeps the system's
    // error boxes away meanwhile (FileSystem::SetCriticalErrorMode).
    virtual LibHandle Load(const std::string& name) = 0;
    // The entry point of that name, or null.
    virtual void* Symbol(LibHandle lib, const std::string& name) = 0;
    virtual bool Free(LibHandle lib) = 0;
};

// The entry point as the function type the caller knows it by.
template <typename Fn>
Fn SymbolAs(DynLib& dynlib, LibHandle lib, const std::string& name) {
    return reinterpret_cast<Fn>(dynlib.Symbol(lib, name));
}

}  // namespace zk::platform
