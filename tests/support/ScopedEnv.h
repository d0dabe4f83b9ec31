#pragma once
// An environment variable set (or unset, for null) until the end of the
// scope.

#include <cstdlib>
#include <string>

namespace pix::test {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value)
        : name_(name), had_(std::getenv(name) != nullptr), old_(had_ ? std::getenv(name) : "")
    {
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { had_ ? ::setenv(name_, old_.c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    bool had_;
    std::string old_;
};

}  // namespace pix::test
