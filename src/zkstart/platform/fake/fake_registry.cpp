#include "platform/fake/fake_registry.h"

#include <cctype>

namespace zk::platform {

std::string FakeRegistry::Fold(const std::string& s) {
    std::string out;
    for (char c : s) out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    while (!out.empty() && out.front() == '\\') out.erase(out.begin());
    while (!out.empty() && out.back() == '\\') out.pop_back();
    return out;
}

bool FakeRegistry::CreateKey(const std::string& key) {
    std::string k = Fold(key);
    for (const auto& f : failCreate)
        if (Fold(f) == k) return false;
    // Parents come into being with the key, as on Windows.
    for (size_t pos = 0; (pos = k.find('\\', pos)) != std::string::npos; ++pos) keys_[k.substr(0, pos)];
    keys_[k];
    return true;
}

bool FakeRegistry::KeyExists(const std::string& key) { return keys_.count(Fold(key)) != 0; }

StringRead FakeRegistry::ReadString(const std::string& key, const std::string& name) {
    const Value* v = Find(key, name);
    if (!v) return {};
    if (v->type != Type::Sz) return {ReadStatus::NotString, {}};
    return {ReadStatus::Present, v->text};
}

bool FakeRegistry::WriteString(const std::string& key, const std::string& name, const std::string& value) {
    auto it = keys_.find(Fold(key));
    if (it == keys_.end()) return false;
    it->second[Fold(name)] = Value{Type::Sz, value};
    writes.push_back(key + "\\" + name + "=" + value);
    return true;
}

void FakeRegistry::SetValue(const std::string& key, const std::string& name, const std::string& text, Type type) {
    CreateKey(key);
    keys_[Fold(key)][Fold(name)] = Value{type, text};
}

const FakeRegistry::Value* FakeRegistry::Find(const std::string& key, const std::string& name) const {
    auto it = keys_.find(Fold(key));
    if (it == keys_.end()) return nullptr;
    auto v = it->second.find(Fold(name));
    return v == it->second.end() ? nullptr : &v->second;
}

}  // namespace zk::platform
