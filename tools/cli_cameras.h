// The camera commands of vorantel-cli: define a camera from a blackshot,
// repair photographs with a camera, list the camera library.
#pragma once

#include <span>
#include <stdexcept>
#include <string>

namespace vt::cli {

// Wrong usage of a command: the message says what is wrong.
struct CommandUsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Each returns the exit status: 0 success, 1 a failure reported on standard
// error. They throw CommandUsageError for wrong arguments.
int DefineCommand(std::span<const std::string> args);
int FixCommand(std::span<const std::string> args);
int CamerasCommand(std::span<const std::string> args);

extern const char* const kDefineArguments;
extern const char* const kFixArguments;
extern const char* const kCamerasArguments;

} // namespace vt::cli
