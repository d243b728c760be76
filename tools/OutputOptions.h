// The output options shared by the commands that write a document back:
// --compact, --encoding, --eol, --declaration, --gzip, --stream, IN and OUT.
#ifndef NYXML_TOOLS_OUTPUTOPTIONS_H
#define NYXML_TOOLS_OUTPUTOPTIONS_H

#include <nyxml/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace nyxml_tool {

struct OutputOptions {
    bool compact = false;
    NyXmlLib9::XmlEncoding encoding = NyXmlLib9::XmlEncoding_UTF8;
    NyXmlLib9::EOLType eol = NyXmlLib9::EOL_LF;
    bool declaration = false;
    bool gzip = false;
    bool stream = false;
    std::string in, out;
};

// The option lines of a command's help text.
inline constexpr char kOutputOptionsHelp[] =
    "  --compact              no indentation and no line breaks between tags\n"
    "  --encoding utf-8|utf-16  output encoding (default utf-8); UTF-16 output\n"
    "                         starts with a byte order mark\n"
    "  --eol lf|crlf          line ends (default lf)\n"
    "  --declaration          write the XML declaration first\n"
    "  --gzip                 compress the output with gzip (fastest level)\n"
    "  --stream               write the file while the document is produced\n"
    "                         (not with --gzip, and OUT must be a file)\n";

// Returns 0 when the arguments are usable, otherwise prints why (prefixed by
// the command's name) and returns the usage exit code.
int ParseOutputArguments(const char* command, const std::vector<std::string>& args, OutputOptions& options);

// A gzip file of any bytes, however short (deflate at the fastest level).
// The library's own stream compression refuses output that would not shrink.
std::string GzipBytes(const unsigned char* bytes, size_t length);

// Indenting writes one tab per level before every tag, so the output of a
// document nested very deeply grows with the square of its depth. True when
// the tabs would outweigh the document itself (more than 256 levels on
// average and more than 16 Mi tabs): the command then writes it compact.
bool IndentationTooLarge(uint64_t elements, uint64_t depthSum);
// The note printed when a command falls back to compact output.
std::string CompactFallbackNote(const char* command, uint64_t maxDepth);

}  // namespace nyxml_tool

#endif
