// The current user's registry hive. Key paths are relative to
// HKEY_CURRENT_USER and use "\" between their parts.
#pragma once
#include <string>

namespace zk::platform {

enum class ReadStatus { Missing, NotString, Present };

struct StringRead {
    ReadStatus status = ReadStatus::Missing;
    std::string value;
};

class Registry {
public:
    virtual ~Registry() = default;
    // Opens the key for full access, creating it and its parents; false on failure.
    virtual bool CreateKey(const std::string& key) = 0;
    virtual bool KeyExists(const std::string& key) = 0;
    virtual StringRead ReadString(const std::string& key, const std::string& name) = 0;
    // Writes a REG_SZ value into an existing key; false on failure.
    virtual bool WriteString(const std::string& key, const std::string& name, const std::string& value) = 0;
    // A value of the machine's hive (HKEY_LOCAL_MACHINE), read only: the
    // 64-bit view first, then the 32-bit one; environment references in an
    // expandable text are filled in. The empty name reads the key's default.
    virtual StringRead ReadMachineString(const std::string& key, const std::string& name) = 0;
};

}  // namespace zk::platform
