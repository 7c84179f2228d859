#include "platform/win32/shelllink_win32.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>

#include "common/error.h"
#include "platform/win32/wstr.h"

namespace zk::win32 {

namespace {

// Holds one interface pointer and releases it, whatever way the scope ends.
template <class T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() {
        if (p_) p_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    void** Out() { return reinterpret_cast<void**>(&p_); }

private:
    T* p_ = nullptr;
};

[[noreturn]] void RaiseCom(const char* what, HRESULT hr) {
    char code[16];
    std::snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(hr));
    throw Error(std::string(what) + " (Fehler 0x" + code + ")");
}

class Link : public platform::ShellLink {
public:
    Link() {
        HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link_.Out());
        if (FAILED(hr)) RaiseCom("Verknüpfungsobjekt kann nicht erzeugt werden", hr);
        hr = link_->QueryInterface(IID_IPersistFile, file_.Out());
        if (FAILED(hr)) RaiseCom("Schnittstelle nicht unterstützt", hr);
    }
    void SetDescription(const std::string& text) override { link_->SetDescription(Wide(text).c_str()); }
    void SetPath(const std::string& target) override { link_->SetPath(Wide(target).c_str()); }
    bool Save(const std::string& file) override { return SUCCEEDED(file_->Save(Wide(file).c_str(), FALSE)); }

private:
    ComRef<IShellLinkW> link_;
    ComRef<IPersistFile> file_;
};

}  // namespace

ShellLinks::ShellLinks() {
    // S_FALSE: this thread was already in the apartment; it still counts.
    initialized_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

ShellLinks::~ShellLinks() {
    if (initialized_) CoUninitialize();
}

std::unique_ptr<platform::ShellLink> ShellLinks::NewLink() { return std::make_unique<Link>(); }

}  // namespace zk::win32
