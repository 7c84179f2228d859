// Errors that no handler catches reach the application's standard error box.
#pragma once
#include <stdexcept>
#include <string>

namespace zk {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// The standard run-time input/output error.
class InOutError : public Error {
public:
    explicit InOutError(int code);
    int Code() const { return code_; }

private:
    int code_;
};

}  // namespace zk
