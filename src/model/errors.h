#pragma once
// The two kinds of failure the core reports. EParvaneError carries the message the
// author sees; EAbort is the silent abort a caller swallows ("Canceled!", "Edit List!").

#include <stdexcept>
#include <string>

namespace parvane {

class EParvaneError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EAbort : public std::exception {
public:
    explicit EAbort(std::string what = "Canceled!") : what_(std::move(what)) {}
    const char* what() const noexcept override { return what_.c_str(); }

private:
    std::string what_;
};

} // namespace parvane
