#pragma once
// Errors that reach the caller of a property or routine, with the number a
// Visual Basic caller would see in Err.Number.

#include <stdexcept>
#include <string>

namespace platform {

inline constexpr int vbErrOverflow = 6;
inline constexpr int vbErrTypeMismatch = 13;
inline constexpr int vbErrFileNotFound = 53;
inline constexpr int vbErrPathFileAccess = 75;
inline constexpr int vbErrInvalidFileFormat = 321;
inline constexpr int vbErrInvalidPropertyValue = 380;

class VbError : public std::runtime_error {
public:
    VbError(int number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    int Number() const { return number_; }

private:
    int number_;
};

}  // namespace platform
