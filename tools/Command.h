// Subcommands of the nyxml tool register themselves here.
#ifndef NYXML_TOOLS_COMMAND_H
#define NYXML_TOOLS_COMMAND_H

#include <string>
#include <vector>

namespace nyxml_tool {

struct Command {
    const char* name;
    const char* synopsis;  // one line, shown by --help
    const char* help;      // full text of `nyxml NAME --help`
    int (*run)(const std::vector<std::string>& args);
};

std::vector<Command>& Commands();

struct CommandRegistration {
    explicit CommandRegistration(const Command& command) { Commands().push_back(command); }
};

// Exit codes: 0 success, 1 the input or output failed, 2 bad usage.
const int kExitFailure = 1;
const int kExitUsage = 2;

// Prints "nyxml: <message>" on standard error.
void PrintError(const std::string& message);
void PrintError(const std::wstring& message);
// UTF-8 form of library text for the terminal.
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);
// Reads a whole file, or standard input for "-"; false with a message on failure.
bool ReadAllBytes(const std::string& path, std::string& bytes, std::string& error);
// The format of input bytes as the library tells it: "XML text" or "Fast
// Infoset", after "gzip, " or "zlib, " for compressed input.
std::string DescribeFormat(const std::string& bytes);

}  // namespace nyxml_tool

#endif
