#pragma once

#include <QString>

#include <stdexcept>

namespace platform {

// What the scripting shell object raises. The numbers are the ones the
// Windows object reports, so callers that look at them see the same codes.
class ShellError : public std::runtime_error {
public:
    enum Code : long {
        NotFound = static_cast<long>(0x80070002),      // no such value or key
        AccessDenied = static_cast<long>(0x80070005),  // store cannot be written now
        InvalidData = static_cast<long>(0x8007000D),   // value or store unreadable
        InvalidArgument = static_cast<long>(0x80070057),
        CannotCreate = static_cast<long>(0x800A01AD),  // ActiveX component can't create object
    };

    ShellError(Code code, const QString& description)
        : std::runtime_error(description.toStdString()), m_code(code) {}

    Code code() const { return m_code; }

private:
    Code m_code;
};

}  // namespace platform
