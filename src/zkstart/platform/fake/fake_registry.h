// The registry in memory: keys and values a test sets and reads back.
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace zk::platform {

class FakeRegistry : public Registry {
public:
    enum class Type { Sz, Dword };
    struct Value {
        Type type = Type::Sz;
        std::string text;
    };

    bool CreateKey(const std::string& key) override;
    bool KeyExists(const std::string& key) override;
    StringRead ReadString(const std::string& key, const std::string& name) override;
    bool WriteString(const std::string& key, const std::string& name, const std::string& value) override;
    // The machine's hive lives beside the user's, its keys under "HKLM\".
    StringRead ReadMachineString(const std::string& key, const std::string& name) override {
        return ReadString("HKLM\\" + key, name);
    }

    // Test side.
    void SetValue(const std::string& key, const std::string& name, const std::string& text, Type type = Type::Sz);
    const Value* Find(const std::string& key, const std::string& name) const;
    std::set<std::string> failCreate;  // keys (any case) whose creation fails
    std::vector<std::string> writes;   // "key\name=value" in order

private:
    static std::string Fold(const std::string& s);
    std::map<std::string, std::map<std::string, Value>> keys_;  // folded names
};

}  // namespace zk::platform
